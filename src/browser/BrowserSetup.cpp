#include "browser/BrowserSetup.h"

#include <QColor>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlScheme>

namespace
{

// The default text colour and link colour as the weakest rules of each document (":where"
// has no weight, and the rules come first), so every colour a document sets wins. A body
// with its own "link" attribute keeps it.
const char kColourScript[] = R"((function() {
    var root = document.head || document.documentElement;
    if (!root) return;
    var css = ':where(html) { color: %1; }';
    if (!(document.body && document.body.hasAttribute('link')))
        css += ':where(a:link) { color: #0000ff; }';
    var style = document.createElement('style');
    style.textContent = css;
    root.insertBefore(style, root.firstChild);
})();)";

} // namespace

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

void ConfigureBrowserProfile(QWebEngineProfile& profile, const QColor& text)
{
    QWebEngineSettings* settings = profile.settings();
    settings->setFontFamily(QWebEngineSettings::StandardFont, QStringLiteral("Times New Roman"));
    settings->setFontFamily(QWebEngineSettings::SerifFont, QStringLiteral("Times New Roman"));
    settings->setFontFamily(QWebEngineSettings::FixedFont, QStringLiteral("Courier New"));
    // 12 points at the web's 96 pixels per inch.
    settings->setFontSize(QWebEngineSettings::DefaultFontSize, 16);
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, true);

    QWebEngineScript colours;
    colours.setName(QStringLiteral("default colours"));
    colours.setInjectionPoint(QWebEngineScript::DocumentReady);
    colours.setWorldId(QWebEngineScript::ApplicationWorld);
    colours.setRunsOnSubFrames(true);
    colours.setSourceCode(QString::fromLatin1(kColourScript).arg(text.name()));
    profile.scripts()->insert(colours);
}
