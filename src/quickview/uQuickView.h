#pragma once
// TfQuickView: the quick-view pane, shown in place of the other panel's list (Ctrl+Q).
// It shows what TQuickLoader loads of the file it is given: a text or binary file in the
// read-only paged view (TTextPage, text or hex, only the lines shown are read), a picture
// scaled to fit, or lines (an archive's members, a folder's count and bytes, why a file
// is not shown). The status line below says what is shown, or why not.
//
// Threads: the pane lives on the window's thread; the loads run on TQuickLoader's
// threads and come back as results that the pane takes only when they are of the file
// it was last given. The paged view reads its blocks on the window's thread, as F3 does,
// from a file the load has just read the first block of.

#include "quickview/QuickCore.h"
#include "viewers/PagedText.h"

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
    // Shows no file, only `text` (the ".." row, a member of an archive, ...).
    void ShowText(const QString& text);
    // Forgets the file shown and cancels its load (the pane is put away).
    void Clear();

    // Escape in the pane.
    std::function<void()> OnClose;

    // What the pane shows now.
    QString RequestedPath() const { return m_path; }
    const quickview::TQuickResult& Shown() const { return m_shown; }
    bool Loading() const { return m_loading; }
    QString StatusText() const;
    QImage Picture() const { return m_shown.Picture; }
    QString LinesText() const;
    TTextPage* Page() const { return m_page; }
    quickview::TQuickLoader& Loader() { return m_loader; }

protected:
    // A picture is loaded again for the pane's new size.
    void resizeEvent(QResizeEvent* event) override;

private:
    void Loaded(const quickview::TQuickResult& result);
    void ShowLines(const QStringList& lines);
    QSize PictureArea() const;

    QLabel* m_caption{nullptr};
    QStackedWidget* m_stack{nullptr};
    TTextPage* m_page{nullptr};
    QLabel* m_picture{nullptr};
    QPlainTextEdit* m_lines{nullptr};
    QLabel* m_status{nullptr};
    viewers::TPagedText m_text;
    quickview::TQuickLoader m_loader;
    quickview::TQuickResult m_shown;
    QString m_path;
    quickview::TDescriber m_describe;
    bool m_loading{false};
};
