#include "platform/BrowserEnvironment.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <unistd.h>

// Qt's setter of the context that every context of the process shares (exported by Qt GUI,
// declared in its private headers); Qt's own start calls it the same way.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace platform
{

void PrepareBrowserEnvironment(bool engineLinked)
{
    // Chromium will not start as root with its sandbox on; everyone else keeps it.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (engineLinked)
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

void ShareBrowserGraphics()
{
    if (QOpenGLContext::globalShareContext())
        return;
    // What the engine and the widgets check from now on, as if set before the application.
    // Qt warns that it is set late: the context it would have made then is made here, so
    // the warning is kept out of the user's terminal.
    const QtMessageHandler shown =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qInstallMessageHandler(shown);
    auto* context = new QOpenGLContext;
    context->setFormat(QSurfaceFormat::defaultFormat());
    context->create();
    qt_gl_set_global_share_context(context);
}

} // namespace platform
