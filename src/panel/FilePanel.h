#pragma once
// TFilePanel: one side of the main window. It owns the panel's place (folder, archive,
// drive list or remote folder), its listing, the read under way and the watch on what it
// shows, its tabs and their history, and its controls: the tab strip, the caption with
// the path line that stands in for it, the drive selector and free space, the list and
// the two status lines. What the panel does on its own lives in this folder, one unit
// per concern:
//   FilePanel.cpp        the controls and their layout, the caption, totals, free space
//   PanelViewState.cpp   cursor, marks, scroll position, the selection line, the cells
//   PanelReading.cpp     a folder read: the worker's part, the panel while it goes on
//                        in the background, a cancel, the rows taken in
//   PanelReadControl.cpp a read's course: started, waited for briefly, landed at once or
//                        in the background, read again when its folder changed meanwhile
//   PanelLive.cpp        the watch on what the panel shows, its changes read in when
//                        the panel is free, and a gone place left and said
//   PanelTabStrip.cpp    the tab strip showing the tabs model
//   PanelTabState.cpp    what the shown tab keeps of the panel, and takes back
//   PanelTabsControl.cpp where the panel stands, the shown tab's record and history of
//                        it, a tab opened, locked, closed or shown again, a history step
// The main window keeps the commands that act between panels and wires each panel's
// controls to them; the panel tells it about its list through the signals below, and
// asks it what a read or a tab needs from the window through its Owner (PanelOwner.h).

#include "fileops/uProgress.h"
#include "listing/FileListing.h"
#include "panel/FedResults.h"
#include "panel/PanelOwner.h"
#include "panel/PanelRead.h"
#include "panel/PanelTabs.h"
#include "platform/FileSystem.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPoint>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QShortcut;
class QWidget;
class TArchiveFolders;
class TPathLine;
class TReadOnlyArchive;
class TStatusLine;
class TTabStrip;
class TVirtualListView;
class TZipArchive;
namespace platform
{
class TFolderWatcher;
}

// What a re-read keeps of a panel's view: the cursor's entry (by name, else its row),
// the marked entries and the scroll position.
struct TPanelViewState {
    QString Cursor;
    int CursorRow{-1};
    QStringList Marks; // empty: none marked
    QPoint Scroll;
    // Entries renamed since, as the panel's watch saw it (old name to new): the cursor
    // and the marks follow them.
    QHash<QString, QString> Renamed;
    // The re-read follows another program's change: a cursor whose entry is gone moves
    // to the row where it stood, and that move is kept as the panel's CursorJump.
    bool ByOtherProgram{false};
};

class TFilePanel final : public QObject
{
    Q_OBJECT

public:
    TFilePanel() = default;

    // Builds the panel's controls in a widget of their own (Panel), under `parent`.
    QWidget* CreateControls(QWidget* parent);

    // A read (PanelReading.cpp). ShowReading: the read's caption and
    // "Reading… N entries" in place of the rows, keeping in `read` what it replaced;
    // ShowAgain brings that back. TakeListing: the read's rows become the panel's (true
    // when the Size column widened). EndRead: abandons the read under way and shows
    // the panel as before it (false: there was none).
    using TReadOptions = TPanelReadOptions;
    // StartRead: asks the place of Directory (from the owner) to list it, on a worker
    // or by its own asynchronous listing, sorted, gives the list its row count, then
    // calls `then`. A worker's read within 200 ms all happens before it returns (timers
    // and painting go on meanwhile, no input). A longer or asynchronous read goes on in
    // the background (ShowReading) and lands when done, unless the owner says it may not
    // yet (LandIfDone then). A new read replaces one under way; `restarts` counts the
    // reads of a folder that changed while it was read. LandInBackground: a finished
    // background read lands without moving the focus or making this panel active.
    void StartRead(std::function<void()> then = {}, int restarts = 0);
    void LandInBackground();
    void LandIfDone();
    void ShowReading(TPanelRead& read);
    void ShowAgain(const TPanelRead& read);
    bool TakeListing(TPanelRead& read);
    bool EndRead();

    // Live folders (PanelLive.cpp). CreateWatcher: the watcher, whose settled changes
    // and the place's going set LivePending (and LiveGone) and emit LiveChange, as does
    // LiveRetry when it runs out. Watch: follows `name` in `folder` (the folder itself
    // when empty) from now on, unless `live` is off or the folder is no path; what was
    // pending belonged to the place left. SayGone: the status line says `gone` is gone
    // until ForgetGoneIfBack finds it listed again.
    void CreateWatcher();
    void Watch(const QString& folder, const QString& name, bool live);
    void SayGone(const QString& gone);
    void ForgetGoneIfBack();
    // LiveReread: a change pending is read in once the owner says it may and the last
    // read is long enough ago for the folder's size, else it is tried again later; a
    // place gone is left for its nearest existing parent (FollowGoneFolder; an unmounted
    // one's mount point for its parent), which the status line then says.
    void LiveReread();
    void FollowGoneFolder(bool unmounted);

    // The tab strip shows the tabs model: a tab each, titled (locked ones say so), the
    // shown one current; hidden while there is one (PanelTabStrip.cpp).
    void SyncTabBar();

    // Tabs and history (PanelTabsControl.cpp). Place: where the panel stands (an archive
    // shown: its folder and name), the cursor's entry with it. ShowsFed: the panel shows
    // its search results. SaveShownTab: the panel's place, view and settings into the
    // shown tab, and with `keepListing` its rows, kept for a folder. NoteLeaving and
    // NoteArrived: around a landing, the place left goes into the shown tab's history
    // (not for a step through it or results shown). OpenTab: a new tab showing what the
    // panel shows, with its history (false while a read is under way). CloseTab: the
    // tab at `index` goes (never the last one, nor the shown one while it is read); the
    // next shown comes back. ShowTab: the tab at `index` takes the panel's place, its
    // read under way ended. RestoreShownTab: the shown tab's settings and place back in
    // the panel, from the rows it kept when its folder is unchanged (ShowKeptListing,
    // else read again keeping the view), else read (ReadTabPlace; a place gone gives
    // way to its nearest existing parent). LeaveLockedTab: a locked tab stays, a new
    // one takes the panel's next place. HistoryGo: a step through the shown tab's
    // history (or to its place `stepOrIndex` with `index`), the places gone skipped
    // and said so on the status line.
    TPanelPlace Place() const;
    bool ShowsFed() const;
    void SaveShownTab(bool keepListing);
    void NoteLeaving();
    void NoteArrived();
    bool OpenTab();
    void SetTabLocked(int index, bool locked);
    void CloseTab(int index);
    void ShowTab(int index);
    void RestoreShownTab();
    void ShowKeptListing(TTabState& tab);
    void ReadTabPlace(TTabState& tab);
    void LeaveLockedTab();
    void HistoryGo(int stepOrIndex, bool index);
    void GoToHistoryPlace(const TPanelPlace& place);

    // The shown tab's record (PanelTabState.cpp). KeepView: the panel's view and
    // settings into `tab` (its place, archive folder and results are the window's to
    // say); TabView: the view a tab kept, for RestoreViewState. ReleaseListing: the
    // panel lets go of its rows (and the archive it showed). TakeSettings: a tab's
    // settings back into the panel, no cursor jump or change pending. TakeKeptListing:
    // the rows `tab` kept, read from its stamped folder (true when the Size column
    // widened).
    void KeepView(TTabState& tab) const;
    static TPanelViewState TabView(const TTabState& tab);
    std::unique_ptr<TFileListing> ReleaseListing();
    void TakeSettings(const TTabState& tab);
    bool TakeKeptListing(TTabState& tab, TFileListing& kept);

    // Cursor, marks and scroll position (PanelViewState.cpp). MarkedRows, ascending: the
    // selection, unless it is only the cursor's row selected because the cursor stands
    // there (no marks). MarkedOrFocusedNames: the marked entries' names, else the
    // cursor's ("..": none). RestoreViewState shows a state again in the present rows; a
    // name no longer listed is left out, and the cursor goes to the row where it stood
    // when its entry went.
    TPanelViewState ViewState() const;
    std::vector<int> MarkedRows() const;
    QStringList MarkedOrFocusedNames() const;
    void RestoreViewState(const TPanelViewState& state);
    // The selection line follows the marks; whether ".." can be marked follows the rows.
    // Emits SelectionChanged.
    void FilesChange();
    // The list's cells, and the icons of the rows about to be shown (returns how many
    // were looked up).
    void ItemInfo(int item, int subItem, unsigned mask, int& image, QString& text) const;
    int CacheHint(int from, int to);
    // Widens the Size column to its widest value (never below its design width); true
    // when its width changed.
    bool FitSizeColumn();
    // The Directory line's figures: the listing's files and bytes, with the units given.
    void ShowTotals(const QString& objects, const QString& bytes);

    // What the columns other than Name take of the list's width.
    int OtherColumnsWidth() const;

    // The clock of cursor jumps (see CursorJump): milliseconds, monotonic.
    std::function<qint64()> Clock{[] {
        return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count());
    }};

    TPanelOwner* Owner{nullptr};
    // The other panel: a read of the folder it is reading waits for its read.
    const TFilePanel* Twin{nullptr};
    QString Directory; // location, ending in "/", or "Drives"
    QString Mask{QStringLiteral("*.*")};
    TFileListing Listing;
    quint8 SortOrder{soName};
    bool Ascending{true}; // a second click on the sorted column's header reverses it
    quint8 ViewStyle{3};  // details
    QString BeforeDrives; // where the panel was before it showed the drive list
    QWidget* Panel{nullptr};
    QLabel* DirectoryLabel{nullptr};
    TPathLine* PathLine{nullptr}; // takes the label's place while a path is typed
    QComboBox* Drives{nullptr};
    QLabel* LabelFree{nullptr};
    TVirtualListView* Files{nullptr};
    TStatusLine* Selected{nullptr};
    TStatusLine* Total{nullptr};
    TZipArchive* Zip{nullptr}; // the panel's archive component, kept for the whole run
    std::shared_ptr<TReadOnlyArchive> ReadOnly; // archives of other formats, made on first use
    // The folders of the archive shown, indexed when it was read, and the folder shown
    // ("" the top, else "sub/deeper/").
    std::shared_ptr<const TArchiveFolders> Folders;
    QString ArchiveFolder;
    // The read still under way in the background, if any. Until it lands, Directory and
    // Listing stay those of the location shown before, and the list shows no rows.
    std::unique_ptr<TPanelRead> Read;
    QShortcut* CancelRead{nullptr}; // Escape in the list while Read is under way
    // Search results the panel shows as its listing (see FedResults.h), or none.
    std::shared_ptr<TFedResults> Fed;
    // Live folders: the watch on what the panel shows, a change or the place's going that
    // waits for the panel to be free, and when its last read landed.
    platform::TFolderWatcher* Watcher{nullptr};
    bool LivePending{false};
    enum { lgNo, lgDeleted, lgUnmounted } LiveGone{lgNo};
    QTimer LiveRetry;
    QElapsedTimer LastRead;
    // The read-only archive shown, read again on a worker after a change, until it lands.
    std::unique_ptr<TFileWorker> ArchiveReload;
    // What the status line says is gone (a folder or archive the panel left), while the
    // panel shows the folder it was in; empty when it says nothing of the kind.
    QString Gone;
    // The cursor's last move by a re-read off an entry another program removed or
    // renamed unseen: when (Clock), the entry gone, the one landed on.
    struct TCursorJump {
        qint64 AtMs{-1};
        QString Gone, Landed;
    } CursorJump;
    // Tabs: the panel's fields above are always the shown tab's; the others wait in
    // Tabs. TabBar shows them, hidden while there is one.
    TPanelTabs Tabs;
    TTabStrip* TabBar{nullptr};
    // The stamp of the folder the listing was read from, before it was read.
    platform::TDirectoryStamp ListingStamp;
    bool ListingStamped{false};
    // The cursor's entry where the panel stood before the landing under way, for the
    // shown tab's history; and a step through that history under way, which is no new
    // place.
    QString LeavingCursor;
    bool HistoryStep{false};
    // A typed path landing, through the archive's folder when it names an archive: one
    // new place once it is there.
    bool HistoryBatch{false};

signals:
    // The marks or the cursor changed (after the selection line followed).
    void SelectionChanged();
    // The list got the focus: this panel is the active one now.
    void Activated();
    // What the panel shows changed or went (LivePending), or a wait for a re-read ended.
    void LiveChange();

private:
    // A read that returned: read again when its folder changed meanwhile; when the folder
    // cannot be read, says why and, if it was another location, leaves the panel as it
    // was; else its rows land, then the caller's rest, then a word on names that could
    // not be read.
    void FinishRead(std::unique_ptr<TPanelRead> read);
    // An asynchronous listing ended: its rows land, or the panel shows what it showed
    // before and `error` says why.
    void ListEnded(const QString& error);
    void Land(TPanelRead& read);
    // A background read landing: the list's focus then makes no panel active.
    bool m_landingInBackground{false};
    void CreateDriveRow(class QBoxLayout* layout);
    void CreateList();
};
