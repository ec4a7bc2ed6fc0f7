#pragma once
// TfTextView: the read-only view of a file of any size (F3 on a text). The file is paged
// through TPagedText: only the lines around what is shown are read, so a file of many
// gigabytes opens at once. Text or hex (H), lines wrapped or not (W), any encoding of
// TextEncodings.h (the guess from the first block first); a file with NULs in its first
// block that is not UTF-16 opens in hex. Search (Ctrl+F, F3 / Shift+F3) runs on a worker
// thread with its own reader, shows its progress and stops on Escape. F5 reads the file
// again (a file that grew). Whole lines are selected with the mouse or Shift+Up/Down and
// copied with Ctrl+C.
//
// Threads: the window and its TPagedText live on the user-interface thread; a search runs
// through QtConcurrent on the global pool and never touches the window; closing the window
// cancels it and waits for it.

#include "viewers/PagedText.h"

#include <QAbstractScrollArea>
#include <QFutureWatcher>
#include <QMainWindow>
#include <QStringList>
#include <atomic>
#include <vector>

class QAction;
class QActionGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTimer;

// The page: draws the rows from Top(), in text or hex.
class TTextPage final : public QAbstractScrollArea
{
    Q_OBJECT
public:
    static constexpr int HexRow = 16; // bytes per hex row

    TTextPage(viewers::TPagedText& text, QWidget* parent);

    bool Hex() const { return m_hex; }
    void SetHex(bool hex);
    bool Wrap() const { return m_wrap; }
    void SetWrap(bool wrap);
    qint64 Top() const { return m_top; }
    void SetTop(qint64 offset);     // shows the line (or hex row) holding `offset` first
    void ShowOffset(qint64 offset); // scrolls only when `offset` is not in view
    void SetMatch(qint64 offset, qint64 length);
    qint64 MatchOffset() const { return m_matchOffset; }
    // What the rows show now, one string a row (a hex row: offset, bytes, characters).
    QStringList VisibleRows();
    qint64 VisibleEnd(); // the offset just past the last row shown
    QString SelectedText();
    void Reload(); // after the encoding or the file's size changed

signals:
    void Moved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct TRow {
        qint64 Line; // the line's (or hex row's) first byte
        qint64 End;  // just past its last byte
        int From;    // index in the line of the row's first character
        QString Text;
    };
    std::vector<TRow> Layout();
    QString HexText(qint64 offset, const QByteArray& bytes) const;
    int RowsShown() const;
    int Columns() const;
    void ScrollLines(int lines);
    void ToEnd();
    void MoveCursor(int lines, bool select);
    qint64 LineAt(QPoint at);
    void SyncScrollBars();
    void ScrollBarMoved(int value);
    void Changed();

    viewers::TPagedText& m_text;
    bool m_hex{false};
    bool m_wrap{false};
    qint64 m_top{0};
    int m_left{0}; // characters scrolled off to the left when lines are not wrapped
    qint64 m_cursor{0};
    qint64 m_anchor{-1}; // first line of the selection, -1 when none
    qint64 m_matchOffset{-1};
    qint64 m_matchLength{0};
    bool m_syncing{false};
    int m_widest{0};
};

class TfTextView final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfTextView)
public:
    explicit TfTextView(QWidget* owner);
    ~TfTextView() override;

    // Opens `fileName` in a new view owned by `owner` and shows it; a file that cannot be
    // read opens nothing, says why ("Cannot read the file NAME: REASON") and gives null.
    static TfTextView* Open(QWidget* owner, const QString& fileName);

    viewers::TPagedText& Text() { return m_text; }
    bool Searching() const;
    QString StatusText() const;

    // Components, owned by the window.
    TTextPage* Page{nullptr};
    QWidget* FindBar{nullptr};
    QLineEdit* FindEdit{nullptr};
    QCheckBox* MatchCase{nullptr};
    QLabel* FindStatus{nullptr};
    QLabel* Status{nullptr};
    QAction* MenuHex{nullptr};
    QAction* MenuWrap{nullptr};
    QAction* MenuReload{nullptr};
    QActionGroup* EncodingGroup{nullptr};

private:
    bool Load(const QString& fileName, QString* why);
    void BuildMenu();
    void BuildFindBar();
    void ShowFind();
    void Find(bool backward);
    void SearchDone();
    void SearchProgress();
    void Escape();
    void ChooseEncoding(QAction* action);
    void UpdateStatus();

    viewers::TPagedText m_text;
    QFutureWatcher<viewers::TSearchResult> m_search;
    std::atomic<bool> m_cancel{false};
    std::atomic<qint64> m_scanned{0};
    qint64 m_searchTotal{0};
    QTimer* m_progress{nullptr};
};
