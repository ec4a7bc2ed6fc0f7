// The panel's own part of its tabs and their history: where it stands, the shown tab's
// record of it, the history noted as a landing leaves a place and arrives at another,
// and the tab opened beside the shown one or locked, closed or shown; the steps through
// a tab's history. The window answers for its own parts through the Owner.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "panel/FilePanel.h"
#include "panel/StatusLine.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/StartPath.h"
#include "zip/ZipArchive.h"

#include <QLabel>

namespace
{

QString CursorName(const TFileListing& listing, int row)
{
    return row >= 0 && row < listing.Count() && !listing[row].IsParent() ? listing[row].Name
                                                                         : QString();
}

} // namespace

TPanelPlace TFilePanel::Place() const
{
    TPanelPlace place{Directory, {}, {}};
    place.Cursor = CursorName(Listing, Files->GetFocusedIndex());
    if (Listing.IsArchiveListing()) {
        const bool readOnly = ReadOnly && ReadOnly->IsOpen();
        const QString file = readOnly ? ReadOnly->FileName() : Zip->ZipFilename();
        place.Folder = file.left(file.lastIndexOf('/') + 1);
        place.Archive = file.mid(file.lastIndexOf('/') + 1);
    }
    return place;
}

bool TFilePanel::ShowsFed() const
{
    return Fed && !Read && !Listing.IsArchiveListing() && Listing.Directory == Fed->Root;
}

void TFilePanel::SaveShownTab(bool keepListing)
{
    TTabState& tab = Tabs.ShownTab();
    KeepView(tab);
    tab.Place = Place();
    tab.ArchiveFolder = Listing.IsArchiveListing() ? ArchiveFolder : QString();
    tab.Fed = ShowsFed() ? Fed : nullptr;
    tab.Listing.reset();
    if (!keepListing)
        return;
    // The panel lets go of what it showed: kept for a folder, dropped otherwise.
    std::unique_ptr<TFileListing> listing = ReleaseListing();
    if (!tab.Fed && !listing->IsArchiveListing() && tab.Place.Folder.startsWith('/')) {
        const TPanelReadOptions options = Owner->ReadOptions();
        tab.Listing = std::move(listing);
        tab.Stamp = ListingStamp;
        tab.Stamped = ListingStamped;
        tab.Hidden = options.Hidden;
        tab.Natural = options.Natural;
    }
}

void TFilePanel::NoteLeaving()
{
    if (!ShowsFed() && !HistoryBatch)
        LeavingCursor = CursorName(Listing, Files->GetFocusedIndex());
}

void TFilePanel::NoteArrived()
{
    TTabState& tab = Tabs.ShownTab();
    if (!ShowsFed() && !HistoryStep && !HistoryBatch) {
        TPanelPlace here = Place();
        here.Cursor.clear();
        tab.History.Arrive(LeavingCursor, here);
    }
    tab.Place = Place();
    tab.Fed = ShowsFed() ? Fed : nullptr;
    SyncTabBar();
}

bool TFilePanel::OpenTab()
{
    if (Read)
        return false;
    SaveShownTab(false);
    const TTabState& shown = Tabs.ShownTab();
    auto tab = std::make_unique<TTabState>();
    tab->Place = shown.Place;
    tab->ArchiveFolder = shown.ArchiveFolder;
    tab->Mask = shown.Mask;
    tab->SortOrder = shown.SortOrder;
    tab->Ascending = shown.Ascending;
    tab->ViewStyle = shown.ViewStyle;
    tab->Fed = shown.Fed;
    tab->History = shown.History; // where the new tab came from leads back
    // The panel goes on showing what it shows, now as the new tab.
    Tabs.Show(Tabs.Open(std::move(tab)));
    SyncTabBar();
    return true;
}

void TFilePanel::SetTabLocked(int index, bool locked)
{
    if (index < 0 || index >= Tabs.Count())
        return;
    Tabs.Tab(index).Locked = locked;
    SyncTabBar();
}

// Closing and switching ---------------------------------------------------------------

void TFilePanel::CloseTab(int index)
{
    const bool shown = index == Tabs.Shown();
    if (Tabs.Count() <= 1 || (shown && Read))
        return;
    if (!shown) {
        Tabs.Close(index);
        SyncTabBar();
        return;
    }
    Tabs.ShownTab().Listing.reset();
    {
        TFileListing dropped;
        dropped.Swap(Listing);
        Files->SetVirtualItemCount(0, cfNoScroll);
    }
    if (ReadOnly)
        ReadOnly->Close(); // the archive the closed tab showed, if any
    Tabs.Close(index);
    RestoreShownTab();
}

void TFilePanel::ShowTab(int index)
{
    if (index < 0 || index >= Tabs.Count() || index == Tabs.Shown())
        return;
    EndRead(); // the tab left shows what it showed before its read
    SaveShownTab(true);
    Tabs.Show(index);
    RestoreShownTab();
}

void TFilePanel::RestoreShownTab()
{
    TTabState& tab = Tabs.ShownTab();
    TakeSettings(tab);
    Owner->ShowSettings(*this);
    SyncTabBar();
    if (tab.Listing)
        ShowKeptListing(tab);
    else
        ReadTabPlace(tab);
}

void TFilePanel::ShowKeptListing(TTabState& tab)
{
    const std::unique_ptr<TFileListing> kept = std::move(tab.Listing);
    if (!platform::DirectoryExists(kept->Directory)) {
        ReadTabPlace(tab); // gone while hidden: its nearest existing parent
        return;
    }
    const TPanelReadOptions options = Owner->ReadOptions();
    platform::TDirectoryStamp now;
    const bool unchanged = tab.Stamped && !tab.Stale &&
                           platform::GetDirectoryStamp(kept->Directory, now) && now == tab.Stamp &&
                           tab.Hidden == options.Hidden && tab.Natural == options.Natural;
    // The window widens the Name column if the Size column narrowed, and watches the place.
    Owner->Arrived(*this, TakeKeptListing(tab, *kept));
    Owner->ShowPlace(*this);
    DirectoryLabel->setText(platform::DisplayName(Directory));
    ShowTotals(QStringLiteral(" objects"), QStringLiteral(" bytes"));
    RestoreViewState(TabView(tab));
    // Changed while hidden: read again, the cursor and the marks kept on their names.
    if (!unchanged)
        Owner->Reread(*this);
}

void TFilePanel::ReadTabPlace(TTabState& tab)
{
    TPanelViewState view = TabView(tab);
    QString gone;
    TPanelPlace place = tab.Place;
    if (place.Folder.startsWith('/')) {
        // A place gone meanwhile gives way to its nearest existing parent.
        const QString folder = platform::NearestExistingFolder(place.Folder);
        if (folder != place.Folder ||
            (!place.Archive.isEmpty() && !platform::FileExists(place.Folder + place.Archive))) {
            gone = place.Archive.isEmpty() ? place.Folder : place.Folder + place.Archive;
            place = {folder, {}, {}};
            view = {};
            Fed.reset();
        }
    }
    tab.Visited = true;
    Directory = Fed ? Fed->Root : place.Folder;
    ArchiveFolder = tab.ArchiveFolder;
    HistoryStep = gone.isEmpty(); // the tab's own place, no new one
    StartRead([this, view, place, gone] {
        Owner->ShowPlace(*this);
        if (!ShowsFed())
            DirectoryLabel->setText(platform::DisplayName(Directory));
        ShowTotals(QStringLiteral(" objects"), QStringLiteral(" bytes"));
        if (!place.Archive.isEmpty()) {
            const int row = Listing.RowOf(place.Archive);
            if (row >= 0) {
                Files->FocusItem(row);
                Owner->OpenArchiveAt(*this, row, place.Cursor);
            }
        } else {
            RestoreViewState(view);
        }
        HistoryStep = false;
        NoteArrived();
        if (!gone.isEmpty())
            SayGone(gone);
    });
}

void TFilePanel::LeaveLockedTab()
{
    if (!Tabs.ShownTab().Locked || Read)
        return;
    OpenTab();
    Tabs.ShownTab().Locked = false;
    SyncTabBar();
}

// History --------------------------------------------------------------------------------

void TFilePanel::HistoryGo(int stepOrIndex, bool index)
{
    if (Read || (!index && !Tabs.ShownTab().History.CanStep(stepOrIndex)))
        return;
    LeaveLockedTab();
    TPanelHistory& history = Tabs.ShownTab().History;
    const QString cursor = Place().Cursor;
    const auto exists = [](const TPanelPlace& place) {
        if (place.Folder == QLatin1String("Drives"))
            return true;
        return place.Archive.isEmpty() ? platform::DirectoryExists(place.Folder)
                                       : platform::FileExists(place.Folder + place.Archive);
    };
    QStringList skipped;
    const std::optional<TPanelPlace> place =
        index ? history.GoTo(stepOrIndex, cursor, exists, skipped)
              : history.Step(stepOrIndex, cursor, exists, skipped);
    if (place)
        GoToHistoryPlace(*place);
    if (!skipped.isEmpty()) {
        QStringList names;
        for (const QString& gone : skipped)
            names << platform::DisplayName(gone);
        Total->SetText(3,
                       QStringLiteral("Skipped, gone: %1").arg(names.join(QStringLiteral(", "))));
    }
}

void TFilePanel::GoToHistoryPlace(const TPanelPlace& place)
{
    HistoryStep = true;
    Directory = place.Folder;
    ArchiveFolder.clear();
    Owner->OpenPlace(*this, [this, place] {
        const int row = Listing.RowOf(place.Archive.isEmpty() ? place.Cursor : place.Archive);
        if (row >= 0) {
            Files->FocusItem(row);
            if (!place.Archive.isEmpty())
                Owner->OpenArchiveAt(*this, row, place.Cursor);
        }
        HistoryStep = false;
        NoteArrived();
    });
}
