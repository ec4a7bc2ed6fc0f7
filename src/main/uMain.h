#pragma once
// TfMain: the main window. Two twin panels side by side under a menu and a tool bar;
// each panel shows a directory, the pseudo-location "Drives" or the inside of a ZIP
// archive. Every command acts on the active panel; copy, move and synchronise use the
// other one as the target. Each panel's state lives in one TPanel; every handler is
// written once and takes the panel's side, and the Left/Right names of the classic
// design are thin wrappers over it.

#include "fileops/CopyTarget.h"
#include "fileops/FileCommands.h"
#include "fileops/PanelHost.h"
#include "listing/FileListing.h"
#include "main/Extensions.h"
#include "main/ExternalPrograms.h"
#include "main/ExtractedCopies.h"
#include "main/MainActions.h"
#include "main/MessageLog.h"
#include "main/ViewDispatch.h"
#include "modules/ViewerModule.h"
#include "panel/FilePanel.h"
#include "places/Place.h"
#include "platform/StartPath.h"
#include "quickview/QuickCore.h"
#include "zip/MemberState.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QPoint>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <array>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLayout;
class QMenu;
class QMimeData;
class QShortcut;
class QSplitter;
class TVirtualListView;
class TStatusLine;
class TTabStrip;
class TPathLine;
class TZipArchive;
class TReadOnlyArchive;
class TArchiveFolders;
class TfFind;
class TfImage;
class TfText;
class TfTextView;
class TfQuickView;
struct TPackingModule;
struct TPackRequest;
struct TPackResult;
struct TArchiveReload;
struct TRemoteSyncSide;
struct TFedResults;
struct TFedMember;
struct TPanelPlace;
struct TSearchHit;
struct TRemoteState;
struct TRemoteItem;
namespace remote
{
struct TFetchedFile;
}
namespace platform
{
class TFolderWatcher;
}

enum TSide : int { sdLeft = 0, sdRight = 1 };

// The cursors of a drag between the panels: one item, or several (also none).
const QCursor& SingleDragCursor();
const QCursor& MultiDragCursor();
// Milliseconds on a monotonic clock, from an arbitrary start.
qint64 SteadyNowMs();

// Files another program dropped, by their kind: absolute local paths, and the URIs of
// files of remote places. Other URLs (web pages) are left out.
struct TDroppedFiles {
    QStringList Local;
    QStringList Remote;
};
TDroppedFiles SortDroppedUrls(const QList<QUrl>& urls);

// One panel (src/panel/FilePanel.h): its state, its controls and what it does alone.
using TPanel = TFilePanel;

// The panel shows a folder of this machine: not an archive, the drive list or a remote
// place, whose locations are no paths the local commands may read or write.
bool ShowsLocalFolder(const TPanel& p);

class TfMain final : public QMainWindow, public TPanelHost, public TPanelOwner
{
    Q_OBJECT

public:
    explicit TfMain(QWidget* parent = nullptr);
    ~TfMain() override;

    // 0 none, 1 left, 2 right.
    int ActivePanel{0};
    quint8 DragMode{0};
    bool UseRecycleBin{false};
    // F5 and F6 ask for their target first (the copy dialog); else they copy or move into
    // the other panel's place at once, as a drop does.
    bool AskTarget{true};
    // Both panels: entries whose names begin with a dot are listed (Ctrl+H), and numbers
    // in names sort by their value ("dir2" before "dir10"). Kept with the panels.
    bool ShowHidden{true};
    bool NaturalOrder{false};
    // Drive roots taken once at creation and never refreshed.
    QStringList LogicalDrives;

    TPanel& Panel(TSide side) { return m_panels[side]; }
    TPanel& Left() { return m_panels[sdLeft]; }
    TPanel& Right() { return m_panels[sdRight]; }
    // The active panel (the right one unless the left is active) and the other one.
    TSide ActiveSide() const { return ActivePanel == 1 ? sdLeft : sdRight; }
    static TSide Other(TSide side) { return side == sdLeft ? sdRight : sdLeft; }

    // Full refresh: re-read, sort, row count, drive list, caption, free space, totals,
    // focus (which makes the panel active), then `after`. A read that outlasts 200 ms
    // goes on in the background and the rest follows when it lands (see ReadListing).
    void RefreshPanel(TSide side, const std::function<void()>& after = {});
    // Files another program dropped on the panel's list (uMainDrops.cpp), and what a
    // drag of the panel's marked rows carries out of the window: their addresses as
    // text/uri-list (null where the rows have none, as members of an archive).
    void DropUrls(TSide side, const QList<QUrl>& urls, bool move);
    QMimeData* DragOutData(TSide side);
    void RefreshLeft() { RefreshPanel(sdLeft); }
    void RefreshRight() { RefreshPanel(sdRight); }

    // What a re-read keeps of a panel's view (see TPanelViewState); the panel keeps it.
    using TViewState = TPanelViewState;
    TViewState ViewState(TSide side) const { return m_panels[side].ViewState(); }
    std::vector<int> MarkedRows(TSide side) const { return m_panels[side].MarkedRows(); }
    QStringList MarkedOrFocusedNames(TSide side) const
    {
        return m_panels[side].MarkedOrFocusedNames();
    }
    void RestoreViewState(TSide side, const TViewState& state)
    {
        m_panels[side].RestoreViewState(state);
    }
    // The re-read of a panel that changes nothing the user set: re-reads `directory`
    // (empty: the panel's own) and keeps the cursor, the marks and the scroll position
    // (ViewState); caption, drive list, free space and totals follow; the keyboard focus
    // and the active panel stay. `cursorName`, when listed, takes the cursor instead;
    // `keepMarks` false drops the marks. A read that outlasts 200 ms lands later.
    // Renames the panel's watch saw meanwhile take the cursor and the marks along.
    void RereadKeepingView(TSide side, const QString& directory = {},
                           const QString& cursorName = {}, bool keepMarks = true,
                           bool byOtherProgram = false);
    // The clock of cursor jumps (see TPanel::CursorJump); tests set their own.
    std::function<qint64()> SteadyClockMs{SteadyNowMs};

    // Refills the panel's listing from its archive component: a ".." row carrying
    // `archiveEntry`'s values (a row of the same listing, or null), then the members.
    // The folder shown is kept, or the nearest one above it that the archive still holds.
    void LoadZipListing(TSide side, const TFileObject* archiveEntry = nullptr);
    // Shows `folder` ("" the top, else "sub/deeper/") of the archive shown, from the index
    // made when it was read; the cursor goes to the row named `cursorName`, else the first.
    void ShowArchiveFolder(TSide side, const QString& folder, const QString& cursorName = {});
    // The archive file shown, and its caption: the file, then the folder shown
    // ("/home/ann/a.zip/sub/deeper/").
    QString ArchiveFile(TSide side) const;
    QString ArchiveCaption(TSide side) const;
    // True while the panel's folder is still being read in the background.
    bool Reading(TSide side) const { return bool(m_panels[side].Read); }
    // Ends a read under way in the panel: it shows again what it showed before. False
    // when there was none.
    bool CancelRead(TSide side);
    // True when the panel shows the inside of an archive.
    bool ShowsArchive(TSide side) const;
    // True when that archive is one of the read-only formats (not ZIP).
    bool ShowsReadOnlyArchive(TSide side) const;

    // Rebuilds the drive selector from the panel's location.
    void FillDriveList(TSide side);

    // Remote places (uMainRemote.cpp). The panel shows a folder of one (its Directory is
    // the folder's URI); the drive list's "Connect to server…" (Ctrl+Shift+N); going to a
    // remote URI once its place is mounted (a failure says why and leaves the panel); a
    // start argument that names one (false: it does not).
    bool ShowsRemote(TSide side) const;
    // The remote places' layer, or nullptr once the user was told why it cannot be used.
    platform::TRemotePlaces* RemotePlacesOrSay();
    void ConnectToServer(TSide side);
    // `ended`, when given, is called once the mount has ended either way; `arrived` once
    // the place is read and shown.
    void GoToRemote(TSide side, const QString& uri, const std::function<void()>& ended = {},
                    const std::function<void()>& arrived = {});
    bool StartRemote(TSide side, const QString& argument);

    // Cell, cache hint and selection handlers of the panels' lists.
    void FilesODGetItemInfo(TSide side, int item, int subItem, unsigned mask, int& image,
                            QString& text);
    void FilesODCacheHint(TSide side, int from, int to);
    void FilesChange(TSide side);
    void FilesEnter(TSide side);
    void FilesColumnClick(TSide side, int column);
    void DrivesChange(TSide side, int index);

    // Panel commands.
    void FilesDblClick(TSide side);
    // Sorts the active panel by the order of a column (0 to 3; another index keeps the
    // order), ascending or not; the cursor and the marks stay on their entries.
    void SetSortOrder(int columnIndex, bool ascending = true);
    void SetViewStyle(int style);
    void MenuDirectorySizeClick();
    void MenuSynchronizeWindowsClick();
    void MenuPathLineClick();
    void MenuToolbarClick();
    // Keys: parent folder or out of an archive, re-read both panels, rename in place, mark.
    void MenuParentFolderClick();
    void MenuRereadClick();
    void MenuRenameInPlaceClick();
    void MenuMarkClick(bool moveDown);
    void MenuMarkAllClick();
    // View → Hidden files, Sort → Numbers by value: switch the option for both panels.
    void MenuHiddenClick();
    void MenuNaturalClick();
    // View → Quick view (Ctrl+Q): the other panel gives its place to a pane that shows
    // the file under the active panel's cursor; again (or Escape in the pane) gives the
    // panel back as it was (uMainQuick.cpp).
    void MenuQuickViewClick();
    void CloseQuickView();
    bool QuickViewOn() const;

    // Tabs (uMainTabs.cpp), of the active panel unless a side is named. A new tab shows
    // the place shown, after the shown tab; the last tab is never closed. A locked tab
    // stays where it is: going elsewhere from it opens a new tab there instead.
    // Back and Forward go through the places the shown tab has shown, the cursor on the
    // entry it had there; a place that is gone is skipped and said so. History lists
    // them in a menu below the list; the one chosen is gone to.
    void MenuNewTabClick() { OpenTab(ActiveSide()); }
    void MenuCloseTabClick() { CloseTab(ActiveSide(), m_panels[ActiveSide()].Tabs.Shown()); }
    void MenuNextTabClick() { ShowTab(ActiveSide(), m_panels[ActiveSide()].Tabs.Neighbour(1)); }
    void MenuPreviousTabClick()
    {
        ShowTab(ActiveSide(), m_panels[ActiveSide()].Tabs.Neighbour(-1));
    }
    void MenuBackClick() { HistoryGo(ActiveSide(), -1, false); }
    void MenuForwardClick() { HistoryGo(ActiveSide(), 1, false); }
    void MenuHistoryClick();
    void OpenTab(TSide side);
    void CloseTab(TSide side, int index);
    void ShowTab(TSide side, int index);
    void SetTabLocked(TSide side, int index, bool locked);
    // Moves (`move`) or copies the active panel's marked entries, else the cursor's,
    // into the folder of tab `index` of `side`'s panel, as a drop does.
    void DropOnTab(TSide side, int index, bool move);
    // The history menu while it is open (for tests), else null.
    QMenu* HistoryMenu() const { return m_historyMenu; }
    TfQuickView* QuickView() const { return m_quick; }

    // Start-up (uMainStart.cpp), before the window is first shown. StartAt: the panel
    // starts in `place`'s folder with the cursor on its name; with `openArchive` an
    // archive of that name is opened as Enter on it would. KeepPanelsIn: the file that
    // keeps each panel's place, sort order and direction and view style, and the hidden
    // files and natural order options, and the window's place, size and column widths,
    // between runs; what it holds is
    // taken now (a place that is gone gives way to its nearest existing parent; without
    // the file the panels keep the program's drive) and KeepPanels writes it when the
    // window closes. Without such a file nothing is kept, and the window fills its screen.
    // ShowAsKept shows the window maximized when it was, or at a first start.
    void StartAt(TSide side, const platform::TStartPlace& place, bool openArchive);
    void KeepPanelsIn(const QString& file);
    void KeepPanels();
    void ShowAsKept();

    // Panels follow changes that other programs make to what they show (on unless a
    // benchmark compares the cost); see uMainLive.cpp.
    bool LiveFolders{true};

    // Configuration: the extension categories and the outside programs read from
    // Trovel.ini.
    void ReadConfiguration();
    // The user's settings kept across runs (UserSettingsFilePath): whether deleted
    // entries go to the trash, whether copy and move ask for their target. Read at creation,
    // written when the properties change it.
    void ReadSettings();
    void WriteSettings();
    TExtensionCategories Categories;
    TExternalPrograms Programs;

    // File commands (copy, move, rename, delete, create directory) and dragging.
    // While a panel is still being read, commands that need its rows do nothing.
    // The panel in which a command was given stays the active one, with its cursor.
    // F5 and F6 ask for the target first when AskTarget is set (uMainCopyTarget.cpp).
    void MenuCopyFileClick() { TransferCommand(false); }
    void MenuMoveFileClick() { TransferCommand(true); }
    // Edit's Cut, Copy and Paste (uMainClipboard.cpp): the active panel's selection
    // goes on the desktop clipboard as the desktop's file managers put files there;
    // Paste copies (after a Cut: moves) the files named there into the active panel's
    // folder as a copy between folders does, and after a move empties the clipboard.
    // A text field with the focus keeps Ctrl+X, Ctrl+C and Ctrl+V for its text.
    void MenuCutClick() { ClipboardPut(true); }
    void MenuCopyClick() { ClipboardPut(false); }
    void MenuPasteClick();
    // Shift+F6: the one entry renamed or moved, or several moved, to a place typed.
    void MenuRenameMoveClick();
    void MenuRenameFileClick()
    {
        if (!Reading(ActiveSide()) && !RefusedByPlace(ActiveSide(), places::capRename) &&
            !RefuseOnFedMembers(ActiveSide(), QStringLiteral("renamed")) &&
            ConfirmAfterCursorJump(QStringLiteral("Rename")))
            KeepingActive([this] { m_commands.RenameFiles(); });
    }
    // Delete asks first (F8, Delete); Shift+Delete deletes for good whatever the trash
    // setting says.
    void MenuDeleteFileClick() { DeleteCommand(false); }
    void MenuDeleteForGoodClick() { DeleteCommand(true); }
    void MenuCreateDirectoryClick()
    {
        if (!Reading(ActiveSide()) && !RefusedByPlace(ActiveSide(), places::capMakeFolder))
            KeepingActive([this] { m_commands.CreateDirectory(); });
    }
    // The views without columns edit the whole name, the details view the name without
    // its extension.
    void FilesEdited(TSide side, const QString& text);
    void FilesMouseMove(TSide side, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    void FilesMouseUp(TSide side);
    void MenuPropertiesClick();
    // View / Edit of the focused entry of the active panel.
    void MenuViewFileClick();
    // The focused file by its category: `viewCommand` (F3) shows a file of no category in
    // the read-only view, otherwise (Enter, a double click) the desktop's application.
    void ViewFocusedFile(bool viewCommand);
    // Edit (F4): the focused file of the active panel in a new text editor, editable,
    // whatever its category; folders and ".." open nothing.
    void MenuEditFileClick();
    // A new text editor (read-only unless `editable`) or image viewer window.
    TfText* OpenTextEditor(const QString& fileName, bool editable);
    // Ends the program the way closing the window does, but without questions: a quit
    // signal came and nobody may be there to answer. Unsaved texts are dropped.
    void QuitWithoutQuestions();
    TfImage* OpenImageViewer(const QString& fileName);
    // The read-only paged view of a file (View of a text on disk).
    TfTextView* OpenTextView(const QString& fileName);
    QStringList PanelPictures();
    // Extracted copies of archive members being viewed, and how long a copy handed to a
    // program or the help viewer is kept.
    TExtractedCopies& ExtractedCopies() { return m_extractedCopies; }
    int ProgramCopyLifetimeMs{5000};
    void MenuAboutClick();
    void MenuTextEditorClick();
    void MenuImageViewerClick();
    TFileCommands& Commands() { return m_commands; }
    // Takes back the last file command (Ctrl+Z); see TFileCommands::Undo.
    void MenuUndoClick();

    // Checksum files and the comparison of two files (uMainChecks.cpp). Create: for the
    // marked entries of the active panel's folder (or the cursor's), asked for in
    // TfChecksumCreate, hashed behind the progress window, each file written under a
    // temporary name and renamed into place when whole; a taken name asks first; new
    // files can be undone. Verify: the file at the cursor, in a TfChecksumReport window
    // that checks in the background. Compare: the two marked files of the active panel,
    // else the files at both panels' cursors, by content behind the progress window.
    void MenuCreateChecksumsClick();
    void MenuVerifyChecksumsClick();
    void MenuCompareFilesClick();
    // Pack (uMainPack.cpp): the marked entries of the active panel's folder (or the
    // cursor's) into a new archive in the other panel's folder, asked for in TfPack,
    // packed behind the progress window; the new archive can be undone.
    void MenuPackClick();
    // Pack from a remote panel (uMainPackRemote.cpp): fetches the entries `names` of
    // `side`'s remote folder into the local folder `into` behind the progress window;
    // the names that arrived whole, or nothing after Cancel. Messages say what did not.
    QStringList FetchForPack(TSide side, const QStringList& names, const QString& into);
    // After a move-pack from a remote panel: deletes the originals `verified` (packed from
    // their copies in `copies`, found whole in the archive) while each still reads back
    // as its copy; says which stay.
    void DropPackedOriginals(TSide side, const QString& copies, const QStringList& verified);
    // Pack into a remote folder (uMainPackInto.cpp): puts the finished local `archive`
    // into the remote `folder` behind the progress window, never replacing a name (a
    // taken one is asked about); `name` is the name it took there. With `verify`, the put
    // archive is read back (size and SHA-256) against the local one. True when it is
    // there (and verified); else `said` says why, and `lost` whether the connection went.
    bool PutPackedArchive(const QString& archive, const QString& folder, bool verify, QString& name,
                          QStringList& said, bool& lost);
    // After a move-pack of local originals whose archive reached its place: removes the
    // items the archive holds whole, each only while it is as packed; what stays, and why.
    QStringList DropLocalPackedOriginals(const QString& folder, const TPackResult& result);
    // Unmarks the entries `names` of `side` once they are packed.
    void UnmarkPacked(TSide side, const QStringList& names);
    // The undo history's record of a finished pack.
    void RecordPack(const TPackRequest& request, const TPackResult& result, TUndoItem& item,
                    bool undoable, bool intoRemote, const QString& archiveName);
    // The packing module (Pack, Unpack, Test archives), loaded on first use; nullptr after
    // a message saying why it cannot be.
    const TPackingModule* PackingOrSay();
    // Unpack and Test archives (uMainUnpack.cpp): the archives of ArchivesToUnpack,
    // unpacked into the folder TfUnpack names (the other panel's) or read whole, behind
    // the progress window; an unpack can be undone, a test ends in TfArchiveTestReport.
    void MenuUnpackClick();
    void MenuTestArchivesClick();
    // The marked files of the active panel's folder, else the cursor's file (full paths).
    QStringList ArchivesToUnpack() const;

    // File search (uMainSearch.cpp): the "Find files" window (made at its first use) and
    // what its results lead to, in the active panel. `after` runs once the panel shows
    // the hit's folder or archive with the cursor on it.
    void MenuFindFilesClick();
    void MenuSyncFoldersClick();
    TfFind* FindWindow() const { return m_find; }
    void GoToSearchHit(const TSearchHit& hit, const std::function<void()>& after = {});
    void ViewSearchHit(const TSearchHit& hit);
    void FeedToPanel(const QString& folder, const std::vector<TSearchHit>& hits);
    // Opens the archive at `row` of the panel's folder and puts the cursor on `member`,
    // named by its full stored path; false when it is no archive or cannot be read.
    bool OpenArchiveAtMember(TSide side, int row, const QString& member);
    // Search results fed to a panel (uMainSearch.cpp): whether the panel shows them now;
    // the archive member at `row` of them, or null; Enter (or `after`, such as View) on
    // the member under the cursor, which opens its archive at it (false: no member
    // there); and the refusal of a command that would change files when its selection
    // holds members (true: refused, and said so; `verb` as in "cannot be deleted").
    bool ShowsFedResults(TSide side) const;
    const TFedMember* FedMemberAt(TSide side, int row) const;
    bool GoToFedMember(TSide side, const std::function<void()>& after = {});
    bool RefuseOnFedMembers(TSide side, const QString& verb);
    // Goes back to where a panel was (folder or archive, and the cursor's entry).
    void ReturnToPlace(TSide side, const TPanelPlace& place);

    // The panel host of the file commands.
    int ActiveIndex() const override { return ActivePanel == 1 ? sdLeft : sdRight; }
    TFileListing& PanelListing(int panel) override { return m_panels[panel].Listing; }
    QString PanelDirectory(int panel) const override { return m_panels[panel].Directory; }
    TVirtualListView& PanelFiles(int panel) override { return *m_panels[panel].Files; }
    TZipArchive& PanelZip(int panel) override { return *m_panels[panel].Zip; }
    std::unique_ptr<places::TPlace> PanelPlace(int panel) override { return PlaceOf(TSide(panel)); }
    // The place the panel shows (uMainPlaces.cpp), and whether it refuses `capability`:
    // then its message was given.
    std::unique_ptr<places::TPlace> PlaceOf(TSide side);
    bool RefusedByPlace(TSide side, places::TCapability capability);
    QString PanelArchiveFolder(int panel) const override
    {
        return ShowsArchive(TSide(panel)) ? m_panels[panel].ArchiveFolder : QString();
    }
    bool RecycleBinInUse() const override { return UseRecycleBin; }
    void Report(const QString& line) override { m_zipMessages << line; }
    void RefreshFromDisk(int panel, const QString& cursorName = {}) override
    {
        RereadKeepingView(TSide(panel), m_panels[panel].Directory, cursorName, false);
    }
    void RefreshFromArchive(int panel) override;
    void RereadKeepingRows(int panel, const QString& directory) override
    {
        RereadKeepingView(TSide(panel), directory);
    }

    // Layout rules.
    void FormResize();
    void SplitterMoved();
    int ClientWidth() const;

    // Menu items and tool-bar buttons by name, for tests and later wiring.
    TMainActions Actions;
    // Icons looked up since start (each row of a cache hint counts once).
    int IconLookupCount{0};

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    QWidget* CreatePanel(TSide side);
    void CreateMenus();
    void CreateToolbar();
    void SyncMenusToPanel(TSide side);
    bool ReadingAny() const { return Reading(sdLeft) || Reading(sdRight); }
    // Reads the panel's Directory (see TFilePanel::StartRead), then calls `then`.
    void ReadListing(TSide side, std::function<void()> then = {}, int restarts = 0);
    // A read finished in the background lands, without moving the focus or changing the
    // active panel; reads that returned while a command ran land once it is over.
    void LandInBackground(TSide side);
    void LandDeferredReads();
    // The panel as before its read under way.
    void ShowAgain(TSide side, const TPanelRead& read);
    // What the panels' reads need of the window (TPanelOwner, uMainRead.cpp).
    bool MayLand() const override;
    TPanelReadOptions ReadOptions() const override;
    std::unique_ptr<places::TPlace> PlaceToRead(TFilePanel& panel,
                                                std::function<void()>& then) override;
    void Arrived(TFilePanel& panel, bool widened) override;
    void ShowPlace(TFilePanel& panel) override;
    void ShowSettings(TFilePanel& panel) override;
    void OpenArchiveAt(TFilePanel& panel, int row, const QString& member) override;
    void OpenPlace(TFilePanel& panel, const std::function<void()>& after) override;
    void Reread(TFilePanel& panel) override;
    bool MayRereadChange(const TFilePanel& panel) const override;
    void RereadChange(TFilePanel& panel) override;
    bool ReloadShownArchive(TFilePanel& panel) override;
    TSide SideOf(const TFilePanel& panel) const
    {
        return &panel == &m_panels[sdLeft] ? sdLeft : sdRight;
    }
    // Re-reads the panel's directory after a double click: listing, drive list, focus,
    // caption and totals in the " objects" / " bytes" form; free space stays. Then
    // `after`.
    void OpenLocation(TSide side, const std::function<void()>& after = {});
    // Opens the archive at `row` in the panel; a reader error leaves the panel as it was.
    void OpenArchive(TSide side, int row);
    void ShowTotals(TSide side, const QString& objects, const QString& bytes);
    void ShowFreeSpace(TSide side);
    // The header's arrow for the panel's sort order and direction.
    void ShowSortOrder(TSide side);
    // Widens the Size column to its widest value (never below its design width).
    void FitSizeColumn(TSide side);
    // Leaves the panel's folder, archive or drive list for the level above it; the cursor
    // lands on the folder or archive left.
    void LeaveLevel(TSide side);
    // A command given within a second of a cursor jump in the active panel (see
    // TPanel::CursorJump), acting on the row the cursor landed on alone, asks first,
    // naming both entries; false when the user says no. The jump is then forgotten.
    bool ConfirmAfterCursorJump(const QString& verb);
    // Copy and move (uMainCopyTarget.cpp): with the copy dialog first, or at once into the
    // other panel's place (the drop of a drag, or AskTarget off); and into a place typed.
    void TransferCommand(bool move);
    void ClipboardPut(bool cut);
    void DirectTransfer(bool move);
    void TransferToTyped(bool move, const TCopyTarget& target);
    // The other panel's place as the copy dialog first shows it.
    QString TransferTarget(TSide side) const;
    // Runs a command, then gives the focus back to the panel active before it, with a
    // cursor on one of its rows.
    void KeepingActive(const std::function<void()>& command);
    void DeleteCommand(bool forGood)
    {
        if (!Reading(ActiveSide()) && !RefusedByPlace(ActiveSide(), places::capDelete) &&
            !RefuseOnFedMembers(ActiveSide(), QStringLiteral("deleted")) &&
            ConfirmAfterCursorJump(QStringLiteral("Delete")))
            KeepingActive([this, forGood] {
                WithZipMessages([this, forGood] { m_commands.DeleteFiles(forGood); });
            });
    }

    // Archives of the read-only formats (uMainArchive.cpp). Open: false when the file at
    // `row` is no such archive, or its extension has a viewer; a file whose content is a
    // ZIP archive, whatever its name, opens as one. The others return true when they handled the
    // command: copied members out, or refused a change in one message.
    bool OpenReadOnlyArchive(TSide side, int row);
    bool RefuseOnReadOnlyArchive(TSide side);
    bool TransferWithReadOnlyArchive(bool move);
    // `cancelled`: the user cancelled the extraction, and the member's file was not made.
    bool ExtractReadOnlyMember(TSide side, const QString& name, const QString& folder,
                               bool& cancelled);
    // False when cancelled. Folder rows, `withFolders`, come with their trees.
    // Into a disk folder (`withFolders`), a taken name asks (uCollision.h); the copies go
    // into `record` when given.
    bool CopyReadOnlyMembers(TSide side, const QString& folder, bool withFolders = true,
                             TUndoRecord* record = nullptr);
    bool PlaceReadOnlyMembers(TSide side, const QStringList& names, const QString& target,
                              TUndoRecord* record);
    bool CopyReadOnlyFolders(TSide side, const QStringList& folders, const QString& target,
                             TUndoRecord* record);
    // Extracts on a worker behind the progress window; the lines go to the one message.
    // False when the user cancelled it (which is said there too).
    bool ExtractOnWorker(const TReadOnlyArchive& archive, const QStringList& names,
                         const QString& folder);
    void CopyReadOnlyMembersToZip(TSide side, TSide zipSide);
    void FocusFirstRow(TSide side);
    // Search results in a panel: the Commands menu (returned); the results a read of the
    // panel re-reads instead of its folder (none once it goes elsewhere), the worker's
    // part of that read, and what follows its landing before `then`; ".." out of them
    // (true: left).
    QMenu* CreateSearchMenu();
    // The File menu's checksum and comparison entries.
    void CreateChecksumItems(QMenu* file);
    // The File menu's "Pack..." entry.
    void CreatePackItem(QMenu* file);
    // The File menu's unpack and test entries.
    void CreateUnpackItems(QMenu* file);
    // The Commands menu's "Synchronise folders" entry.
    void CreateSyncItem(QMenu* commands);
    // Undo (uMainUndo.cpp): the first item of the Commands menu, Ctrl+Z, its text kept
    // in step with the file commands' history.
    void CreateUndoItem(QMenu* commands);
    void UpdateUndoItem();
    std::shared_ptr<TFedResults> FedResultsToRead(TSide side);
    std::function<void()> FedResultsLanded(TSide side, std::shared_ptr<TFedResults> fed,
                                           std::function<void()> then);
    bool LeaveFedResults(TSide side);
    // Live folders: the panel's watcher, following what the panel shows after each read;
    // a re-read once changes settled (keeping the focused and marked names), waiting for
    // the panel to be free; the archive shown read again; a gone place left.
    void CreateWatcher(TSide side);
    void WatchPanel(TSide side);
    bool LiveRereadMayStart(TSide side) const;
    void LiveReread(TSide side);
    bool ReloadArchive(TSide side);
    // Reads the archive shown again by `read` (which may raise), keeping the focused and
    // marked names.
    void KeepingArchiveRows(TSide side, const std::function<void()>& read);
    // The read-only archive shown read again on a worker, landing once the panel is free.
    void ReloadReadOnlyArchive(TSide side);
    void LandArchiveReload(TSide side, const std::shared_ptr<TArchiveReload>& reload);
    void FollowGoneFolder(TSide side, bool unmounted);
    // Says on the status line that `gone` is gone, and stops saying it once it is back.
    void SayGone(TSide side, const QString& gone);
    void ForgetGoneIfBack(TSide side);
    // After the first refresh: the cursor to the start name, the archive opened.
    void EnterStartPlace(TSide side);
    // The path line: opened on the panel's place; Enter goes where it names as a start
    // argument would, or says why not and leaves the panel where it was.
    void EditPath(TSide side);
    void GoToTypedPath(TSide side, const QString& typed);

    // Remote places: the state the window keeps for them (a remote folder's read is its
    // place's listing, see PlaceToRead); Enter and ".." in a remote folder (false: not remote); the
    // drive list's remote items and their choice; commands refused there; the free space; a typed
    // URI.
    TRemoteState& RemoteState();
    bool RemoteDblClick(TSide side);
    bool LeaveRemoteLevel(TSide side);
    void AddRemoteDriveItems(TSide side, QStringList& items, int& selected,
                             QHash<QString, QString>& names);
    bool RemoteDriveChosen(TSide side, const QString& target);
    bool RefuseOnRemote(TSide side);
    bool ShowRemoteFreeSpace(TSide side);
    // A typed address (IsRemoteAddress): goes there once mounted; false when it cannot be
    // taken, said in a message.
    bool GoToTypedRemote(TSide side, const QString& typed);
    void CreateRemoteItem(QMenu* file);
    // F5 and F6 where either panel is remote (uMainRemoteCopy.cpp): files and folders are
    // copied or moved between remote places and local folders; false when neither panel
    // is remote.
    bool RemoteTransfer(bool move);
    // Create and verify checksums on a remote panel (uMainRemoteChecks.cpp); false when the
    // panel is not remote.
    bool CreateRemoteChecksums(TSide side);
    bool VerifyRemoteChecksums(TSide side, const TFileObject& e);
    // F5 and F6 between a ZIP archive's panel and a remote panel (uMainZipRemote.cpp), through
    // private folders; false when the panels are not those two.
    bool ZipRemoteTransfer(bool move);
    void MembersToRemote(platform::TRemotePlaces& places, TSide a, TSide b, bool move);
    // Deletes from `side`'s archive the members whose private copies (`extracted`: path to
    // member) a move verified and removed (`moved`), and the folder members of `folders`
    // (a copy's path, the folder's name) that went whole.
    void DropMovedMembers(TSide side, const std::vector<TArchiveMember>& planned,
                          const QHash<QString, QString>& extracted,
                          const QList<QPair<QString, QString>>& folders, const QStringList& moved);
    void RemoteToMembers(platform::TRemotePlaces& places, TSide a, TSide b, bool move);
    // Deletes the remote originals in `folder` of `entries` (a name, whether a folder) whose
    // copies in the local folder `copies` the archive was found to hold (`arrived`) and
    // still read back as them.
    void DropCopiedOriginals(platform::TRemotePlaces& places, const QString& folder,
                             const QString& copies,
                             const std::vector<std::pair<QString, bool>>& entries,
                             const std::vector<TTransferPlan::TItem>& arrived);
    // Search results from a remote place fed to a panel (uMainRemoteFed.cpp): Enter on
    // them, F5 of them to a local folder, each result looked up again on a read.
    bool ShowsRemoteFed(TSide side) const;
    bool RemoteFedDblClick(TSide side);
    bool TransferRemoteFed(bool move);
    // A remote panel as a side of Synchronise folders (uMainRemoteSync.cpp): true and
    // nothing set for a panel that is not remote; false, said, where it cannot be one.
    bool RemoteSyncSide(TSide side, std::shared_ptr<TRemoteSyncSide>& remote, QString& shown);
    // F3, F4 and Enter on a remote file (uMainRemoteOpen.cpp): opened from a private copy
    // as a local file of its category, an edited text put back by its editor's Save;
    // false when the active panel is not remote.
    enum class TRemoteOpen { View, Edit, Enter };
    bool OpenRemoteFile(const TFileObject& e, TRemoteOpen how);
    void ShowRemoteCopy(std::unique_ptr<platform::TPrivateFolder> folder,
                        platform::TRemotePlaces& places,
                        const std::shared_ptr<remote::TFetchedFile>& file, TRemoteOpen how);
    QString PutRemoteBack(platform::TRemotePlaces& places, remote::TFetchedFile& file);
    // The quick view of a remote file (uMainRemoteQuick.cpp): from a private copy fetched
    // by the pane's load; a folder shows its name only.
    void QuickShowRemote(TSide side, const TFileObject& e);
    // False when something did not go (said in one message); `lost` (may be null) tells a
    // connection lost midway.
    bool CopyRemoteItems(platform::TRemotePlaces& places, const std::vector<TRemoteItem>& items,
                         const QString& source, const QString& target, bool move,
                         bool* lost = nullptr);
    // Shift+F6 on a remote panel (uMainRemoteFiles.cpp): the one entry renamed through
    // the place, as F9 renames it; false when the panel is not remote, true when it
    // handled the command.
    bool RemoteRenameMove();
    // The sizes of the folders `names` of the active remote panel, measured behind the
    // progress window into `sizes` (-1 where not measured whole).
    bool MeasureRemoteFolders(const QStringList& names, std::vector<qint64>& sizes,
                              platform::TFileOpsProgress& progress);
    // Paste into a remote panel (uMainRemoteCopy.cpp): the local files `paths` copied, or
    // moved after a Cut; false when the panel is not remote. And the name that Copy and Cut
    // put on the clipboard for `name` of the panel: its URI on a remote panel.
    bool PasteIntoRemote(TSide side, const QStringList& paths, bool cut);
    QString RemoteOrLocalPath(TSide side, const QString& name);
    // Undo of remote commands (uMainRemoteUndo.cpp): records whose Now and Was are URIs,
    // and the undo of the last one; false when the last record is not remote.
    void RecordRemote(TUndoKind kind, std::vector<TUndoItem> items, const QString& reason = {});
    bool UndoRemote();

    void WireCommands();
    // Runs what a key, menu entry, tool-bar button, click, drag or timer asks for, unless
    // a command runs already (also one waiting in a progress window or a dialog): then
    // nothing happens. Reads that return meanwhile land after it.
    void RunCommand(const std::function<void()>& command);
    // A slot that runs `handler` through RunCommand.
    std::function<void()> Command(void (TfMain::*handler)())
    {
        return [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); };
    }
    // Runs a command that may call the ZIP libraries, then shows in one message what
    // they and the command reported (skipped members, checksum errors, a full disk, items
    // not copied or moved and why), if anything.
    void WithZipMessages(const std::function<void()>& command);
    QWidget* PerformView(TViewAction action, const QString& path, bool editable);
    // A file of no category: the desktop's default application opens it, or a message
    // says that nothing can.
    void OpenWithDesktop(const QString& path);
    // The focused entry of the active panel; null while its rows are still being read.
    // Throws the list's index error when no row has the focus.
    const TFileObject* FocusedFile();
    // Opens a member of the active panel's archive through a private copy. A text opens
    // editable when `edit` says so or its archive can take it back. With `external`, that
    // command line opens the copy instead, which is kept to the end of the run.
    void OpenMember(const TFileObject& e, TViewAction action, bool edit,
                    const QString& external = {});
    // Opens the focused entry `e` in the outside program set for its category and `role`;
    // false when none is set. A program that cannot start says so.
    bool OpenExternally(const TFileObject& e, TExternalRole role);
    void StartExternal(const QString& command, const QString& path);
    // Whether a member of the panel's archive can be put back: a ZIP archive, not named
    // ".exe", that the user may replace.
    bool MemberCanBePutBack(TSide side) const;
    // Puts `file` in place of `member` of `archive`, as one command, and shows the change
    // in every panel that shows the archive or its folder: only while the archive is the
    // file `extracted` recorded and its member the one extracted, which then records the
    // member put back. Empty when done, else why not.
    QString PutMemberBack(const QString& archive, const QString& member, const QString& file,
                          TMemberState& extracted);
    QString PutMemberBackNow(const QString& archive, const QString& member, const QString& file,
                             TMemberState& extracted);
    void ShowArchiveChange(const QString& archive);
    // Shows `path` in a window of a module (a player, the HTML viewer), loading the module
    // on first use; null when it could not be loaded (the user has been told why).
    QWidget* ShowInModule(TModuleWindow window, const QString& path);

    // Tabs (uMainTabs.cpp): the panel's tab strip wired to the tab commands; the shown tab's state
    // into its model (its listing moved there when `keepListing`), and back into the
    // panel, without a read while its folder is unchanged.
    void CreateTabBar(TSide side);
    void CreateTabItems(QMenu* view);
    void SyncTabBar(TSide side);
    void SaveShownTab(TSide side, bool keepListing);
    // A locked tab about to be left: a new tab takes the panel there instead.
    void LeaveLockedTab(TSide side);
    // Around every landing of a listing: the shown tab's history and label follow.
    void NoteLeaving(TSide side);
    void NoteArrived(TSide side);
    void HistoryGo(TSide side, int stepOrIndex, bool index);
    void DropUrlsOnTab(TSide side, int index, const QList<QUrl>& urls, bool move);
    // Drops from other programs (uMainDrops.cpp): run after the drop event, as a command;
    // the files of `urls` copied, or moved, into the place the panel shows as F5 copies
    // between those kinds of place (a refusal said in one message); into a folder.
    void PostDrop(const std::function<void()>& drop);
    void DropIntoFolder(const QString& folder, const TDroppedFiles& files, bool move);
    // A drag from a list let go over a tab: the drop goes into that tab's folder (true).
    bool TabDropAt(const QPoint& global, Qt::KeyboardModifiers modifiers);
    QMenu* m_historyMenu{nullptr};

    std::array<TPanel, 2> m_panels;
    // The quick view: its pane, made on first use, the side whose panel it stands in for,
    // and whether a follow of the cursor is posted for this turn of the event loop.
    TfQuickView* m_quick{nullptr};
    TSide m_quickSide{sdRight};
    bool m_quickPosted{false};
    bool m_quickPlayersRefused{false};
    quickview::TDescriber QuickDescriber(const QString& name);
    void QuickFollowSoon(TSide side);
    void QuickFollow();
    TFileCommands m_commands{*this};
    TExtractedCopies m_extractedCopies;
    TMessageLog m_zipMessages; // written by the libraries on the worker thread too
    QSplitter* m_splitter{nullptr};
    bool m_shown{false};
    bool m_commandRunning{false};
    TfFind* m_find{nullptr};
    struct TStartName {
        QString Name;
        bool OpenArchive{false};
        QString ArchiveFolder; // the folder of that archive to show ("sub/")
    };
    std::array<TStartName, 2> m_start;
    // Remote places the panels start on, connected one after the other once the window
    // shows (uMainStart.cpp); a panel shows the local root until its place is there.
    std::array<QString, 2> m_startRemote;
    // The entry the cursor was on in that place, taken again once it is read.
    std::array<QString, 2> m_startRemoteName;
    // The start's remote place being connected: still what the panel is remembered on
    // should the window close before the connection ends.
    std::array<QString, 2> m_connectingStart;
    void ConnectStartPlaces(TSide side);
    QString m_panelsFile;
    bool m_keptMaximized{true};
    std::shared_ptr<TRemoteState> m_remote; // made on first use
};
