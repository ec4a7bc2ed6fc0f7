#pragma once
// TfQuickView: the quick-view pane, shown in place of the other panel's list (Ctrl+Q).
// It shows what TQuickLoader loads of the file it is given: a text or binary file in the
// read-only paged view (TTextPage, text or hex, only the lines shown are read), a picture
// scaled to fit, an HTML file as a page of the HTML module (asked for on the first HTML
// file; without it the source shows as text), or lines (an archive's members, a folder's
// count and bytes, why a file is not shown). The status line below says what is shown, or
// why not.
//
// Threads: the pane lives on the window's thread; the loads run on TQuickLoader's
// threads and come back as results that the pane takes only when they are of the file
// it was last given. The paged view reads its blocks on the window's thread, as F3 does,
// from a file the load has just read the first block of.

#include "modules/ViewerModule.h"
#include "quickview/QuickCore.h"
#include "viewers/PagedText.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QStackedWidget;
class TTextPage;

class TfQuickView final : public QWidget
{
    Q_OBJECT
public:
    explicit TfQuickView(QWidget* parent = nullptr);

    // Shows `path` (loaded in the background), described by `describe` when it is set;
    // the same path again does nothing.
    void ShowFile(const QString& path, const quickview::TDescriber& describe = {});
    // Shows a member of an archive from a private copy that its load makes; the copy goes
    // when the pane shows something else or is cleared.
    void ShowMember(const quickview::TMemberSource& member,
                    const quickview::TDescriber& describe = {});
    // Shows no file, only `text` (the ".." row, a member of an archive, ...).
    void ShowText(const QString& text);
    // Forgets the file shown and cancels its load (the pane is put away).
    void Clear();

    // Escape in the pane.
    std::function<void()> OnClose;
    // The module of HTML pages, asked for once (again after Clear) when the first HTML
    // file is to be shown; null, with `why` saying why, when it cannot be loaded. Unset:
    // HTML files show as their source.
    std::function<TViewerModule*(QString* why)> HtmlModule;

    // What the pane shows now.
    QString RequestedPath() const { return m_path; }
    const quickview::TQuickResult& Shown() const { return m_shown; }
    bool Loading() const { return m_loading; }
    QString StatusText() const;
    QImage Picture() const { return m_shown.Picture; }
    QString LinesText() const;
    TTextPage* Page() const { return m_page; }
    // The HTML module's page, once made; whether it is the one shown.
    QWidget* HtmlPage() const { return m_html; }
    bool ShowsHtmlPage() const;
    quickview::TQuickLoader& Loader() { return m_loader; }

protected:
    // A picture is loaded again for the pane's new size.
    void resizeEvent(QResizeEvent* event) override;

private:
    void Loaded(const quickview::TQuickResult& result);
    void ShowLines(const QStringList& lines);
    void Request(const QString& path, const quickview::TDescriber& describe,
                 const quickview::TMemberSource& member);
    bool ShowPage(const QString& path);
    void ShowSource(const quickview::TQuickResult& result);
    void LeavePage();
    void KeepActive(const QPointer<QWidget>& focus);
    QSize PictureArea() const;

    QLabel* m_caption{nullptr};
    QStackedWidget* m_stack{nullptr};
    TTextPage* m_page{nullptr};
    QLabel* m_picture{nullptr};
    QPlainTextEdit* m_lines{nullptr};
    QWidget* m_html{nullptr}; // made by m_htmlModule
    TViewerModule* m_htmlModule{nullptr};
    bool m_htmlAsked{false};
    QString m_htmlWhy; // why there is no page
    QLabel* m_status{nullptr};
    viewers::TPagedText m_text;
    quickview::TQuickLoader m_loader;
    quickview::TQuickResult m_shown;
    QString m_path;
    quickview::TDescriber m_describe;
    quickview::TMemberSource m_member;
    bool m_loading{false};
};
