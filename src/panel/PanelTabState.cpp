// What the shown tab keeps of the panel when another is shown (its view, its settings,
// its folder's listing) and what the panel takes back from a tab shown again.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "panel/FilePanel.h"

void TFilePanel::KeepView(TTabState& tab) const
{
    const TPanelViewState view = ViewState();
    tab.Mask = Mask;
    tab.SortOrder = SortOrder;
    tab.Ascending = Ascending;
    tab.ViewStyle = ViewStyle;
    tab.CursorRow = view.CursorRow;
    tab.Marks = view.Marks;
    tab.Scroll = view.Scroll;
    tab.Stale = LivePending;
    tab.Visited = true;
}

TPanelViewState TFilePanel::TabView(const TTabState& tab)
{
    TPanelViewState view;
    view.Cursor = tab.Place.Cursor;
    view.CursorRow = tab.CursorRow;
    view.Marks = tab.Marks;
    view.Scroll = tab.Scroll;
    return view;
}

std::unique_ptr<TFileListing> TFilePanel::ReleaseListing()
{
    auto listing = std::make_unique<TFileListing>();
    listing->Swap(Listing);
    Files->SetVirtualItemCount(0, cfNoScroll);
    if (ReadOnly)
        ReadOnly->Close();
    return listing;
}

void TFilePanel::TakeSettings(const TTabState& tab)
{
    Mask = tab.Mask;
    SortOrder = tab.SortOrder;
    Ascending = tab.Ascending;
    ViewStyle = tab.ViewStyle;
    Files->SetViewStyle(TViewStyle(tab.ViewStyle));
    Fed = tab.Fed;
    CursorJump = {};
    LivePending = false;
}

bool TFilePanel::TakeKeptListing(TTabState& tab, TFileListing& kept)
{
    Listing.Swap(kept);
    Directory = Listing.Directory;
    ListingStamp = tab.Stamp;
    ListingStamped = tab.Stamped;
    Files->SetVirtualItemCount(Listing.Count(), cfNoScroll);
    return FitSizeColumn();
}
