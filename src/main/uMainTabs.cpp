// Tabs in each panel and the places each tab has shown. The panel (TPanel) always holds
// the shown tab; switching saves it into its TTabState, the folder's listing moved along,
// and brings the other one back: without a read while its folder has not changed since
// (its stamp), else read again keeping the cursor and the marks. Only the shown tab is
// watched, as the panel's watcher follows what the panel shows. The panel keeps its tab
// record and history itself (PanelTabsControl.cpp); here is what needs the window.
#include "archive/ReadOnlyArchive.h"
#include "controls/TabStrip.h"
#include "controls/VirtualListView.h"
#include "main/uMain.h"
#include "panel/PanelText.h"
#include "panel/StatusLine.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"

#include <QLabel>
#include <QMenu>

namespace
{

int RowOf(const TFileListing& listing, const QString& name)
{
    for (int row = 0; row < listing.Count(); ++row)
        if (listing[row].Name == name)
            return row;
    return -1;
}

} // namespace

void TfMain::CreateTabBar(TSide side)
{
    TTabStrip* bar = m_panels[side].TabBar;
    connect(bar, &QTabBar::currentChanged, this, [this, side](int index) {
        if (index >= 0 && index != m_panels[side].Tabs.Shown())
            RunCommand([this, side, index] { ShowTab(side, index); });
        SyncTabBar(side);                 // a refused switch shows the tab shown again
        m_panels[side].Files->setFocus(); // a click on a panel's tab makes it active
    });
    connect(bar, &QTabBar::tabMoved, this,
            [this, side](int from, int to) { m_panels[side].Tabs.Move(from, to); });
    bar->OnCloseAsked = [this, side](int index) {
        RunCommand([this, side, index] { CloseTab(side, index); });
    };
    bar->OnNewAsked = [this, side] { RunCommand([this, side] { OpenTab(side); }); };
    bar->OnMenuAsked = [this, side](int index, const QPoint& global) {
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        const bool locked = m_panels[side].Tabs.Tab(index).Locked;
        menu->addAction(locked ? QStringLiteral("&Unlock") : QStringLiteral("&Lock"), this,
                        [this, side, index, locked] {
                            RunCommand([=, this] { SetTabLocked(side, index, !locked); });
                        });
        menu->addAction(QStringLiteral("&Close"), this, [this, side, index] {
            RunCommand([this, side, index] { CloseTab(side, index); });
        });
        menu->popup(global);
    };
    bar->OnUrlsDropped = [this, side](int index, const QList<QUrl>& urls, bool move) {
        RunCommand([=, this] { DropUrlsOnTab(side, index, urls, move); });
    };
}

void TfMain::CreateTabItems(QMenu* view)
{
    TMainActions& a = Actions;
    const auto add = [&](QAction*& action, const char* caption, const QList<QKeySequence>& keys,
                         void (TfMain::*handler)()) {
        action = new QAction(QString::fromUtf8(caption), this);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, Command(handler));
        view->addAction(action);
    };
    view->addSeparator();
    add(a.MenuNewTab, "New &tab", {QKeySequence(Qt::CTRL | Qt::Key_T)}, &TfMain::MenuNewTabClick);
    add(a.MenuCloseTab, "Close ta&b", {QKeySequence(Qt::CTRL | Qt::Key_W)},
        &TfMain::MenuCloseTabClick);
    add(a.MenuNextTab, "Ne&xt tab", {QKeySequence(Qt::CTRL | Qt::Key_Tab)},
        &TfMain::MenuNextTabClick);
    add(a.MenuPreviousTab, "Pre&vious tab",
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_Backtab),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)},
        &TfMain::MenuPreviousTabClick);
    view->addSeparator();
    add(a.MenuBack, "Bac&k", {QKeySequence(Qt::ALT | Qt::Key_Left)}, &TfMain::MenuBackClick);
    add(a.MenuForward, "&Forward", {QKeySequence(Qt::ALT | Qt::Key_Right)},
        &TfMain::MenuForwardClick);
    add(a.MenuHistory, "Hist&ory...", {QKeySequence(Qt::ALT | Qt::Key_Down)},
        &TfMain::MenuHistoryClick);
}

void TfMain::SyncTabBar(TSide side)
{
    m_panels[side].SyncTabBar();
}

// The shown tab's record ----------------------------------------------------------------

void TfMain::SaveShownTab(TSide side, bool keepListing)
{
    m_panels[side].SaveShownTab(keepListing);
}

void TfMain::RestoreShownTab(TSide side)
{
    TPanel& p = m_panels[side];
    TTabState& tab = p.Tabs.ShownTab();
    p.TakeSettings(tab);
    ShowSortOrder(side);
    SyncMenusToPanel(side);
    SyncTabBar(side);
    if (tab.Listing)
        ShowKeptListing(side, tab);
    else
        ReadTabPlace(side, tab);
}

void TfMain::ShowKeptListing(TSide side, TTabState& tab)
{
    TPanel& p = m_panels[side];
    const std::unique_ptr<TFileListing> kept = std::move(tab.Listing);
    if (!platform::DirectoryExists(kept->Directory)) {
        ReadTabPlace(side, tab); // gone while hidden: its nearest existing parent
        return;
    }
    platform::TDirectoryStamp now;
    const bool unchanged = tab.Stamped && !tab.Stale &&
                           platform::GetDirectoryStamp(kept->Directory, now) && now == tab.Stamp &&
                           tab.Hidden == ShowHidden && tab.Natural == NaturalOrder;
    if (p.TakeKeptListing(tab, *kept))
        SplitterMoved(); // the Name column takes what the Size column left
    FillDriveList(side);
    p.DirectoryLabel->setText(platform::DisplayName(p.Directory));
    ShowFreeSpace(side);
    ShowTotals(side, QStringLiteral(" objects"), QStringLiteral(" bytes"));
    RestoreViewState(side, TFilePanel::TabView(tab));
    WatchPanel(side);
    // Changed while hidden: read again, the cursor and the marks kept on their names.
    if (!unchanged)
        RereadKeepingView(side);
}

void TfMain::ReadTabPlace(TSide side, TTabState& tab)
{
    TPanel& p = m_panels[side];
    TViewState view = TFilePanel::TabView(tab);
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
            p.Fed.reset();
        }
    }
    tab.Visited = true;
    p.Directory = p.Fed ? p.Fed->Root : place.Folder;
    p.ArchiveFolder = tab.ArchiveFolder;
    p.HistoryStep = gone.isEmpty(); // the tab's own place, no new one
    ReadListing(side, [this, side, view, place, gone] {
        TPanel& p = m_panels[side];
        FillDriveList(side);
        if (!ShowsFedResults(side))
            p.DirectoryLabel->setText(platform::DisplayName(p.Directory));
        ShowFreeSpace(side);
        ShowTotals(side, QStringLiteral(" objects"), QStringLiteral(" bytes"));
        if (!place.Archive.isEmpty()) {
            const int row = RowOf(p.Listing, place.Archive);
            if (row >= 0) {
                p.Files->FocusItem(row);
                OpenArchiveAtMember(side, row, place.Cursor);
            }
        } else {
            RestoreViewState(side, view);
        }
        p.HistoryStep = false;
        NoteArrived(side);
        if (!gone.isEmpty())
            SayGone(side, gone);
    });
}

// Opening, closing, switching, locking --------------------------------------------------

void TfMain::OpenTab(TSide side)
{
    m_panels[side].OpenTab();
}

void TfMain::CloseTab(TSide side, int index)
{
    TPanel& p = m_panels[side];
    const bool shown = index == p.Tabs.Shown();
    if (p.Tabs.Count() <= 1 || (shown && Reading(side)))
        return;
    if (!shown) {
        p.Tabs.Close(index);
        SyncTabBar(side);
        return;
    }
    p.Tabs.ShownTab().Listing.reset();
    {
        TFileListing dropped;
        dropped.Swap(p.Listing);
        p.Files->SetVirtualItemCount(0, cfNoScroll);
    }
    if (p.ReadOnly)
        p.ReadOnly->Close(); // the archive the closed tab showed, if any
    p.Tabs.Close(index);
    RestoreShownTab(side);
}

void TfMain::ShowTab(TSide side, int index)
{
    TPanel& p = m_panels[side];
    if (index < 0 || index >= p.Tabs.Count() || index == p.Tabs.Shown())
        return;
    CancelRead(side); // the tab left shows what it showed before its read
    SaveShownTab(side, true);
    p.Tabs.Show(index);
    RestoreShownTab(side);
}

void TfMain::SetTabLocked(TSide side, int index, bool locked)
{
    m_panels[side].SetTabLocked(index, locked);
}

void TfMain::LeaveLockedTab(TSide side)
{
    TPanel& p = m_panels[side];
    if (!p.Tabs.ShownTab().Locked || Reading(side))
        return;
    OpenTab(side);
    p.Tabs.ShownTab().Locked = false;
    SyncTabBar(side);
}

// History --------------------------------------------------------------------------------

void TfMain::NoteLeaving(TSide side)
{
    m_panels[side].NoteLeaving();
}

void TfMain::NoteArrived(TSide side)
{
    m_panels[side].NoteArrived();
}

void TfMain::HistoryGo(TSide side, int stepOrIndex, bool index)
{
    TPanel& p = m_panels[side];
    if (Reading(side) || (!index && !p.Tabs.ShownTab().History.CanStep(stepOrIndex)))
        return;
    LeaveLockedTab(side);
    TPanelHistory& history = p.Tabs.ShownTab().History;
    const QString cursor = PanelPlace(side).Cursor;
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
        GoToHistoryPlace(side, *place);
    if (!skipped.isEmpty()) {
        QStringList names;
        for (const QString& gone : skipped)
            names << platform::DisplayName(gone);
        p.Total->SetText(3,
                         QStringLiteral("Skipped, gone: %1").arg(names.join(QStringLiteral(", "))));
    }
}

void TfMain::GoToHistoryPlace(TSide side, const TPanelPlace& place)
{
    TPanel& p = m_panels[side];
    p.HistoryStep = true;
    p.Directory = place.Folder;
    p.ArchiveFolder.clear();
    OpenLocation(side, [this, side, place] {
        TPanel& p = m_panels[side];
        const int row = RowOf(p.Listing, place.Archive.isEmpty() ? place.Cursor : place.Archive);
        if (row >= 0) {
            p.Files->FocusItem(row);
            if (!place.Archive.isEmpty())
                OpenArchiveAtMember(side, row, place.Cursor);
        }
        p.HistoryStep = false;
        NoteArrived(side);
    });
}

void TfMain::MenuHistoryClick()
{
    const TSide side = ActiveSide();
    TPanel& p = m_panels[side];
    const TPanelHistory& history = p.Tabs.ShownTab().History;
    if (history.Places().size() < 2)
        return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // Newest first, as the places were shown; the tab's own place checked.
    for (int i = int(history.Places().size()) - 1; i >= 0; --i) {
        const TPanelPlace& place = history.Places()[i];
        QAction* item = menu->addAction(
            platform::DisplayName(place.Folder + place.Archive), this,
            [this, side, i] { RunCommand([=, this] { HistoryGo(side, i, true); }); });
        item->setCheckable(true);
        item->setChecked(i == history.At());
    }
    m_historyMenu = menu;
    connect(menu, &QObject::destroyed, this, [this, menu] {
        if (m_historyMenu == menu)
            m_historyMenu = nullptr;
    });
    QWidget* list = p.Files->ActiveView();
    menu->popup(list->mapToGlobal(QPoint(0, 0)));
}

// Drops on a tab -------------------------------------------------------------------------

namespace
{

// The folder files dropped on a tab go into; empty when the tab shows no folder.
QString DropFolder(const TTabState& tab)
{
    if (tab.Fed || !tab.Place.Archive.isEmpty() || !tab.Place.Folder.startsWith('/'))
        return {};
    return tab.Place.Folder;
}

} // namespace

bool TfMain::TabDropAt(const QPoint& global, Qt::KeyboardModifiers modifiers)
{
    for (const TSide side : {sdLeft, sdRight}) {
        TTabStrip* bar = m_panels[side].TabBar;
        if (!bar->isVisible())
            continue;
        const int index = bar->tabAt(bar->mapFromGlobal(global));
        if (index < 0)
            continue;
        DragMode = 0;
        for (TPanel& p : m_panels)
            p.Files->SetListCursor(Qt::ArrowCursor);
        // As a drop on a list: Ctrl copies, else the entries move.
        DropOnTab(side, index, !(modifiers & Qt::ControlModifier));
        return true;
    }
    return false;
}

void TfMain::DropOnTab(TSide side, int index, bool move)
{
    TPanel& p = m_panels[side];
    if (ReadingAny() || index < 0 || index >= p.Tabs.Count())
        return;
    if (index == p.Tabs.Shown() && side != ActiveSide()) {
        DirectTransfer(move); // the other panel's shown tab: a drop on its list
        return;
    }
    if (index == p.Tabs.Shown())
        SaveShownTab(side, false);
    const QString folder = DropFolder(p.Tabs.Tab(index));
    if (folder.isEmpty()) {
        platform::ShowMessage(QStringLiteral("Nothing was dropped: that tab shows no folder."));
        return;
    }
    const TSide a = ActiveSide();
    if (folder == AddSeparator(m_panels[a].Directory) && !ShowsArchive(a))
        return; // onto the folder they are in
    if (RefuseOnRemote(a) ||
        RefuseOnFedMembers(a, move ? QStringLiteral("moved") : QStringLiteral("copied")) ||
        (move && RefuseOnReadOnlyArchive(a)) ||
        !ConfirmAfterCursorJump(move ? QStringLiteral("Move") : QStringLiteral("Copy")))
        return;
    TCopyTarget target;
    target.Kind = TCopyTarget::Into;
    target.Folder = folder;
    KeepingActive([&] { TransferToTyped(move, target); });
}

void TfMain::DropUrlsOnTab(TSide side, int index, const QList<QUrl>& urls, bool move)
{
    TPanel& p = m_panels[side];
    if (ReadingAny() || index < 0 || index >= p.Tabs.Count())
        return;
    if (index == p.Tabs.Shown())
        SaveShownTab(side, false);
    const QString folder = DropFolder(p.Tabs.Tab(index));
    QStringList paths;
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            paths << url.toLocalFile();
    if (folder.isEmpty() || paths.isEmpty())
        return;
    KeepingActive([&] { WithZipMessages([&] { m_commands.PasteFiles(move, paths, folder); }); });
}
