#include "browser/BrowserSetup.h"

#include <QWebEngineUrlScheme>

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
