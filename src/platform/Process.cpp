#include "platform/Process.h"

#include <QMimeDatabase>
#include <QProcess>

namespace platform
{

bool StartProgram(const QString& path)
{
    return QProcess::startDetached(path, {});
}

QString HelpViewerProgram()
{
    return QStringLiteral("xdg-open");
}

bool StartHelpViewer(const QString& path)
{
    return QProcess::startDetached(HelpViewerProgram(), {path});
}

void OpenWithDefaultApplication(const QString& path, QObject* context,
                                const std::function<void(bool opened)>& done)
{
    const QString type = QMimeDatabase().mimeTypeForFile(path).name();
    auto* query = new QProcess(context);
    query->setProgram(QStringLiteral("xdg-mime"));
    query->setArguments({QStringLiteral("query"), QStringLiteral("default"), type});
    query->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(query, &QProcess::finished, context, [query, path, done] {
        // Killed, as when its context goes while it runs: nobody waits for an answer.
        if (query->exitStatus() != QProcess::NormalExit)
            return;
        query->deleteLater();
        const QString application = QString::fromLocal8Bit(query->readAllStandardOutput()).trimmed();
        const bool found = query->exitCode() == 0 && !application.isEmpty();
        done(found && QProcess::startDetached(QStringLiteral("xdg-open"), {path}));
    });
    QObject::connect(query, &QProcess::errorOccurred, context,
                     [query, done](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return; // a crash also ends in finished
                         query->deleteLater();
                         done(false);
                     });
    query->start();
}

} // namespace platform
