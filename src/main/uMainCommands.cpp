// Panel commands: navigation by double click, sorting, view styles, directory sizes,
// synchronisation and the tool-bar switch.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "fileops/uCommon.h"
#include "fileops/uProgress.h"
#include "listing/ArchiveFolders.h"
#include "main/uMain.h"
#include "panel/PanelText.h"
#include "panel/StatusLine.h"
#include "places/PlaceOf.h"
#include "platform/Drives.h"
#include "platform/FileNames.h"
#include "platform/FileOpsProgress.h"
#include "platform/Messages.h"
#include "zip/ZipArchive.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QToolBar>

void TfMain::FilesDblClick(TSide side)
{
    TPanel& p = m_panels[side];
    const int row = p.Files->GetFocusedIndex();
    if (row < 0 || row >= p.Listing.Count())
        return;
    if (RemoteDblClick(side))
        return;
    const TFileObject& e = p.Listing[row];
    if (e.IsParent() || e.IsDirectory() || e.Kind == fkDrive || e.Kind == fkZipFile)
        LeaveLockedTab(side); // a locked tab stays: a new one goes there
    if (e.IsParent()) {
        if (!LeaveFedResults(side))
            LeaveLevel(side);
        return;
    }
    if (GoToFedMember(side))
        return;
    if (e.Kind == fkDrive) {
        p.Directory = e.Name;
        OpenLocation(side);
        return;
    }
    if (e.Kind == fkZipMember && e.IsDirectory()) { // a folder inside the archive
        ShowArchiveFolder(side, MemberPath(e.Name).toString() + '/');
        return;
    }
    if (e.IsDirectory()) {
        p.Directory = AddSeparator(p.Directory) + e.Name + '/';
        OpenLocation(side);
        return;
    }
    if (e.Kind == fkZipFile) {
        OpenArchive(side, row);
        return;
    }
    if (e.Kind == fkDisk && OpenReadOnlyArchive(side, row))
        return;
    ViewFocusedFile(false);
}

void TfMain::OpenArchive(TSide side, int row)
{
    TPanel& p = m_panels[side];
    // Reading may raise the reader's error: nothing of the panel has changed then.
    p.Zip->SetZipFilename(AddSeparator(p.Directory) + p.Listing[row].Name);
    p.ArchiveFolder.clear();
    LoadZipListing(side, &p.Listing[row]);
    FocusFirstRow(side);
    ShowTotals(side, QStringLiteral(" objects"), QStringLiteral(" bytes"));
}

namespace
{

// The panel's rows become those of its archive's folder level ArchiveFolder, as the
// archive's place lists them (at once: its members are indexed in Folders).
void ListArchiveLevel(TPanel& p, bool readOnly, const TFileObject* archiveEntry,
                      places::TListOptions options)
{
    places::TPlaceState state;
    state.Directory = p.Directory;
    state.ArchiveListing = true;
    state.Zip = p.Zip;
    state.ReadOnly = readOnly ? p.ReadOnly.get() : nullptr;
    state.Folders = p.Folders;
    state.ArchiveFolder = p.ArchiveFolder;
    if (archiveEntry)
        state.ArchiveEntry = *archiveEntry;
    options.Order = p.SortOrder;
    options.Ascending = p.Ascending;
    places::TListSink sink;
    places::TListing listing = places::PlaceOf(state)->StartList({options, {}, &p.Listing}, sink);
    platform::TFileOpsProgress progress;
    listing.Work(progress);
    TFileListing& rows = sink.Result->Listing;
    rows.Directory = p.Listing.Directory; // the folder that holds the archive stays
    p.Listing.Swap(rows);
}

} // namespace

void TfMain::LoadZipListing(TSide side, const TFileObject* archiveEntry)
{
    TPanel& p = m_panels[side];
    NoteLeaving(side);
    // The read-only component is open from its opening until the panel reads a folder.
    const bool readOnly = p.ReadOnly && p.ReadOnly->IsOpen();
    // The folders are indexed once per reading of the archive; entering one costs its rows.
    p.Folders = std::make_shared<const TArchiveFolders>(readOnly ? p.ReadOnly->Members()
                                                                 : p.Zip->Members());
    p.ArchiveFolder = p.Folders->NearestFolder(p.ArchiveFolder);
    ListArchiveLevel(p, readOnly, archiveEntry, ReadOptions());
    p.Files->SetVirtualItemCount(p.Listing.Count(), cfNoScroll);
    p.DirectoryLabel->setText(ArchiveCaption(side));
    FitSizeColumn(side);
    FilesChange(side);
    WatchPanel(side);
    NoteArrived(side);
}

void TfMain::ShowArchiveFolder(TSide side, const QString& folder, const QString& cursorName)
{
    TPanel& p = m_panels[side];
    if (!p.Folders || !ShowsArchive(side) || !p.Folders->HasFolder(folder))
        return;
    const TFileObject parent = p.Listing[0]; // the archive file's values stay on ".."
    p.ArchiveFolder = folder;
    ListArchiveLevel(p, ShowsReadOnlyArchive(side), &parent, ReadOptions());
    p.Files->SetVirtualItemCount(p.Listing.Count(), {});
    p.DirectoryLabel->setText(ArchiveCaption(side));
    FitSizeColumn(side);
    FocusFirstRow(side);
    for (int row = 0; !cursorName.isEmpty() && row < p.Listing.Count(); ++row)
        if (p.Listing[row].Name == cursorName)
            p.Files->FocusItem(row);
    FilesChange(side);
    ShowTotals(side, QStringLiteral(" objects"), QStringLiteral(" bytes"));
}

QString TfMain::ArchiveFile(TSide side) const
{
    const TPanel& p = m_panels[side];
    return ShowsReadOnlyArchive(side) ? p.ReadOnly->FileName() : p.Zip->ZipFilename();
}

QString TfMain::ArchiveCaption(TSide side) const
{
    const QString folder = m_panels[side].ArchiveFolder;
    return platform::DisplayName(ArchiveFile(side) + (folder.isEmpty() ? QString() : '/' + folder));
}

bool TfMain::ShowsArchive(TSide side) const
{
    return m_panels[side].Listing.IsArchiveListing();
}

void TfMain::OpenLocation(TSide side, const std::function<void()>& after)
{
    ReadListing(side, [this, side, after] {
        TPanel& p = m_panels[side];
        FillDriveList(side);
        FocusFirstRow(side);
        p.DirectoryLabel->setText(platform::DisplayName(p.Directory));
        ShowFreeSpace(side);
        ShowTotals(side, QStringLiteral(" objects"), QStringLiteral(" bytes"));
        if (after)
            after();
    });
}

namespace
{

// The sort orders by the column index of their header, and back.
constexpr quint8 kOrders[4] = {soName, soExtension, soSize, soDateTime};

int ColumnOfOrder(quint8 order)
{
    for (int column = 0; column < 4; ++column)
        if (kOrders[column] == order)
            return column;
    return -1;
}

} // namespace

void TfMain::FilesColumnClick(TSide side, int column)
{
    // A click on a header sorts that list, which takes the focus as any click on it
    // does; the Sort menu and buttons then show its new order. A second click on the
    // sorted column reverses the order.
    TPanel& p = m_panels[side];
    p.Files->setFocus();
    FilesEnter(side);
    const bool own = column >= 0 && column < 4; // a column with an order of its own
    const bool again = own && kOrders[column] == p.SortOrder;
    SetSortOrder(column, own ? !again || !p.Ascending : p.Ascending);
    SyncMenusToPanel(side);
}

void TfMain::SetSortOrder(int columnIndex, bool ascending)
{
    if ((ActivePanel != 1 && ActivePanel != 2) || Reading(ActiveSide()))
        return;
    const TSide side = ActiveSide();
    TPanel& p = m_panels[side];
    if (columnIndex >= 0 && columnIndex < 4)
        p.SortOrder = kOrders[columnIndex];
    p.Ascending = ascending;
    // The cursor and the marks stay on their entries, wherever the new order puts them.
    const TViewState state = ViewState(side);
    p.Listing.Sort(p.SortOrder, p.Ascending, NaturalOrder);
    p.Files->SetVirtualItemCount(p.Listing.Count(), cfNoScroll);
    ShowSortOrder(side);
    RestoreViewState(side, state);
}

void TfMain::ShowSortOrder(TSide side)
{
    const TPanel& p = m_panels[side];
    p.Files->SetSortIndicator(ColumnOfOrder(p.SortOrder), p.Ascending);
}

void TfMain::SetViewStyle(int style)
{
    if (style < vsIcon || style > vsReport)
        return;
    Actions.MenuView[style]->setChecked(true);
    if (ActivePanel != 1 && ActivePanel != 2)
        return;
    TPanel& p = m_panels[ActiveSide()];
    // The switch moves the focus to the new view, and entering a list shows the style
    // it holds: store the style first.
    p.ViewStyle = quint8(style);
    p.Files->SetViewStyle(TViewStyle(style));
}

void TfMain::MenuToolbarClick()
{
    auto* bar = findChild<QToolBar*>(QStringLiteral("Toolbar"));
    bar->setVisible(bar->isHidden());
    Actions.MenuToolbar->setChecked(!bar->isHidden());
}

void TfMain::MenuDirectorySizeClick()
{
    if (Reading(ActiveSide()))
        return;
    TPanel& p = m_panels[ActiveSide()];
    const QString base = AddSeparator(p.Listing.Directory);
    std::vector<int> rows;
    QStringList names; // the worker reads these copies, never the listing
    for (int i = 0; i < p.Listing.Count(); ++i)
        if (p.Listing[i].IsDirectory() && !p.Listing[i].IsParent() &&
            p.Listing[i].Kind != fkZipMember) { // a folder inside an archive is on no disk
            rows.push_back(i);
            names << p.Listing[i].Name;
        }
    std::vector<qint64> sizes(rows.size(), -1);
    platform::TFileOpsProgress progress;
    progress.SetTotals(int(rows.size()), -1);
    if (!MeasureRemoteFolders(names, sizes, progress))
        RunFileWork(QStringLiteral("Measuring"), progress, [&] {
            for (size_t i = 0; i < sizes.size() && !progress.Cancelled(); ++i) {
                progress.SetCurrent(base + names[qsizetype(i)]);
                sizes[i] = DirectoryTreeSize(base + names[qsizetype(i)], &progress);
                if (sizes[i] >= 0)
                    progress.AddItem();
            }
        });
    qint64 sum = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        // A folder measured completely, still listed where it was.
        if (sizes[i] < 0 || rows[i] >= p.Listing.Count() ||
            p.Listing[rows[i]].Name != names[qsizetype(i)])
            continue;
        p.Listing[rows[i]].Size = sizes[i];
        sum += sizes[i];
    }
    // Same rows, new sizes: the cursor, the marks and the scroll position stay.
    p.Files->Repaint();
    FitSizeColumn(ActiveSide());
    FilesChange(ActiveSide());
    p.Total->SetText(2, FormatSize(p.Listing.TotalSize + sum) + QStringLiteral(" bytes"));
    if (const QString cancelled = CancelledText(QStringLiteral("Measured"), progress);
        !cancelled.isEmpty())
        platform::ShowMessage(cancelled);
}

void TfMain::MenuSynchronizeWindowsClick()
{
    const TSide target = ActivePanel == 1 ? sdRight : sdLeft;
    if (Reading(Other(target)))
        return; // its location is not shown yet; a read of the target is replaced
    m_panels[target].Directory = m_panels[Other(target)].Directory;
    // The other panel also shows where it is now, without taking the focus.
    ReadListing(target, [this, target] {
        TPanel& p = m_panels[target];
        FillDriveList(target);
        p.DirectoryLabel->setText(platform::DisplayName(p.Directory));
        ShowFreeSpace(target);
        ShowTotals(target, QStringLiteral(" object(s)"), QStringLiteral(" byte(s)"));
    });
}

void TfMain::MenuParentFolderClick()
{
    // The ".." row leads up, out of an archive or search results too; the focus then
    // lands on the folder or archive just left.
    const TSide side = ActiveSide();
    if (Reading(side))
        return;
    LeaveLockedTab(side);
    if (!LeaveFedResults(side))
        LeaveLevel(side);
}

void TfMain::LeaveLevel(TSide side)
{
    if (LeaveRemoteLevel(side))
        return;
    TPanel& p = m_panels[side];
    QString left;
    if (p.Directory == QLatin1String("Drives")) {
        // The drive list leads back to where the panel was before it.
        p.Directory = p.BeforeDrives.isEmpty() ? QStringLiteral("/") : p.BeforeDrives;
    } else if (ShowsArchive(side) && !p.ArchiveFolder.isEmpty()) {
        // Up one folder inside the archive, the cursor on the folder left.
        QString folder = p.ArchiveFolder;
        folder.chop(1);
        ShowArchiveFolder(side, folder.left(folder.lastIndexOf('/') + 1), folder);
        return;
    } else if (ShowsArchive(side)) {
        const QString archive =
            ShowsReadOnlyArchive(side) ? p.ReadOnly->FileName() : p.Zip->ZipFilename();
        left = QDir::cleanPath(archive).section('/', -1); // back to the folder that holds it
    } else if (p.Listing.Count() > 0 && p.Listing[0].IsParent()) {
        left = QDir::cleanPath(p.Directory).section('/', -1);
        p.Directory = ParentLocation(p.Directory);
    } else {
        return; // a drive's root: nothing above it
    }
    // The cursor lands on the folder or archive just left.
    OpenLocation(side, [this, side, left] {
        const int row = m_panels[side].Listing.RowOf(left);
        if (row >= 0)
            m_panels[side].Files->FocusItem(row);
    });
}

void TfMain::MenuRereadClick()
{
    // Both panels show what is on the disk now, each keeping its cursor, marks and
    // scroll position; the focus stays.
    for (const TSide side : {sdLeft, sdRight}) {
        if (Reading(side))
            continue; // its read is under way already
        if (ShowsArchive(side)) {
            TPanel& p = m_panels[side];
            p.Zip->SetZipFilename(p.Zip->ZipFilename());
            RefreshFromArchive(side);
        } else {
            RereadKeepingView(side);
        }
    }
}

void TfMain::MenuHiddenClick()
{
    ShowHidden = !ShowHidden;
    // Folders are read again, each panel keeping its cursor where its entry stays listed.
    for (const TSide side : {sdLeft, sdRight})
        if (!Reading(side) && !ShowsArchive(side))
            RereadKeepingView(side);
}

void TfMain::MenuNaturalClick()
{
    NaturalOrder = !NaturalOrder;
    for (const TSide side : {sdLeft, sdRight}) {
        TPanel& p = m_panels[side];
        if (Reading(side))
            continue; // its read sorts with the new option
        const TViewState state = ViewState(side);
        p.Listing.Sort(p.SortOrder, p.Ascending, NaturalOrder);
        p.Files->SetVirtualItemCount(p.Listing.Count(), cfNoScroll);
        RestoreViewState(side, state);
    }
}

void TfMain::MenuRenameInPlaceClick()
{
    const TSide side = ActiveSide();
    if (Reading(side))
        return;
    if (ShowsArchive(side)) {
        MenuRenameFileClick(); // says that members cannot be renamed
        return;
    }
    if (RefuseOnFedMembers(side, QStringLiteral("renamed")))
        return;
    TPanel& p = m_panels[side];
    const int row = p.Files->GetFocusedIndex();
    if (p.Directory != QLatin1String("Drives") && row >= 0 && row < p.Listing.Count() &&
        !p.Listing[row].IsParent())
        p.Files->EditItem(row);
}

void TfMain::MenuMarkClick(bool moveDown)
{
    m_panels[ActiveSide()].Files->MarkFocused(moveDown);
}

void TfMain::MenuMarkAllClick()
{
    m_panels[ActiveSide()].Files->MarkAll();
}
