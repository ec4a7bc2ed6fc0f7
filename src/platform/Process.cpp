#include "platform/Process.h"

#include <QMimeDatabase>
#include <QPointer>
#include <QProcess>

namespace platform
{

bool StartProgram(const QString& path)
{
    return QProcess::startDetached(path, {});
}

bool StartProcess(const QString& program, const QStringList& arguments, QString& why)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    if (process.startDetached())
        return true;
    why = process.errorString();
    if (why.isEmpty() || why == QLatin1String("Unknown error"))
        why = QStringLiteral("it was not found or cannot be run");
    return false;
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
    // The query is no child of `context`: a child would be killed and waited for while
    // the context is destroyed, and a query that had just ended would then answer a window
    // half gone. Its answer goes to the context only while that still exists.
    const QPointer<QObject> alive(context);
    auto* query = new QProcess;
    query->setProgram(QStringLiteral("xdg-mime"));
    query->setArguments({QStringLiteral("query"), QStringLiteral("default"), type});
    query->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(query, &QProcess::finished, query, [query, path, done, alive] {
        query->deleteLater();
        if (!alive || query->exitStatus() != QProcess::NormalExit)
            return;
        const QString application = QString::fromLocal8Bit(query->readAllStandardOutput()).trimmed();
        const bool found = query->exitCode() == 0 && !application.isEmpty();
        done(found && QProcess::startDetached(QStringLiteral("xdg-open"), {path}));
    });
    QObject::connect(query, &QProcess::errorOccurred, query,
                     [query, done, alive](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return; // a crash also ends in finished
                         query->deleteLater();
                         if (alive)
                             done(false);
                     });
    query->start();
}

} // namespace platform
