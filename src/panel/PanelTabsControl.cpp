// The panel's own part of its tabs and their history: where it stands, the shown tab's
// record of it, the history noted as a landing leaves a place and arrives at another,
// and the tab opened beside the shown one or locked.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "panel/FilePanel.h"
#include "zip/ZipArchive.h"

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
