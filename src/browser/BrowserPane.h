#pragma once
// TBrowserPane: a read-only page for a pane of the main window (the quick view). It shows
// one local HTML file as the HTML viewer does (its fonts and default colours, pictures
// through PicLib), but runs none of the page's scripts, follows no link, submits no form,
// opens no window and never changes the process's current directory.
//
// Show returns at once: the engine loads the file in the background, and a later Show
// drops the load under way, so the pane can follow a cursor. The engine starts when the
// pane is made (the first HTML file the quick view shows); the pane has its own
// off-the-record profile. User-interface thread only.

#include <QString>
#include <QUrl>
#include <QWidget>

class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;
class TPictureSchemeHandler;

class TBrowserPane final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TBrowserPane)
public:
    explicit TBrowserPane(QWidget* parent = nullptr);
    ~TBrowserPane() override;

    // Shows the file `path` (a full path) in place of the page before; empty shows an
    // empty page.
    void Show(const QString& path);
    // The file last given to Show.
    QString Path() const { return m_path; }
    QWebEngineView* View() const { return m_view; }

signals:
    // The load of the file last given to Show has ended; a dropped load says nothing.
    void DocumentShown(const QString& path, bool ok);

private:
    void LoadingChanged(const QWebEngineLoadingInfo& info);

    QWebEngineProfile* m_profile{nullptr};
    TPictureSchemeHandler* m_pictures{nullptr};
    QWebEngineView* m_view{nullptr};
    QString m_path;
    QUrl m_asked; // the URL the page was last asked to load
};
