#include "platform/Process.h"

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

} // namespace platform
