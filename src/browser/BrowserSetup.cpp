#include "browser/BrowserSetup.h"

#include <QCoreApplication>
#include <QWebEngineUrlScheme>
#include <unistd.h>

void PrepareBrowserEnvironment()
{
    // Chromium will not start as root with its sandbox on; everyone else keeps it.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The engine is started lazily, after the application object exists; it needs this
    // attribute set before that object is made.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

void RegisterBrowserSchemes()
{
    if (QWebEngineUrlScheme::schemeByName(kPictureScheme).name() == kPictureScheme)
        return;
    QWebEngineUrlScheme scheme(kPictureScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // A local scheme: pages loaded from file:// may be redirected to it. A secure,
    // CORS-enabled scheme makes such redirects fail silently.
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}
