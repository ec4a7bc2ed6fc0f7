#include "controls/VirtualListViews.h"

#include "controls/VirtualListView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace
{

bool IsMouseEvent(QEvent::Type type)
{
    return type == QEvent::MouseMove || type == QEvent::MouseButtonRelease;
}

// The first and last rows that cover the viewport of a view, scanning a few points
// because icon layouts leave gaps between items.
std::pair<int, int> VisibleRows(const QAbstractItemView* view, int rowCount)
{
    const QRect r = view->viewport()->rect();
    int first = -1, last = -1;
    const int dy = std::max(4, r.height() / 40), dx = std::max(8, r.width() / 20);
    for (int y = 0; y < r.height() && first < 0; y += dy)
        for (int x = 0; x < r.width() && first < 0; x += dx)
            first = view->indexAt(QPoint(x, y)).row();
    for (int y = r.height() - 1; y >= 0 && last < 0; y -= dy)
        for (int x = r.width() - 1; x >= 0 && last < 0; x -= dx)
            last = view->indexAt(QPoint(x, y)).row();
    if (first < 0)
        first = 0;
    if (last < 0 || last < first)
        last = std::min(rowCount - 1, first + 2000); // items never fill more than a screen

    return {first, last};
}

// Enter opens the focused row as a double click does.
bool IsOpenKey(const QKeyEvent* event)
{
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

} // namespace

TReportView::TReportView(TVirtualListView* owner) : QTreeView(owner), m_owner(owner)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setTextElideMode(Qt::ElideRight);
    // A press on a selected row keeps the selection, so that it can be dragged.
    setDragEnabled(true);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int column) { m_owner->NotifyColumnClick(column); });
}

void TReportView::paintEvent(QPaintEvent* event)
{
    if (model() && model()->rowCount() > 0) {
        executeDelayedItemsLayout();
        // Rows have one height: two look-ups in the first visible column give the range;
        // below the last row the range is bounded by the rows that fit the viewport.
        const int rows = model()->rowCount();
        const int column = std::max(0, header()->logicalIndexAt(0));
        const int x = std::max(0, columnViewportPosition(column)) + 1;
        const QModelIndex top = indexAt(QPoint(x, 0));
        const int first = std::max(0, top.row());
        int last = indexAt(QPoint(x, viewport()->height() - 1)).row();
        if (last < first) {
            const int rowHeight = std::max(1, sizeHintForRow(first));
            last = std::min(rows - 1, first + viewport()->height() / rowHeight + 1);
        }
        m_owner->AnnounceVisibleRange(first, last);
    }
    QTreeView::paintEvent(event);
}

void TReportView::focusInEvent(QFocusEvent* event)
{
    QTreeView::focusInEvent(event);
    m_owner->NotifyFocusIn();
}

void TReportView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    m_owner->NotifyDoubleClick();
}

void TReportView::keyPressEvent(QKeyEvent* event)
{
    if (IsOpenKey(event) && state() != EditingState)
        m_owner->NotifyDoubleClick();
    else
        QTreeView::keyPressEvent(event);
}

bool TReportView::viewportEvent(QEvent* event)
{
    const bool result = QTreeView::viewportEvent(event);
    if (IsMouseEvent(event->type()))
        m_owner->NotifyMouse(event);
    return result;
}

TIconView::TIconView(TVirtualListView* owner) : QListView(owner), m_owner(owner)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(2000);
    setResizeMode(QListView::Adjust);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setDragEnabled(true);
}

void TIconView::paintEvent(QPaintEvent* event)
{
    if (model() && model()->rowCount() > 0) {
        executeDelayedItemsLayout();
        const auto [first, last] = VisibleRows(this, model()->rowCount());
        m_owner->AnnounceVisibleRange(first, last);
    }
    QListView::paintEvent(event);
}

void TIconView::focusInEvent(QFocusEvent* event)
{
    QListView::focusInEvent(event);
    m_owner->NotifyFocusIn();
}

void TIconView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListView::mouseDoubleClickEvent(event);
    m_owner->NotifyDoubleClick();
}

void TIconView::keyPressEvent(QKeyEvent* event)
{
    if (IsOpenKey(event) && state() != EditingState)
        m_owner->NotifyDoubleClick();
    else
        QListView::keyPressEvent(event);
}

bool TIconView::viewportEvent(QEvent* event)
{
    const bool result = QListView::viewportEvent(event);
    if (IsMouseEvent(event->type()))
        m_owner->NotifyMouse(event);
    return result;
}
