#include "platform/BrowserEnvironment.h"

#include <QCoreApplication>
#include <unistd.h>

namespace platform
{

void PrepareBrowserEnvironment()
{
    // Chromium will not start as root with its sandbox on; everyone else keeps it.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The engine is started lazily, after the application object exists; it needs this
    // attribute set before that object is made.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

} // namespace platform
