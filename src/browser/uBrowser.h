#pragma once
// TfBrowser: the HTML viewer window. Shows one HTML file on Qt WebEngine (frames, forms,
// scripts and back/forward history work as in a browser: Alt+Left or Backspace back,
// Alt+Right forward; Escape closes the window), puts the title of the document shown in
// the caption, and serves the document's pictures through PicLib: a picture is found
// where the page's reference leads, as a browser resolves it, or else by its bare file
// name in the document's folder. A link to a local file that is not there says "Can't
// locate file: PATH" and the page stays.
//
// One instance lives for the rest of the run, created hidden when the first HTML file is
// shown (it lives in a module, BrowserModule.h), with the main window as
// parent (its transient parent, whose client size the viewer's size follows). The caller
// sets FileName (a full path, optionally ending in "#anchor") and shows the window; the
// document loads when the window becomes visible (FormShow), so a request while it is
// visible only stores FileName (the caller brings the window to the front). Closing hides
// the window; the next showing sizes it, changes directory and loads FileName again.
//
// Errors of FormShow leave it as platform exceptions, which the application object shows;
// the window appears all the same, with its previous document and caption.
//
// Costs: the web engine (about 150 MB, a fraction of a second) is started on the first
// showing, not at construction; the picture scheme is registered then. The process must
// have called platform::PrepareBrowserEnvironment() before its QApplication was made.
// User-interface thread only.

#include <QMainWindow>
#include <QString>
#include <QUrl>

class QKeyEvent;
class QMenu;
class QToolBar;
class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;
class TPictureInterceptor;
class TPictureSchemeHandler;
class TWorkingFolder;

class TfBrowser final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfBrowser)
public:
    explicit TfBrowser(QWidget* mainWindow = nullptr);
    ~TfBrowser() override;

    // The file the next showing loads: a full path, optionally followed by "#anchor".
    QString FileName;

    // Components, owned by the window.
    QMenu* MenuFile{nullptr};
    QToolBar* ToolBar{nullptr};
    QWebEngineView* HtmlView{nullptr}; // null until the window is first shown

    // The show handler: sizes the window to three quarters of the main window's client
    // area, centres it the first time, enters the document's folder and starts loading.
    // Throws platform::EInOutError when the folder cannot be entered and platform::EError
    // ("Can't locate file: " + path) when the file does not exist; nothing loads then.
    // An empty FileName loads nothing and reports nothing.
    void FormShow();

    // The area inside the frame without the menu bar (tool bar and page included).
    QSize ClientSize() const;
    // The client size the viewer takes for a main window's client size: three quarters of
    // each side, rounded down.
    static QSize ClientSizeFor(QSize mainClient);

    // The folder bare picture names are looked up in: that of the document shown.
    QString PictureFolder() const;
    // The folder the process was last moved to (see WorkingFolder.h).
    QString WorkingFolder() const;

signals:
    // A load started by FormShow or by the user has ended; on success the caption already
    // shows the document's title.
    void DocumentShown(bool ok);

protected:
    void showEvent(QShowEvent* event) override;
    // Alt+Left goes back in the history, Alt+Right forward, Escape closes the window.
    void keyPressEvent(QKeyEvent* event) override;
    // Backspace outside a text field goes back.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void CreateEngine();
    void ConfigureProfile();
    void SetClientSize(QSize client);
    QSize MainClientSize() const;
    void PlaceFirstTime();
    void LoadingChanged(const QWebEngineLoadingInfo& info);
    // Puts the document's title in the caption; after a load, announces DocumentShown.
    void ShowTitle(bool loaded);

    QWidget* m_mainWindow{nullptr};
    QWebEngineProfile* m_profile{nullptr};
    TPictureSchemeHandler* m_pictures{nullptr};
    TPictureInterceptor* m_interceptor{nullptr};
    TWorkingFolder* m_workingFolder{nullptr};
    QUrl m_requested; // the URL FormShow last asked the engine to load
    bool m_placed{false};
};
