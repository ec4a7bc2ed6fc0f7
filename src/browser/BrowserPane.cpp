#include "browser/BrowserPane.h"

#include "browser/BrowserSetup.h"
#include "browser/PictureInterceptor.h"
#include "browser/PictureSchemeHandler.h"

#include <QFileInfo>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace
{

// The pane's page goes only where the pane sends it: links, forms and the page's own
// redirects of the main frame are refused; frames of the document load.
class TPanePage final : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QUrl Asked;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        if (type == NavigationTypeLinkClicked || type == NavigationTypeFormSubmitted ||
            type == NavigationTypeBackForward)
            return false;
        return !isMainFrame || url == Asked;
    }
};

} // namespace

TBrowserPane::TBrowserPane(QWidget* parent) : QWidget(parent)
{
    // The engine takes its schemes only before its first object exists.
    RegisterBrowserSchemes();
    m_profile = new QWebEngineProfile(this);
    m_pictures = new TPictureSchemeHandler(m_profile);
    m_profile->installUrlSchemeHandler(kPictureScheme, m_pictures);
    m_profile->setUrlRequestInterceptor(new TPictureInterceptor(m_profile));
    ConfigureBrowserProfile(*m_profile, palette().color(QPalette::Text));
    QWebEngineSettings* settings = m_profile->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);

    m_view = new QWebEngineView(this);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    auto* page = new TPanePage(m_profile, m_view);
    page->setBackgroundColor(palette().color(QPalette::Base));
    m_view->setPage(page);
    connect(page, &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo& info) { LoadingChanged(info); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

TBrowserPane::~TBrowserPane()
{
    // A page must go before its profile.
    delete m_view;
    m_view = nullptr;
}

void TBrowserPane::Show(const QString& path)
{
    m_path = path;
    m_asked = path.isEmpty() ? QUrl(QStringLiteral("about:blank")) : QUrl::fromLocalFile(path);
    if (!path.isEmpty())
        m_pictures->SetFolder(QFileInfo(path).absolutePath());
    static_cast<TPanePage*>(m_view->page())->Asked = m_asked;
    m_view->load(m_asked);
}

void TBrowserPane::LoadingChanged(const QWebEngineLoadingInfo& info)
{
    if (info.url() != m_asked || m_path.isEmpty())
        return;
    if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus)
        emit DocumentShown(m_path, true);
    else if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
        emit DocumentShown(m_path, false);
}
