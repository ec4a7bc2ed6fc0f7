#include "browser/uBrowser.h"

#include "browser/BrowserPage.h"
#include "browser/BrowserSetup.h"
#include "browser/PictureInterceptor.h"
#include "browser/PictureSchemeHandler.h"
#include "browser/WorkingFolder.h"
#include "controls/FontScale.h"
#include "controls/WindowFit.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QShowEvent>
#include <QToolBar>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace
{

const QString kDefaultCaption = QStringLiteral("HTML viewer");

struct TDocumentRef {
    QString Path;
    QString Fragment;
};

// A file name may end in "#anchor"; a file whose own name holds a "#" is taken whole.
TDocumentRef SplitFragment(const QString& fileName)
{
    const qsizetype hash = fileName.lastIndexOf(QLatin1Char('#'));
    if (hash <= 0 || platform::FileExists(fileName))
        return {fileName, {}};
    return {fileName.left(hash), fileName.mid(hash + 1)};
}

} // namespace

TfBrowser::TfBrowser(QWidget* mainWindow)
    : QMainWindow(mainWindow, Qt::Window), m_mainWindow(mainWindow)
{
    setWindowTitle(kDefaultCaption);
    MenuFile = menuBar()->addMenu(QStringLiteral("&File"));
    ToolBar = addToolBar(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setMinimumHeight(fontscale::Scaled(26));
    // The page takes the rest of the window once the engine runs.
    setCentralWidget(new QWidget(this));
    m_workingFolder = new TWorkingFolder(this);
    SetClientSize(fontscale::Scaled(QSize(511, 380)));
}

TfBrowser::~TfBrowser()
{
    // A page must go before its profile.
    delete HtmlView;
    HtmlView = nullptr;
}

QSize TfBrowser::ClientSizeFor(QSize mainClient)
{
    return {mainClient.width() * 3 / 4, mainClient.height() * 3 / 4};
}

QSize TfBrowser::ClientSize() const
{
    const QWidget* menu = menuWidget();
    return size() - QSize(0, menu ? menu->height() : 0);
}

void TfBrowser::SetClientSize(QSize client)
{
    const QWidget* menu = menuWidget();
    int menuHeight = 0;
    if (menu) {
        menuHeight = menu->heightForWidth(client.width());
        if (menuHeight <= 0)
            menuHeight = menu->sizeHint().height();
    }
    // Never narrower than the menu bar nor larger than the screen.
    windowfit::Resize(this, QSize(client.width(), client.height() + menuHeight));
}

QSize TfBrowser::MainClientSize() const
{
    if (!m_mainWindow)
        return fontscale::Scaled(QSize(511, 380)) * 4 / 3;
    const auto* main = qobject_cast<const QMainWindow*>(m_mainWindow);
    const QWidget* menu = main ? main->menuWidget() : nullptr;
    const int menuHeight = menu && menu->isVisible() ? menu->height() : 0;
    return m_mainWindow->size() - QSize(0, menuHeight);
}

void TfBrowser::PlaceFirstTime()
{
    // Centred the first time; later showings keep the place, as far as it is on the screen.
    if (m_placed) {
        windowfit::KeepOnScreen(this);
        return;
    }
    m_placed = true;
    windowfit::Centre(this);
}

QString TfBrowser::PictureFolder() const
{
    return m_pictures ? m_pictures->Folder() : QString();
}

QString TfBrowser::WorkingFolder() const
{
    return m_workingFolder->Folder();
}

void TfBrowser::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A window restored by the window system is not a new request.
    if (!event->spontaneous())
        FormShow();
}

void TfBrowser::hideEvent(QHideEvent* event)
{
    QMainWindow::hideEvent(event);
    // Private copies of archive members go when the window that shows them hides.
    m_workingFolder->Mend();
}

void TfBrowser::FormShow()
{
    SetClientSize(ClientSizeFor(MainClientSize()));
    PlaceFirstTime();
    CreateEngine();
    // Shown without a document: the window opens as it is.
    if (FileName.isEmpty())
        return;
    const TDocumentRef document = SplitFragment(FileName);
    const QString folder = QFileInfo(document.Path).absolutePath();
    m_workingFolder->Enter(folder);
    // A link that leads nowhere is as missing as a file that is not there.
    if (!platform::FileExists(document.Path) || !QFileInfo(document.Path).isFile())
        throw platform::EError(QStringLiteral("Can't locate file: ") + document.Path);
    m_pictures->SetFolder(folder);
    QUrl url = QUrl::fromLocalFile(document.Path);
    if (!document.Fragment.isEmpty())
        url.setFragment(document.Fragment);
    m_requested = url;
    HtmlView->load(url);
}

void TfBrowser::CreateEngine()
{
    if (HtmlView)
        return;
    // The engine takes its schemes only before its first object exists.
    RegisterBrowserSchemes();
    // An off-the-record profile of our own: nothing is written to the user's folders, and
    // the picture rules touch no other web page of the process.
    m_profile = new QWebEngineProfile(this);
    m_pictures = new TPictureSchemeHandler(m_profile);
    m_interceptor = new TPictureInterceptor(m_profile);
    m_profile->installUrlSchemeHandler(kPictureScheme, m_pictures);
    m_profile->setUrlRequestInterceptor(m_interceptor);
    ConfigureProfile();

    HtmlView = new QWebEngineView(this);
    auto* page = new TBrowserPage(m_profile, HtmlView);
    page->setBackgroundColor(palette().color(QPalette::Base));
    HtmlView->setPage(page);
    connect(page, &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo& info) { LoadingChanged(info); });
    // The caption follows the page shown, also one the history brings back.
    connect(page, &QWebEnginePage::titleChanged, this, [this] { ShowTitle(false); });
    // Said after the engine's call has returned, as the first showing says it.
    connect(
        page, &TBrowserPage::MissingFile, this,
        [](const QString& path) {
            platform::ShowMessage(QStringLiteral("Can't locate file: ") + path);
        },
        Qt::QueuedConnection);
    // Bare picture names are looked up beside the document the window shows.
    connect(page, &TBrowserPage::DocumentChosen, this,
            [this](const QString& path) { m_pictures->SetFolder(QFileInfo(path).absolutePath()); });
    setCentralWidget(HtmlView);
}

void TfBrowser::ConfigureProfile()
{
    ConfigureBrowserProfile(*m_profile, palette().color(QPalette::Text));
}

void TfBrowser::LoadingChanged(const QWebEngineLoadingInfo& info)
{
    if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus) {
        // The page's input widget exists once a document is shown; watching it twice is
        // harmless.
        if (QWidget* input = HtmlView->focusProxy())
            input->installEventFilter(this);
        ShowTitle(true);
        return;
    }
    if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus)
        return;
    // A document the user asked for by name fails with a message; a link that fails
    // shows the engine's error page, as in a browser.
    const QUrl failed = info.url().adjusted(QUrl::RemoveFragment);
    if (failed == m_requested.adjusted(QUrl::RemoveFragment)) {
        m_requested.clear();
        platform::ShowMessage(info.errorString());
    }
    emit DocumentShown(false);
}

void TfBrowser::ShowTitle(bool loaded)
{
    // document.title is empty for a document without one (the page's title would be its
    // URL); a frameset gives its own title.
    HtmlView->page()->runJavaScript(QStringLiteral("document.title"),
                                    QWebEngineScript::ApplicationWorld,
                                    [this, loaded](const QVariant& title) {
                                        setWindowTitle(title.toString());
                                        if (loaded)
                                            emit DocumentShown(true);
                                    });
}

void TfBrowser::keyPressEvent(QKeyEvent* event)
{
    // Keys reach the window when the page has no use for them.
    const bool alt = event->modifiers() == Qt::AltModifier;
    if (HtmlView && alt && event->key() == Qt::Key_Left) {
        HtmlView->back();
        return;
    }
    if (HtmlView && alt && event->key() == Qt::Key_Right) {
        HtmlView->forward();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close(); // hides the window, as its close box does
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TfBrowser::eventFilter(QObject* watched, QEvent* event)
{
    // Backspace goes back unless the page's focus is in something that takes text; the
    // key itself goes on to the page either way. Escape closes the window.
    if (HtmlView && watched == HtmlView->focusProxy() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            // The engine keeps Escape to itself: the window closes before the page sees it.
            close();
            return true;
        }
        if (key->key() == Qt::Key_Backspace && key->modifiers() == Qt::NoModifier)
            HtmlView->page()->runJavaScript(
                QStringLiteral("(() => { const e = document.activeElement; return !!e && "
                               "(e.isContentEditable || /^(INPUT|TEXTAREA|SELECT)$/"
                               ".test(e.tagName)); })()"),
                QWebEngineScript::ApplicationWorld, [this](const QVariant& editing) {
                    if (!editing.toBool() && HtmlView)
                        HtmlView->back();
                });
    }
    return QMainWindow::eventFilter(watched, event);
}
