#pragma once
// TVirtualListView: the list control of both file panels. In virtual mode it holds no
// items of its own, only a row count, and asks its owner for every visible cell
// (OnODGetItemInfo) after announcing the range about to be painted (OnODCacheHint).
// One model serves two views that share one selection: a report view with columns
// (details) and an icon/list view (large icons, small icons, list), so switching the
// view style never touches data or selection. Used on the user-interface thread only.

#include <QElapsedTimer>
#include <QIcon>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <vector>

class QItemSelectionModel;
class QKeyEvent;
class QLineEdit;
class QMimeData;
class QStackedLayout;
class TVirtualListModel;
class TReportView;
class TIconView;

// What the list wants for one cell (the bits of the classic item-record mask).
// omCaption asks for the item's whole caption: the label of the views without columns
// and the text that type-ahead matches (the first column may show only part of it).
// omEdit asks for the text an in-place edit of the item starts with.
enum TLVODMaskItem : unsigned {
    omText = 1,
    omImage = 2,
    omParam = 4,
    omState = 8,
    omIndent = 16,
    omCaption = 32,
    omEdit = 64,
};
using TLVODMaskItems = unsigned;

// Extended list styles; element i is bit 2^i.
enum TLVExtendedStyle : unsigned {
    lvxGridLines = 0x01,
    lvxSubItemImages = 0x02,
    lvxCheckboxes = 0x04,
    lvxTrackSelect = 0x08,
    lvxHeaderDragDrop = 0x10,
    lvxFullRowSelect = 0x20,
    lvxOneClickActivate = 0x40,
    lvxTwoClickActivate = 0x80,
};
using TLVExtendedStyles = unsigned;

enum TLVCountFlag : unsigned { cfNoInvalidateAll = 1, cfNoScroll = 2 };
using TLVCountFlags = unsigned;

enum class TAutoColumnSort { acsNoSort, acsSort, acsSortToggle };

// View styles as the panels store them.
enum TViewStyle : int { vsIcon = 0, vsSmallIcon = 1, vsList = 2, vsReport = 3 };

// The range of rows about to be asked for, both ends included.
struct TLVCacheHint {
    int iFrom{0};
    int iTo{-1};
};

struct TLVODStateChange {
    int iFrom{0};
    int iTo{-1};
    unsigned uNewState{0};
    unsigned uOldState{0};
};

struct TLVFindItem {
    int iStart{0};
    QString Text;
};

// Column order and widths kept under a QSettings key when AutoSave is on.
struct TListViewSaveSettings {
    bool AutoSave{false};
    QString RegistryKey;
    bool SaveColumnOrder{true};
    bool SaveColumnSizes{true};
};

class TVirtualListView final : public QWidget
{
    Q_OBJECT

public:
    using TODGetItemInfoEvent =
        std::function<void(TVirtualListView* sender, int item, int subItem, TLVODMaskItems mask,
                           int& image, int& param, int& state, int& indent, QString& text)>;
    using TODCacheHintEvent = std::function<void(TVirtualListView* sender, TLVCacheHint& hint)>;
    using TODFindItemEvent =
        std::function<void(TVirtualListView* sender, TLVFindItem& find, bool& found)>;
    using TODStateChangedEvent =
        std::function<void(TVirtualListView* sender, TLVODStateChange& change)>;
    using TNotifyEvent = std::function<void(TVirtualListView* sender)>;
    using TColumnClickEvent = std::function<void(TVirtualListView* sender, int column)>;
    using TEditedEvent = std::function<void(TVirtualListView* sender, int item, QString& text)>;
    using TMouseEvent = std::function<void(TVirtualListView* sender, Qt::MouseButtons buttons,
                                           Qt::KeyboardModifiers modifiers, QPoint pos)>;

    explicit TVirtualListView(QWidget* parent = nullptr);
    ~TVirtualListView() override;

    // Columns of the report view (the first one is the item's caption).
    void AddColumn(const QString& caption, int width, Qt::Alignment alignment = Qt::AlignLeft);
    int ColumnCount() const;
    // The header text of a column, and setting it (the column keeps its width).
    QString ColumnCaption(int column) const;
    void SetColumnCaption(int column, const QString& caption);
    int ColumnWidth(int column) const;
    void SetColumnWidth(int column, int width);

    // Properties.
    TLVExtendedStyles ExtendedStyles() const { return m_extendedStyles; }
    void SetExtendedStyles(TLVExtendedStyles styles);
    bool VirtualMode() const { return m_virtualMode; }
    void SetVirtualMode(bool on);
    TAutoColumnSort AutoColumnSort{TAutoColumnSort::acsNoSort};
    bool AutoSortAscending() const { return m_autoSortAscending; }
    void SetAutoSortAscending(bool on);
    TListViewSaveSettings SaveSettings;
    TViewStyle ViewStyle() const { return m_viewStyle; }
    void SetViewStyle(TViewStyle style);
    // Turns the icon indexes of cells into pictures (the application's icon list).
    std::function<QIcon(int index)> ImageProvider;

    // Events (each is optional).
    TODGetItemInfoEvent OnODGetItemInfo;
    TODCacheHintEvent OnODCacheHint;
    TODFindItemEvent OnODFindItem;
    TODStateChangedEvent OnODStateChanged;
    std::function<void(TVirtualListView*, bool& canBegin)> OnMarqueeBegin;
    TNotifyEvent OnItemActivate;
    TColumnClickEvent OnColumnClick;
    TNotifyEvent OnChange;   // selection or focus changed
    TNotifyEvent OnDblClick; // double click anywhere on the list
    TNotifyEvent OnEnter;    // the list received the keyboard focus
    TEditedEvent OnEdited;   // in-place editing of an item's caption ended
    // How many characters from the start of an in-place edit's text are selected when
    // the edit starts (the rest is left as it is); the whole text when unset.
    std::function<int(const QString& text)> EditedPart;
    TMouseEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    // URLs another program dropped on the list, and whether to move them (UrlDrops.h);
    // unset, the list takes no drops.
    std::function<void(TVirtualListView*, const QList<QUrl>& urls, bool move)> OnUrlsDropped;
    // What a drag of the list's rows carries once it leaves the window (the caller owns
    // it); null or unset, nothing leaves.
    std::function<QMimeData*(TVirtualListView*)> OnDragOut;

    // Sets the row count of a virtual list; the list asks for all visible cells again.
    // cfNoScroll keeps the scroll position. The item states (marks and cursor) go.
    // Returns the count set.
    int SetVirtualItemCount(int count, TLVCountFlags flags);
    int ItemCount() const;
    bool IsItemSelected(int index) const;
    int SelectedCount() const;
    // Rows that are selected, in ascending order. Cost: O(selected ranges + result).
    std::vector<int> SelectedRows() const;
    // The focused row, or -1.
    int GetFocusedIndex() const;
    // Puts the cursor on `index`. Without marks the cursor's row is the selection: the
    // focused row (every row when none has the focus) is deselected and `index` selected.
    // With marks they stay as they are. Returns false when `index` is not a row.
    bool FocusItem(int index);
    // Asks for every visible cell again; rows, item states and scroll position stay.
    void Repaint();
    // The scroll position of the view shown, and setting it back (clamped to the rows).
    QPoint ScrollPosition() const;
    void SetScrollPosition(QPoint position);
    // Shows an arrow for the sort order in a column header (-1: none).
    void SetSortIndicator(int column, bool ascending);
    // Drops every item state (selection and focus).
    void ClearItemStates();
    // Selects or deselects one row without moving the focus.
    void SetItemSelected(int index, bool selected);
    // The cursor shown while the mouse is over the list.
    void SetListCursor(const QCursor& cursor);
    // Starts in-place editing of a row's caption.
    void EditItem(int index);
    // True while a caption is being edited in place.
    bool IsEditing() const;
    // Marks. Without marks the selection follows the cursor (a plain click or a cursor
    // key selects one row). Marking a row (Insert, Space, Ctrl or Shift with a click or a
    // cursor key, a rubber band, Ctrl+A) starts the marks: from then on the cursor moves
    // by keys and type-ahead without changing the selection, until a plain click selects
    // one row again or the last mark goes. Row 0 is never marked while FirstRowUnmarkable
    // holds (the owner's ".." row).
    bool Marking() const { return m_marking; }
    void SetMarking(bool on);
    bool FirstRowUnmarkable{false};
    // Marks or unmarks the focused row (Space); with `moveDown` the focus then moves to
    // the next row (Insert).
    void MarkFocused(bool moveDown);
    // Marks every row (Ctrl+A).
    void MarkAll();
    // Marks exactly `rows` (ascending) and puts the cursor on `cursor` without changing
    // them; with no rows, the cursor's row is selected alone.
    void SetMarks(const std::vector<int>& rows, int cursor);
    // The row whose whole caption starts with `text` (case-insensitive), searching from
    // `from` on and wrapping round; -1 when none.
    int FindCaption(const QString& text, int from) const;

    // Items of a non-virtual list (each item is its column texts and an icon index).
    void AddItem(const QStringList& texts, int imageIndex = 0);
    void ClearItems();
    QStringList ItemTexts(int index) const;
    // Sorts the own items by a column: numbers numerically, dates by day, else text.
    void SortColumn(int column, bool ascending);

    // The view that currently shows the list (for tests and focus handling).
    QWidget* ActiveView() const;
    // Rows the last cache hint announced (inclusive); for the panels' bookkeeping.
    TLVCacheHint LastCacheHint() const { return m_lastHint; }

    // Called by the views just before they paint: announces the visible range.
    void AnnounceVisibleRange(int first, int last);
    // Called by the views for input the owner sees.
    void NotifyColumnClick(int column);
    void NotifyMouse(QEvent* event);
    // True when `global` is outside the list's window.
    bool LeavesWindow(const QPoint& global) const;
    // Carries what OnDragOut gives out as a drag of the desktop, from `source` (a view);
    // returns when it is dropped or abandoned.
    void StartDragOut(QWidget* source);
    void NotifyFocusIn();
    void NotifyDoubleClick();
    void NotifyEdited(int row, const QString& text);
    // Selects the part of a new in-place editor's text that EditedPart names.
    void SelectEditedPart(QLineEdit* editor) const;
    // Space and Insert mark rows; true when the key was used.
    bool HandleMarkKey(const QKeyEvent* event);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateViews();
    void RestoreColumnSettings();
    void SaveColumnSettings();
    void SetCurrentLook(bool current);
    void DropUnmarkable();

    TVirtualListModel* m_model{nullptr};
    TReportView* m_report{nullptr};
    TIconView* m_icons{nullptr};
    QStackedLayout* m_stack{nullptr};
    TLVExtendedStyles m_extendedStyles{0};
    bool m_virtualMode{false};
    bool m_autoSortAscending{true};
    bool m_currentSortAscending{true};
    int m_lastSortColumn{-1};
    TViewStyle m_viewStyle{vsReport};
    TLVCacheHint m_lastHint;
    bool m_settingsRestored{false};
    bool m_current{true};      // last to have the focus in its window: full highlight colour
    bool m_marking{false};     // the selection is the user's marks, not the cursor's row
    QElapsedTimer m_typeAhead; // since the last letter typed for the views' search
};
