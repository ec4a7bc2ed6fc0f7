#include "controls/VirtualListViews.h"

#include "controls/VirtualListView.h"

#include "controls/UrlDrops.h"
#include "controls/VirtualListModel.h"

#include <QApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTextLayout>

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

// The first number of [from, to) for which `matches` is false; `matches` holds for a
// leading run of the range and for nothing after it.
template <typename TPredicate> int FirstNotMatching(int from, int to, TPredicate matches)
{
    while (from < to) {
        const int middle = from + (to - from) / 2;
        if (matches(middle))
            from = middle + 1;
        else
            to = middle;
    }
    return from;
}

// A label on at most two lines of `width`: the first as it wraps, the rest elided.
QString TwoLines(const QString& text, const QFont& font, int width)
{
    QTextLayout layout(text, font);
    layout.setTextOption(QTextOption(Qt::AlignHCenter));
    layout.beginLayout();
    QTextLine first = layout.createLine();
    if (first.isValid())
        first.setLineWidth(width);
    layout.endLayout();
    const int cut = first.isValid() ? first.textLength() : int(text.size());
    if (cut >= text.size())
        return text;
    return text.left(cut).trimmed() + QChar::LineSeparator +
           QFontMetrics(font).elidedText(text.mid(cut).trimmed(), Qt::ElideRight, width);
}

} // namespace

template <typename TView>
TOwnedView<TView>::TOwnedView(TVirtualListView* owner) : TView(owner), m_owner(owner)
{
    this->setSelectionMode(QAbstractItemView::ExtendedSelection);
    this->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Editing starts from F2 or from the slow second click handled below.
    this->setEditTriggers(QAbstractItemView::EditKeyPressed);
    this->setAcceptDrops(true);
    m_editTimer.setSingleShot(true);
    QObject::connect(&m_editTimer, &QTimer::timeout, this, [this] { StartPendingEdit(); });
}

template <typename TView> void TOwnedView<TView>::CancelPending()
{
    m_press = {};
    m_editTimer.stop();
}

template <typename TView> void TOwnedView<TView>::keyboardSearch(const QString& search)
{
    if (search.isEmpty() || !this->model() || this->model()->rowCount() == 0)
        return;
    const bool goesOn =
        m_searchTime.isValid() && m_searchTime.elapsed() < QApplication::keyboardInputInterval();
    m_searchTime.start();
    // A new search starts after the cursor, so a letter typed again steps to the next
    // name; more letters of the same search may still match the cursor's row.
    m_search = goesOn ? m_search + search : search;
    const int current = this->currentIndex().isValid() ? this->currentIndex().row() : -1;
    const int row = m_owner->FindCaption(m_search, goesOn ? std::max(0, current) : current + 1);
    if (row < 0)
        return;
    const QModelIndex index = this->model()->index(row, 0);
    this->selectionModel()->setCurrentIndex(index, selectionCommand(index, nullptr));
    this->scrollTo(index);
}

template <typename TView>
QItemSelectionModel::SelectionFlags TOwnedView<TView>::selectionCommand(const QModelIndex& index,
                                                                        const QEvent* event) const
{
    const bool byKey = !event || event->type() == QEvent::KeyPress;
    const bool shift = event && event->type() == QEvent::KeyPress &&
                       (static_cast<const QKeyEvent*>(event)->modifiers() & Qt::ShiftModifier);
    if (m_owner->Marking() && byKey && !shift)
        return QItemSelectionModel::NoUpdate;
    return TView::selectionCommand(index, event);
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
    m_focusByMouse = event->reason() == Qt::MouseFocusReason;
    TView::focusInEvent(event);
    m_owner->NotifyFocusIn();
}

template <typename TView> void TOwnedView<TView>::focusOutEvent(QFocusEvent* event)
{
    m_editTimer.stop();
    TView::focusOutEvent(event);
}

template <typename TView> void TOwnedView<TView>::mousePressEvent(QMouseEvent* event)
{
    m_editTimer.stop();
    const bool focusClick = std::exchange(m_focusByMouse, false);
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = this->indexAt(pos);
    m_press = {};
    if (event->button() != Qt::LeftButton || !index.isValid() ||
        this->state() == QAbstractItemView::EditingState) {
        TView::mousePressEvent(event);
        return;
    }
    QItemSelectionModel* selection = this->selectionModel();
    const bool selected = selection->isSelected(index);
    const bool marks = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
    m_press.Row = index.row();
    m_press.Pos = pos;
    m_press.Modifiers = event->modifiers();
    m_press.ArmsEdit = !focusClick && event->modifiers() == Qt::NoModifier && selected &&
                       this->currentIndex().row() == index.row();
    if (selected && !(event->modifiers() & Qt::ShiftModifier)) {
        m_press.KeptSelection = true;
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        return;
    }
    TView::mousePressEvent(event);
    // Ctrl or Shift marks; a plain click selects the one row.
    m_owner->SetMarking(marks);
}

template <typename TView> void TOwnedView<TView>::mouseMoveEvent(QMouseEvent* event)
{
    if (m_press.Row < 0 || !(event->buttons() & Qt::LeftButton)) {
        TView::mouseMoveEvent(event);
        return;
    }
    // A press on a row drags; it never draws a rubber band.
    if ((event->position().toPoint() - m_press.Pos).manhattanLength() >=
        QApplication::startDragDistance())
        m_press.Moved = true;
    // Out of the window the drag becomes one of the desktop's, which ends with its own
    // release: the press is over.
    if (m_press.Moved && m_owner->LeavesWindow(event->globalPosition().toPoint())) {
        m_press = {};
        m_owner->StartDragOut(this);
    }
}

template <typename TView> void TOwnedView<TView>::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_press.Row < 0 || event->button() != Qt::LeftButton) {
        const bool band =
            event->button() == Qt::LeftButton && this->state() != QAbstractItemView::EditingState;
        TView::mouseReleaseEvent(event);
        if (band)
            m_owner->SetMarking(true); // a rubber band marks what it covered
        return;
    }
    const TPress press = std::exchange(m_press, {});
    if (press.Moved)
        return; // a drag: the selection goes as it was
    const QModelIndex index = this->model()->index(press.Row, 0);
    if (press.KeptSelection) {
        // A click on a selected row: it alone stays selected, or Ctrl takes it out.
        const bool control = press.Modifiers & Qt::ControlModifier;
        const auto command =
            control ? QItemSelectionModel::Deselect : QItemSelectionModel::ClearAndSelect;
        this->selectionModel()->select(index, command | QItemSelectionModel::Rows);
        m_owner->SetMarking(control);
    }
    if (press.ArmsEdit && this->indexAt(event->position().toPoint()).row() == press.Row) {
        m_editRow = press.Row; // a double click within the interval cancels it
        m_editTimer.start(QApplication::doubleClickInterval());
    }
}

template <typename TView> void TOwnedView<TView>::StartPendingEdit()
{
    if (this->hasFocus() && this->currentIndex().row() == m_editRow &&
        this->state() != QAbstractItemView::EditingState)
        m_owner->EditItem(m_editRow);
}

template <typename TView> void TOwnedView<TView>::mouseDoubleClickEvent(QMouseEvent* event)
{
    TView::mouseDoubleClickEvent(event);
    CancelPending();
    m_owner->NotifyDoubleClick();
}

template <typename TView> void TOwnedView<TView>::keyPressEvent(QKeyEvent* event)
{
    m_editTimer.stop();
    if (this->state() == QAbstractItemView::EditingState)
        TView::keyPressEvent(event);
    else if (IsOpenKey(event))
        m_owner->NotifyDoubleClick();
    else if (!m_owner->HandleMarkKey(event)) {
        TView::keyPressEvent(event);
        if (event->modifiers() & Qt::ShiftModifier)
            m_owner->SetMarking(true); // Shift with a cursor key marks the rows it passes
    }
}

template <typename TView> void TOwnedView<TView>::dragEnterEvent(QDragEnterEvent* event)
{
    AcceptUrlDrag(event, m_owner->OnUrlsDropped && event->source() != this);
}

template <typename TView> void TOwnedView<TView>::dragMoveEvent(QDragMoveEvent* event)
{
    AcceptUrlDrag(event, m_owner->OnUrlsDropped && event->source() != this);
}

template <typename TView> void TOwnedView<TView>::dropEvent(QDropEvent* event)
{
    if (event->source() == this || !m_owner->OnUrlsDropped) {
        event->ignore();
        return;
    }
    TakeUrlDrop(event, [this](const QList<QUrl>& urls, bool move) {
        m_owner->OnUrlsDropped(m_owner, urls, move);
    });
}

template <typename TView>
bool TOwnedView<TView>::edit(const QModelIndex& index, QAbstractItemView::EditTrigger trigger,
                             QEvent* event)
{
    const bool editing = this->state() == QAbstractItemView::EditingState;
    if (!TView::edit(index, trigger, event))
        return false;
    // The view selected all of a new editor's text; the list says how much.
    if (auto* editor = qobject_cast<QLineEdit*>(this->indexWidget(index)); editor && !editing)
        m_owner->SelectEditedPart(editor);
    return true;
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
    setMovement(QListView::Static);
    setWrapping(true);
    setTextElideMode(Qt::ElideRight);
    setItemDelegate(new TIconDelegate(this));
}

void TIconView::SetStyle(int style)
{
    m_style = style;
    auto* delegate = static_cast<TIconDelegate*>(itemDelegate());
    const int line = fontMetrics().height();
    delegate->Large = style == 0;
    if (delegate->Large) {
        // Icon on top, the label centred below it on at most two lines.
        setViewMode(QListView::IconMode);
        setFlow(QListView::LeftToRight);
        setIconSize(QSize(32, 32));
        delegate->Cell =
            QSize(std::max(96, 8 * fontMetrics().averageCharWidth()), 32 + 2 * line + 12);
    } else {
        // Icon left of its label; small icons fill rows, the list fills columns.
        setViewMode(QListView::ListMode);
        setFlow(style == 1 ? QListView::LeftToRight : QListView::TopToBottom);
        setIconSize(QSize(16, 16));
        delegate->Cell =
            QSize(std::max(160, 22 * fontMetrics().averageCharWidth()), std::max(16, line) + 6);
    }
    setWrapping(true);
    setGridSize(delegate->Cell);
    scheduleDelayedItemsLayout();
}

void TIconView::changeEvent(QEvent* event)
{
    TOwnedView<QListView>::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        SetStyle(m_style);
}

std::pair<int, int> TIconView::VisibleRows()
{
    // Items follow each other along the flow and wrap into lines (rows of icons, or the
    // columns of a list), so the rows on screen are one run: two binary searches find
    // it. A row not laid out yet lies beyond the screen.
    const QRect area = viewport()->rect();
    const bool columns = flow() == QListView::TopToBottom;
    const auto rectOf = [this](int row) { return visualRect(model()->index(row, 0)); };
    const auto beforeScreen = [&](int row) {
        const QRect r = rectOf(row);
        return r.isValid() && (columns ? r.right() < area.left() : r.bottom() < area.top());
    };
    const auto notPastScreen = [&](int row) {
        const QRect r = rectOf(row);
        return r.isValid() && (columns ? r.left() <= area.right() : r.top() <= area.bottom());
    };
    const int first = FirstNotMatching(0, model()->rowCount(), beforeScreen);
    return {first, FirstNotMatching(first, model()->rowCount(), notPastScreen) - 1};
}

QSize TIconDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return Cell.isValid() ? Cell : QStyledItemDelegate::sizeHint(option, index);
}

void TIconDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->text = index.data(TVirtualListModel::kCaptionRole).toString();
    if (Large) {
        option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
        option->decorationAlignment = Qt::AlignHCenter | Qt::AlignVCenter;
        option->features |= QStyleOptionViewItem::WrapText;
        option->text = TwoLines(option->text, option->font, Cell.width() - 8);
    } else {
        option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        option->features &= ~QStyleOptionViewItem::WrapText;
    }
}
