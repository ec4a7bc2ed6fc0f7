#include "controls/VirtualListView.h"

#include "controls/VirtualListModel.h"
#include "controls/VirtualListViews.h"

#include <QApplication>
#include <QDate>
#include <QDrag>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSettings>
#include <QStackedLayout>
#include <QStyle>
#include <algorithm>

TVirtualListView::TVirtualListView(QWidget* parent) : QWidget(parent)
{
    m_model = new TVirtualListModel(this);
    CreateViews();
}

TVirtualListView::~TVirtualListView()
{
    SaveColumnSettings();
}

void TVirtualListView::CreateViews()
{
    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_report = new TReportView(this);
    m_icons = new TIconView(this);
    m_report->setModel(m_model);
    m_icons->setModel(m_model);
    QItemSelectionModel* old = m_icons->selectionModel();
    m_icons->setSelectionModel(m_report->selectionModel());
    delete old;
    m_stack->addWidget(m_report);
    m_stack->addWidget(m_icons);
    m_stack->setCurrentWidget(m_report);
    setFocusProxy(m_report);
    QItemSelectionModel* selection = m_report->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this, [this] {
        DropUnmarkable();
        if (!m_report->selectionModel()->hasSelection())
            m_marking = false; // the last mark went: the selection follows the cursor again
        if (OnChange)
            OnChange(this);
    });
    connect(selection, &QItemSelectionModel::currentChanged, this, [this] {
        if (OnChange)
            OnChange(this);
    });
}

void TVirtualListView::AddColumn(const QString& caption, int width, Qt::Alignment alignment)
{
    m_model->AddColumn({caption, width, alignment});
    m_report->header()->resizeSection(ColumnCount() - 1, width);
}

QString TVirtualListView::ColumnCaption(int column) const
{
    return m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

void TVirtualListView::SetColumnCaption(int column, const QString& caption)
{
    m_model->SetColumnCaption(column, caption);
}

int TVirtualListView::ColumnCount() const
{
    return int(m_model->Columns().size());
}

int TVirtualListView::ColumnWidth(int column) const
{
    return m_report->header()->sectionSize(column);
}

void TVirtualListView::SetColumnWidth(int column, int width)
{
    if (column >= 0 && column < ColumnCount())
        m_report->header()->resizeSection(column, std::max(0, width));
}

void TVirtualListView::SetExtendedStyles(TLVExtendedStyles styles)
{
    m_extendedStyles = styles & 0xFF;
    const bool fullRow = m_extendedStyles & lvxFullRowSelect;
    m_report->setAllColumnsShowFocus(fullRow);
    m_report->setSelectionBehavior(fullRow ? QAbstractItemView::SelectRows
                                           : QAbstractItemView::SelectItems);
    m_report->header()->setSectionsMovable(m_extendedStyles & lvxHeaderDragDrop);
}

void TVirtualListView::SetVirtualMode(bool on)
{
    if (on == m_virtualMode)
        return;
    SaveColumnSettings(); // a re-created list saves its columns like a destroyed one
    m_virtualMode = on;
    m_model->SetVirtual(on);
    m_lastHint = {};
}

void TVirtualListView::SetAutoSortAscending(bool on)
{
    if (on == m_autoSortAscending)
        return;
    m_autoSortAscending = on;
    m_currentSortAscending = on;
}

void TVirtualListView::SetViewStyle(TViewStyle style)
{
    if (style < vsIcon || style > vsReport)
        return;
    QWidget* before = ActiveView();
    const bool hadFocus = before->hasFocus();
    m_viewStyle = style;
    if (style == vsReport) {
        m_stack->setCurrentWidget(m_report);
    } else {
        m_icons->SetStyle(style);
        m_stack->setCurrentWidget(m_icons);
    }
    setFocusProxy(ActiveView());
    m_lastHint = {};
    if (hadFocus)
        ActiveView()->setFocus();
}

QWidget* TVirtualListView::ActiveView() const
{
    return m_viewStyle == vsReport ? static_cast<QWidget*>(m_report)
                                   : static_cast<QWidget*>(m_icons);
}

bool TVirtualListView::IsEditing() const
{
    return m_viewStyle == vsReport ? m_report->Editing() : m_icons->Editing();
}

int TVirtualListView::SetVirtualItemCount(int count, TLVCountFlags flags)
{
    const QPoint scroll = ScrollPosition();
    m_report->CancelPending();
    m_icons->CancelPending();
    m_marking = false;
    m_model->SetCount(count);
    m_lastHint = {};
    if (flags & cfNoScroll) {
        SetScrollPosition(scroll);
    } else {
        m_report->scrollToTop();
        m_icons->scrollToTop();
    }
    ActiveView()->update();
    return m_model->rowCount();
}

int TVirtualListView::ItemCount() const
{
    return m_model->rowCount();
}

bool TVirtualListView::IsItemSelected(int index) const
{
    return index >= 0 && index < ItemCount() &&
           m_report->selectionModel()->isSelected(m_model->index(index, 0));
}

std::vector<int> TVirtualListView::SelectedRows() const
{
    std::vector<int> rows;
    for (const QItemSelectionRange& range : m_report->selectionModel()->selection()) {
        if (range.left() != 0)
            continue; // with row selection every range covers column 0
        for (int r = range.top(); r <= range.bottom(); ++r)
            rows.push_back(r);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int TVirtualListView::SelectedCount() const
{
    return int(SelectedRows().size());
}

int TVirtualListView::GetFocusedIndex() const
{
    const QModelIndex current = m_report->selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

bool TVirtualListView::FocusItem(int index)
{
    QItemSelectionModel* selection = m_report->selectionModel();
    if (m_marking) {
        if (index < 0 || index >= ItemCount())
            return false;
        selection->setCurrentIndex(m_model->index(index, 0), QItemSelectionModel::NoUpdate);
        return true;
    }
    const int focused = GetFocusedIndex();
    if (focused < 0)
        selection->clearSelection();
    else
        SetItemSelected(focused, false);
    if (index < 0 || index >= ItemCount())
        return false;
    selection->setCurrentIndex(m_model->index(index, 0),
                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
    return true;
}

void TVirtualListView::ClearItemStates()
{
    m_marking = false;
    m_report->selectionModel()->clear();
}

void TVirtualListView::Repaint()
{
    m_lastHint = {};
    ActiveView()->update();
    static_cast<QAbstractItemView*>(ActiveView())->viewport()->update();
}

QPoint TVirtualListView::ScrollPosition() const
{
    const auto* view = static_cast<QAbstractItemView*>(ActiveView());
    return {view->horizontalScrollBar()->value(), view->verticalScrollBar()->value()};
}

void TVirtualListView::SetScrollPosition(QPoint position)
{
    // The scroll ranges follow the rows only once the view has laid them out.
    if (m_viewStyle == vsReport)
        m_report->LayOutNow();
    else
        m_icons->LayOutNow();
    auto* view = static_cast<QAbstractItemView*>(ActiveView());
    view->horizontalScrollBar()->setValue(position.x());
    view->verticalScrollBar()->setValue(position.y());
}

void TVirtualListView::SetSortIndicator(int column, bool ascending)
{
    QHeaderView* header = m_report->header();
    header->setSortIndicatorShown(column >= 0);
    header->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TVirtualListView::SetItemSelected(int index, bool selected)
{
    if (index < 0 || index >= ItemCount())
        return;
    m_report->selectionModel()->select(
        m_model->index(index, 0),
        (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
            QItemSelectionModel::Rows);
}

void TVirtualListView::EditItem(int index)
{
    if (index < 0 || index >= ItemCount())
        return;
    auto* view = static_cast<QAbstractItemView*>(ActiveView());
    view->edit(m_model->index(index, 0));
}

void TVirtualListView::SetMarking(bool on)
{
    m_marking = on && m_report->selectionModel()->hasSelection();
    DropUnmarkable();
}

void TVirtualListView::DropUnmarkable()
{
    if (m_marking && FirstRowUnmarkable && IsItemSelected(0))
        SetItemSelected(0, false);
}

void TVirtualListView::MarkFocused(bool moveDown)
{
    const int row = GetFocusedIndex();
    if (row < 0)
        return;
    if (!(row == 0 && FirstRowUnmarkable)) {
        // The first mark replaces the row selected only because the cursor stood on it.
        const bool mark = !m_marking || !IsItemSelected(row);
        if (!m_marking)
            m_report->selectionModel()->clearSelection();
        m_marking = true;
        SetItemSelected(row, mark);
    }
    if (!moveDown || row + 1 >= ItemCount())
        return;
    const QModelIndex next = m_model->index(row + 1, 0);
    m_report->selectionModel()->setCurrentIndex(next, QItemSelectionModel::NoUpdate);
    static_cast<QAbstractItemView*>(ActiveView())->scrollTo(next);
}

void TVirtualListView::MarkAll()
{
    const int first = FirstRowUnmarkable ? 1 : 0;
    if (ItemCount() <= first)
        return;
    m_marking = true;
    m_report->selectionModel()->select(
        QItemSelection(m_model->index(first, 0), m_model->index(ItemCount() - 1, 0)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TVirtualListView::SetMarks(const std::vector<int>& rows, int cursor)
{
    QItemSelectionModel* selection = m_report->selectionModel();
    m_marking = false;
    selection->clearSelection();
    if (rows.empty()) {
        FocusItem(cursor);
        return;
    }
    QItemSelection marks;
    for (size_t i = 0; i < rows.size();) {
        size_t end = i + 1; // a run of following rows is one range
        while (end < rows.size() && rows[end] == rows[end - 1] + 1)
            ++end;
        if (rows[i] >= 0 && rows[end - 1] < ItemCount())
            marks.select(m_model->index(rows[i], 0), m_model->index(rows[end - 1], 0));
        i = end;
    }
    m_marking = true;
    selection->select(marks, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (cursor >= 0 && cursor < ItemCount())
        selection->setCurrentIndex(m_model->index(cursor, 0), QItemSelectionModel::NoUpdate);
}

int TVirtualListView::FindCaption(const QString& text, int from) const
{
    const int count = ItemCount();
    for (int i = 0; i < count; ++i) {
        const int row = (std::max(0, from) + i) % count;
        if (m_model->index(row, 0)
                .data(TVirtualListModel::kCaptionRole)
                .toString()
                .startsWith(text, Qt::CaseInsensitive))
            return row;
    }
    return -1;
}

bool TVirtualListView::HandleMarkKey(const QKeyEvent* event)
{
    if (event->matches(QKeySequence::SelectAll)) {
        MarkAll();
        return true;
    }
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    // A space typed within a search by name belongs to the name.
    const bool searching =
        m_typeAhead.isValid() && m_typeAhead.elapsed() < QApplication::keyboardInputInterval();
    if (plain && event->key() == Qt::Key_Insert) {
        MarkFocused(true);
        return true;
    }
    if (plain && event->key() == Qt::Key_Space && !searching) {
        MarkFocused(false);
        return true;
    }
    if (!event->text().isEmpty() && event->text().at(0).isPrint())
        m_typeAhead.start();
    return false;
}

void TVirtualListView::AddItem(const QStringList& texts, int imageIndex)
{
    m_model->Items().push_back({texts, imageIndex});
    m_model->ResetItems();
}

void TVirtualListView::ClearItems()
{
    m_model->Items().clear();
    m_model->ResetItems();
}

QStringList TVirtualListView::ItemTexts(int index) const
{
    auto& items = m_model->Items();
    return index >= 0 && index < int(items.size()) ? items[size_t(index)].Texts : QStringList();
}

namespace
{

// Numbers compare numerically, dates in the short date format by day, anything else
// as locale-aware text.
int CompareTexts(const QString& a, const QString& b)
{
    bool okA = false, okB = false;
    const double na = a.toDouble(&okA), nb = b.toDouble(&okB);
    if (okA && okB)
        return na < nb ? -1 : (na > nb ? 1 : 0);
    const QLocale locale;
    const QDate da = locale.toDate(a, QLocale::ShortFormat),
                db = locale.toDate(b, QLocale::ShortFormat);
    if (da.isValid() && db.isValid())
        return int(da.daysTo(db) * -1);
    const int r = QString::localeAwareCompare(a, b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

} // namespace

void TVirtualListView::SortColumn(int column, bool ascending)
{
    auto& items = m_model->Items();
    const int direction = ascending ? 1 : -1;
    std::stable_sort(items.begin(), items.end(), [&](const auto& x, const auto& y) {
        const QString a = column < x.Texts.size() ? x.Texts[column] : QString();
        const QString b = column < y.Texts.size() ? y.Texts[column] : QString();
        return CompareTexts(a, b) * direction < 0;
    });
    m_model->ResetItems();
}

void TVirtualListView::AnnounceVisibleRange(int first, int last)
{
    if (!m_virtualMode || last < first)
        return;
    if (first == m_lastHint.iFrom && last == m_lastHint.iTo)
        return; // already announced; the owner keeps what it looked up
    m_lastHint = {first, last};
    if (OnODCacheHint) {
        TLVCacheHint hint{first, last};
        OnODCacheHint(this, hint);
    }
}

void TVirtualListView::NotifyColumnClick(int column)
{
    if (OnColumnClick)
        OnColumnClick(this, column);
    if (AutoColumnSort == TAutoColumnSort::acsSortToggle) {
        if (column == m_lastSortColumn)
            m_currentSortAscending = !m_currentSortAscending;
        else
            m_currentSortAscending = m_autoSortAscending;
    }
    if (AutoColumnSort == TAutoColumnSort::acsNoSort || m_virtualMode)
        return;
    if (column < ColumnCount()) {
        SortColumn(column, m_currentSortAscending);
        m_lastSortColumn = column;
    }
}

void TVirtualListView::NotifyMouse(QEvent* event)
{
    // The list that was pressed keeps the mouse while the button is held; the list
    // under the mouse is the one that hears about it.
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint global = mouse->globalPosition().toPoint();
    TVirtualListView* target = this;
    for (QWidget* under = QApplication::widgetAt(global); under; under = under->parentWidget()) {
        if (auto* list = qobject_cast<TVirtualListView*>(under)) {
            target = list;
            break;
        }
    }
    const TMouseEvent& handler =
        event->type() == QEvent::MouseMove ? target->OnMouseMove : target->OnMouseUp;
    if (handler)
        handler(target, mouse->buttons(), mouse->modifiers(), target->mapFromGlobal(global));
}

bool TVirtualListView::LeavesWindow(const QPoint& global) const
{
    const QWidget* top = window();
    return !top->rect().contains(top->mapFromGlobal(global));
}

void TVirtualListView::StartDragOut(QWidget* source)
{
    QMimeData* data = OnDragOut ? OnDragOut(this) : nullptr;
    if (!data)
        return;
    auto* drag = new QDrag(source);
    drag->setMimeData(data);
    const int side = style()->pixelMetric(QStyle::PM_LargeIconSize);
    drag->setPixmap(style()->standardIcon(QStyle::SP_FileIcon).pixmap(side, side));
    // Copies only: a program that takes the files never makes them vanish here.
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

void TVirtualListView::SetListCursor(const QCursor& cursor)
{
    static_cast<QAbstractItemView*>(ActiveView())->viewport()->setCursor(cursor);
}

void TVirtualListView::NotifyFocusIn()
{
    for (TVirtualListView* list : window()->findChildren<TVirtualListView*>())
        list->SetCurrentLook(list == this);
    if (OnEnter)
        OnEnter(this);
}

void TVirtualListView::SetCurrentLook(bool current)
{
    if (current == m_current)
        return;
    m_current = current;
    QPalette look; // the inherited one
    if (!current) {
        look = palette();
        // The palette's own inactive highlight, or a paler one when it has none.
        QColor muted = look.color(QPalette::Inactive, QPalette::Highlight);
        const QColor base = look.color(QPalette::Active, QPalette::Base);
        if (muted == look.color(QPalette::Active, QPalette::Highlight))
            muted = QColor((muted.red() * 2 + base.red() * 3) / 5,
                           (muted.green() * 2 + base.green() * 3) / 5,
                           (muted.blue() * 2 + base.blue() * 3) / 5);
        for (const auto group : {QPalette::Active, QPalette::Inactive}) {
            look.setColor(group, QPalette::Highlight, muted);
            look.setColor(group, QPalette::HighlightedText, look.color(group, QPalette::Text));
        }
    }
    m_report->setPalette(look);
    m_icons->setPalette(look);
}

void TVirtualListView::NotifyDoubleClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TVirtualListView::NotifyEdited(int row, const QString& text)
{
    if (!OnEdited)
        return;
    QString edited = text;
    OnEdited(this, row, edited);
}

void TVirtualListView::SelectEditedPart(QLineEdit* editor) const
{
    const QString text = editor->text();
    const int part =
        EditedPart ? std::clamp(EditedPart(text), 0, int(text.size())) : int(text.size());
    editor->setSelection(0, part);
}

void TVirtualListView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_settingsRestored) {
        m_settingsRestored = true;
        RestoreColumnSettings();
    }
}

namespace
{

QList<int> ReadNumbers(const QString& key, const QString& name, int count)
{
    QSettings settings;
    const QString text = settings.value(key + QStringLiteral("/Columns/") + name).toString();
    QList<int> numbers;
    if (text.isEmpty())
        return numbers;
    for (const QString& field : text.split(',').mid(0, count))
        numbers << field.trimmed().toInt(); // a field that does not convert counts as 0
    return numbers;
}

void WriteNumbers(const QString& key, const QString& name, const QList<int>& numbers)
{
    QStringList fields;
    for (int n : numbers)
        fields << QString::number(n);
    QSettings().setValue(key + QStringLiteral("/Columns/") + name, fields.join(','));
}

} // namespace

void TVirtualListView::RestoreColumnSettings()
{
    if (!SaveSettings.AutoSave || ColumnCount() == 0)
        return;
    QHeaderView* header = m_report->header();
    if (SaveSettings.SaveColumnOrder) {
        QList<int> order =
            ReadNumbers(SaveSettings.RegistryKey, QStringLiteral("Order"), ColumnCount());
        for (int i = 0; i < order.size(); ++i) {
            const int logical = order[i];
            if (logical >= 0 && logical < ColumnCount())
                header->moveSection(header->visualIndex(logical), i);
        }
    }
    if (SaveSettings.SaveColumnSizes) {
        const QList<int> sizes =
            ReadNumbers(SaveSettings.RegistryKey, QStringLiteral("Sizes"), ColumnCount());
        if (!sizes.isEmpty() && sizes.first() != -1)
            for (int i = 0; i < sizes.size(); ++i)
                header->resizeSection(i, sizes[i]);
    }
}

void TVirtualListView::SaveColumnSettings()
{
    if (!SaveSettings.AutoSave || ColumnCount() == 0)
        return;
    QHeaderView* header = m_report->header();
    if (SaveSettings.SaveColumnOrder) {
        QList<int> order;
        for (int visual = 0; visual < ColumnCount(); ++visual)
            order << header->logicalIndex(visual);
        WriteNumbers(SaveSettings.RegistryKey, QStringLiteral("Order"), order);
    }
    if (SaveSettings.SaveColumnSizes) {
        QList<int> sizes;
        for (int i = 0; i < ColumnCount(); ++i)
            sizes << header->sectionSize(i);
        WriteNumbers(SaveSettings.RegistryKey, QStringLiteral("Sizes"), sizes);
    }
}
