#pragma once
// The two Qt views inside TVirtualListView: a report view with columns and an icon/list
// view. Both announce the rows they are about to paint to the list before painting,
// and pass focus, double clicks, Enter and mouse input on to it.
//
// Mouse rules of both views: a press on a selected row keeps the whole selection, so
// that a move drags all of it (the release without a move then acts as a click); a
// press on an unselected row selects it alone first; a rubber band starts only in empty
// space. A drag that leaves the window goes on as a drag of the desktop (the list's
// OnDragOut says what it carries). A slow second click on the current row of a list that already
// had the focus starts editing its caption; the click that gives a list the focus never does.

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QListView>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <utility>

class TVirtualListView;

// What both views share, over the Qt view they are made of.
template <typename TView> class TOwnedView : public TView
{
public:
    explicit TOwnedView(TVirtualListView* owner);
    // Forgets a pending press and a pending edit (the rows are about to change).
    void CancelPending();
    // True while a caption is being edited in place.
    bool Editing() const { return this->state() == QAbstractItemView::EditingState; }
    // Lays the rows out now, so that the scroll ranges fit them.
    void LayOutNow() { this->executeDelayedItemsLayout(); }
    // Type-ahead: the cursor goes to the next row whose whole caption starts with what
    // was typed within the keyboard input interval.
    void keyboardSearch(const QString& search) override;

protected:
    // The first and last rows on screen, the layout being up to date.
    virtual std::pair<int, int> VisibleRows() = 0;

    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // URLs another program drags here go to the list's owner; the list's own drag is no
    // drop on itself.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // A new editor starts with the part of its text that the list names selected.
    bool edit(const QModelIndex& index, QAbstractItemView::EditTrigger trigger,
              QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    // With marks, moves of the cursor by keys and type-ahead leave the selection alone.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

    TVirtualListView* m_owner;

private:
    // A left press on a row, until its release.
    struct TPress {
        int Row{-1};
        QPoint Pos;
        Qt::KeyboardModifiers Modifiers;
        bool KeptSelection{false}; // the press left the selection as it was
        bool ArmsEdit{false};      // a click here may start editing the caption
        bool Moved{false};         // the mouse moved far enough to be a drag
    };
    void StartPendingEdit();

    TPress m_press;
    bool m_focusByMouse{false};
    int m_editRow{-1};
    QTimer m_editTimer;
    QString m_search;
    QElapsedTimer m_searchTime;
};

class TReportView final : public TOwnedView<QTreeView>
{
public:
    explicit TReportView(TVirtualListView* owner);

protected:
    std::pair<int, int> VisibleRows() override;
};

class TIconView final : public TOwnedView<QListView>
{
public:
    explicit TIconView(TVirtualListView* owner);
    // Lays the items out for large icons, small icons or a list (the view styles 0-2).
    void SetStyle(int style);

protected:
    std::pair<int, int> VisibleRows() override;
    // A new font gives new cell sizes.
    void changeEvent(QEvent* event) override;

private:
    int m_style{0};
};

// Cells of the icon view: every item has the size of its grid cell and shows the item's
// whole caption; large icons carry it centred below the icon on at most two lines.
class TIconDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize Cell;
    bool Large{false};

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
