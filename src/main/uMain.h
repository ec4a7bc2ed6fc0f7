#pragma once
// TfMain: the main window. Two twin panels side by side under a menu and a tool bar;
// each panel shows a directory, the pseudo-location "Drives" or the inside of a ZIP
// archive. Every command acts on the active panel; copy, move and synchronise use the
// other one as the target. Each panel's state lives in one TPanel; every handler is
// written once and takes the panel's side, and the Left/Right names of the classic
// design are thin wrappers over it.

#include "fileops/FileCommands.h"
#include "fileops/PanelHost.h"
#include "listing/FileListing.h"
#include "main/Extensions.h"
#include "main/ExtractedCopies.h"
#include "main/MainActions.h"
#include "main/MessageLog.h"
#include "main/PanelRead.h"
#include "main/ViewDispatch.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLayout;
class QShortcut;
class QSplitter;
class TVirtualListView;
class TStatusLine;
class TZipArchive;
class TReadOnlyArchive;
class TfImage;
class TfText;

enum TSide : int { sdLeft = 0, sdRight = 1 };

// The cursors of a drag between the panels: one item, or several (also none).
const QCursor& SingleDragCursor();
const QCursor& MultiDragCursor();

// One panel: its state and its controls.
struct TPanel {
    QString Directory; // location, ending in "/", or "Drives"
    QString Mask{QStringLiteral("*.*")};
    TFileListing Listing;
    quint8 SortOrder{soName};
    quint8 ViewStyle{3}; // details
    QWidget* Panel{nullptr};
    QLabel* DirectoryLabel{nullptr};
    QComboBox* Drives{nullptr};
    QLabel* LabelFree{nullptr};
    TVirtualListView* Files{nullptr};
    TStatusLine* Selected{nullptr};
    TStatusLine* Total{nullptr};
    TZipArchive* Zip{nullptr}; // the panel's archive component, kept for the whole run
    std::shared_ptr<TReadOnlyArchive> ReadOnly; // archives of other formats, made on first use
    // The read still under way in the background, if any. Until it lands, Directory and
    // Listing stay those of the location shown before, and the list shows no rows.
    std::unique_ptr<TPanelRead> Read;
    QShortcut* CancelRead{nullptr}; // Escape in the list while Read is under way
};

class TfMain final : public QMainWindow, public TPanelHost
{
    Q_OBJECT

public:
    explicit TfMain(QWidget* parent = nullptr);
    ~TfMain() override;

    // 0 none, 1 left, 2 right.
    int ActivePanel{0};
    quint8 DragMode{0};
    bool UseRecycleBin{false};
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
    void RefreshLeft() { RefreshPanel(sdLeft); }
    void RefreshRight() { RefreshPanel(sdRight); }

    // Refills the panel's listing from its archive component: a ".." row carrying
    // `archiveEntry`'s values (a row of the same listing, or null), then the members.
    void LoadZipListing(TSide side, const TFileObject* archiveEntry = nullptr);
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
    void SetSortOrder(int columnIndex);
    void SetViewStyle(int style);
    void MenuDirectorySizeClick();
    void MenuSynchronizeWindowsClick();
    void MenuToolbarClick();
    // Keys: parent folder or out of an archive, re-read both panels, rename in place, mark.
    void MenuParentFolderClick();
    void MenuRereadClick();
    void MenuRenameInPlaceClick();
    void MenuMarkClick(bool moveDown);

    // Configuration: the extension categories read from Trovel.ini.
    void ReadConfiguration();
    TExtensionCategories Categories;

    // File commands (copy, move, rename, delete, create directory) and dragging.
    // While a panel is still being read, commands that need its rows do nothing.
    void MenuCopyFileClick()
    {
        if (!ReadingAny() && !TransferWithReadOnlyArchive(false))
            WithZipMessages([this] { m_commands.CopyFiles(); });
    }
    void MenuMoveFileClick()
    {
        if (!ReadingAny() && !TransferWithReadOnlyArchive(true))
            WithZipMessages([this] { m_commands.MoveFiles(); });
    }
    void MenuRenameFileClick()
    {
        if (!Reading(ActiveSide()) && !RefuseOnReadOnlyArchive(ActiveSide()))
            m_commands.RenameFiles();
    }
    void MenuDeleteFileClick()
    {
        if (!Reading(ActiveSide()) && !RefuseOnReadOnlyArchive(ActiveSide()))
            WithZipMessages([this] { m_commands.DeleteFiles(); });
    }
    void MenuCreateDirectoryClick()
    {
        if (!Reading(ActiveSide()))
            m_commands.CreateDirectory();
    }
    void FilesEdited(TSide side, const QString& text)
    {
        if (!Reading(side) && !RefuseOnReadOnlyArchive(side))
            m_commands.InPlaceRename(side, text);
    }
    void FilesMouseMove(TSide side, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    void FilesMouseUp(TSide side);
    void MenuPropertiesClick();
    // View / Edit of the focused entry of the active panel.
    void MenuViewFileClick();
    // Edit (F4): the focused file of the active panel in a new text editor, editable,
    // whatever its category; folders and ".." open nothing.
    void MenuEditFileClick();
    // A new text editor (read-only unless `editable`) or image viewer window.
    TfText* OpenTextEditor(const QString& fileName, bool editable);
    // Ends the program the way closing the window does, but without questions: a quit
    // signal came and nobody may be there to answer. Unsaved texts are dropped.
    void QuitWithoutQuestions();
    TfImage* OpenImageViewer(const QString& fileName);
    // Extracted copies of archive members being viewed, and how long a copy handed to a
    // program or the help viewer is kept.
    TExtractedCopies& ExtractedCopies() { return m_extractedCopies; }
    int ProgramCopyLifetimeMs{5000};
    void MenuAboutClick();
    void MenuTextEditorClick();
    void MenuImageViewerClick();
    TFileCommands& Commands() { return m_commands; }

    // The panel host of the file commands.
    int ActiveIndex() const override { return ActivePanel == 1 ? sdLeft : sdRight; }
    TFileListing& PanelListing(int panel) override { return m_panels[panel].Listing; }
    QString PanelDirectory(int panel) const override { return m_panels[panel].Directory; }
    TVirtualListView& PanelFiles(int panel) override { return *m_panels[panel].Files; }
    TZipArchive& PanelZip(int panel) override { return *m_panels[panel].Zip; }
    bool RecycleBinInUse() const override { return UseRecycleBin; }
    void Report(const QString& line) override { m_zipMessages << line; }
    void RefreshFromDisk(int panel) override { RefreshPanel(TSide(panel)); }
    void RefreshFromArchive(int panel) override;
    void RefillListing(int panel) override { ReadListing(TSide(panel)); }
    void RereadKeepingRows(int panel, const QString& directory) override;

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
    QLayout* CreateDriveRow(TSide side);
    void CreateMenus();
    void CreateToolbar();
    void SyncMenusToPanel(TSide side);
    bool ReadingAny() const { return Reading(sdLeft) || Reading(sdRight); }
    // Reads the panel's Directory into its listing on a worker, sorts it and gives the
    // list its row count, then calls `then`. Within 200 ms this all happens before it
    // returns, as a plain call would (timers and painting go on meanwhile, no input). A longer read goes on in the background while the
    // panel shows the new caption and "Reading… N entries"; the rows and `then` follow
    // when it is done. A new read of the panel replaces one under way.
    void ReadListing(TSide side, std::function<void()> then = {});
    // Shows the new caption and "Reading… N entries" in place of the rows, keeping in
    // `read` what it replaced; ShowAgain brings that back.
    void ShowReading(TSide side, TPanelRead& read);
    void ShowAgain(TSide side, const TPanelRead& read);
    void LandListing(TSide side, TPanelRead& read);
    // Re-reads the panel's directory after a double click: listing, drive list, focus,
    // caption and totals in the " objects" / " bytes" form; free space stays. Then
    // `after`.
    void OpenLocation(TSide side, const std::function<void()>& after = {});
    // Opens the archive at `row` in the panel; a reader error leaves the panel as it was.
    void OpenArchive(TSide side, int row);
    void ShowTotals(TSide side, const QString& objects, const QString& bytes);
    void ShowFreeSpace(TSide side);

    // Archives of the read-only formats (uMainArchive.cpp). Open: false when the file at
    // `row` is no such archive. The others return true when they handled the command:
    // copied members out, or refused a change in one message.
    bool OpenReadOnlyArchive(TSide side, int row);
    bool RefuseOnReadOnlyArchive(TSide side);
    bool TransferWithReadOnlyArchive(bool move);
    bool ExtractReadOnlyMember(TSide side, const QString& name, const QString& folder);
    void CopyReadOnlyMembers(TSide side, const QString& folder);
    void CopyReadOnlyMembersToZip(TSide side, TSide zipSide);
    void FocusFirstRow(TSide side);

    void WireCommands();
    // Runs a command that may call the ZIP libraries, then shows in one message what
    // they and the command reported (skipped members, checksum errors, a full disk, items
    // not copied or moved and why), if anything.
    void WithZipMessages(const std::function<void()>& command);
    QWidget* PerformView(TViewAction action, const QString& path, bool editable);
    // The focused entry of the active panel; null while its rows are still being read.
    // Throws the list's index error when no row has the focus.
    const TFileObject* FocusedFile();
    // Opens a member of the active panel's archive through a private copy. A text opens
    // editable when `edit` says so or its archive can take it back.
    void OpenMember(const TFileObject& e, TViewAction action, bool edit);
    // Whether a member of the panel's archive can be put back: a ZIP archive, not named
    // ".exe", that the user may replace.
    bool MemberCanBePutBack(TSide side) const;
    // Puts `file` in place of `member` of `archive` and shows the change in every panel
    // that shows the archive or its folder. Empty when done, else why not.
    QString PutMemberBack(const QString& archive, const QString& member, const QString& file);
    void ShowArchiveChange(const QString& archive);
    template <typename TPlayer> QWidget* ShowPlayer(TPlayer* player, const QString& path);

    std::array<TPanel, 2> m_panels;
    TFileCommands m_commands{*this};
    TExtractedCopies m_extractedCopies;
    TMessageLog m_zipMessages; // written by the libraries on the worker thread too
    QSplitter* m_splitter{nullptr};
    bool m_shown{false};
};
