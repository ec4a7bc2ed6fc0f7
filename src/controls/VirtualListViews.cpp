#include "controls/VirtualListViews.h"

#include "controls/VirtualListView.h"

#include <QHeaderView>
#include <QMouseEvent>

namespace
{

bool IsMouseEvent(QEvent::Type type)
{
    return type == QEvent::MouseMove || type == QEvent::MouseButtonRelease;
}

// Enter opens the focused row as a double click does.
bool IsOpenKey(const QKeyEvent* event)
{
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

} // namespace

template <typename TView>
TOwnedView<TView>::TOwnedView(TVirtualListView* owner) : TView(owner), m_owner(owner)
{
    this->setSelectionMode(QAbstractItemView::ExtendedSelection);
    this->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    // A press on a selected row keeps the selection, so that it can be dragged.
    this->setDragEnabled(true);
}

template <typename TView> void TOwnedView<TView>::paintEvent(QPaintEvent* event)
{
    if (this->model() && this->model()->rowCount() > 0) {
        this->executeDelayedItemsLayout();
        const auto [first, last] = VisibleRows();
        m_owner->AnnounceVisibleRange(first, last);
    }
    TView::paintEvent(event);
}

template <typename TView> void TOwnedView<TView>::focusInEvent(QFocusEvent* event)
{
    TView::focusInEvent(event);
    m_owner->NotifyFocusIn();
}

template <typename TView> void TOwnedView<TView>::mouseDoubleClickEvent(QMouseEvent* event)
{
    TView::mouseDoubleClickEvent(event);
    m_owner->NotifyDoubleClick();
}

template <typename TView> void TOwnedView<TView>::keyPressEvent(QKeyEvent* event)
{
    if (IsOpenKey(event) && this->state() != QAbstractItemView::EditingState)
        m_owner->NotifyDoubleClick();
    else
        TView::keyPressEvent(event);
}

template <typename TView> bool TOwnedView<TView>::viewportEvent(QEvent* event)
{
    const bool result = TView::viewportEvent(event);
    if (IsMouseEvent(event->type()))
        m_owner->NotifyMouse(event);
    return result;
}

template class TOwnedView<QTreeView>;
template class TOwnedView<QListView>;

TReportView::TReportView(TVirtualListView* owner) : TOwnedView<QTreeView>(owner)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setTextElideMode(Qt::ElideRight);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int column) { m_owner->NotifyColumnClick(column); });
}

std::pair<int, int> TReportView::VisibleRows()
{
    // Rows have one height: two look-ups in the first visible column give the range;
    // below the last row the range is bounded by the rows that fit the viewport.
    const int rows = model()->rowCount();
    const int column = std::max(0, header()->logicalIndexAt(0));
    const int x = std::max(0, columnViewportPosition(column)) + 1;
    const int first = std::max(0, indexAt(QPoint(x, 0)).row());
    int last = indexAt(QPoint(x, viewport()->height() - 1)).row();
    if (last < first) {
        const int rowHeight = std::max(1, sizeHintForRow(first));
        last = std::min(rows - 1, first + viewport()->height() / rowHeight + 1);
    }
    return {first, last};
}

TIconView::TIconView(TVirtualListView* owner) : TOwnedView<QListView>(owner)
{
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(2000);
    setResizeMode(QListView::Adjust);
}

std::pair<int, int> TIconView::VisibleRows()
{
    // Icon layouts leave gaps between items: scan a coarse grid of points from each end.
    const QRect r = viewport()->rect();
    const int dy = std::max(4, r.height() / 40), dx = std::max(8, r.width() / 20);
    int first = -1, last = -1;
    for (int y = 0; y < r.height() && first < 0; y += dy)
        for (int x = 0; x < r.width() && first < 0; x += dx)
            first = indexAt(QPoint(x, y)).row();
    for (int y = r.height() - 1; y >= 0 && last < 0; y -= dy)
        for (int x = r.width() - 1; x >= 0 && last < 0; x -= dx)
            last = indexAt(QPoint(x, y)).row();
    first = std::max(first, 0);
    if (last < first)
        last = std::min(model()->rowCount() - 1, first + 2000); // never more than a screen
    return {first, last};
}
