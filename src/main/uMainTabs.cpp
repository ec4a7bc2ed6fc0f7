// Tabs in each panel and the places each tab has shown. The panel (TPanel) always holds
// the shown tab; switching saves it into its TTabState, the folder's listing moved along,
// and brings the other one back: without a read while its folder has not changed since
// (its stamp), else read again keeping the cursor and the marks. Only the shown tab is
// watched, as the panel's watcher follows what the panel shows. The panel opens, closes,
// switches and steps through its tabs and history itself (PanelTabsControl.cpp); here are
// the menus, keys, drops and what the panel asks of the window.
#include "controls/TabStrip.h"
#include "controls/VirtualListView.h"
#include "main/uMain.h"
#include "panel/PanelText.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"

#include <QMenu>

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
        PostDrop([=, this] { DropUrlsOnTab(side, index, urls, move); });
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
        // One sequence only: X11 reports these keys as Backtab, and Qt matches that to
        // each of its spellings, so a second one would make the key ambiguous and dead.
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)}, &TfMain::MenuPreviousTabClick);
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

// Opening, closing, switching, locking --------------------------------------------------

void TfMain::OpenTab(TSide side)
{
    m_panels[side].OpenTab();
}

void TfMain::CloseTab(TSide side, int index)
{
    m_panels[side].CloseTab(index);
}

void TfMain::ShowTab(TSide side, int index)
{
    m_panels[side].ShowTab(index);
}

void TfMain::SetTabLocked(TSide side, int index, bool locked)
{
    m_panels[side].SetTabLocked(index, locked);
}

void TfMain::LeaveLockedTab(TSide side)
{
    m_panels[side].LeaveLockedTab();
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
    m_panels[side].HistoryGo(stepOrIndex, index);
}

// What a tab shown again or a step through the history needs of the window (TPanelOwner).

void TfMain::ShowPlace(TFilePanel& panel)
{
    FillDriveList(SideOf(panel));
    ShowFreeSpace(SideOf(panel));
}

void TfMain::ShowSettings(TFilePanel& panel)
{
    ShowSortOrder(SideOf(panel));
    SyncMenusToPanel(SideOf(panel));
}

void TfMain::OpenArchiveAt(TFilePanel& panel, int row, const QString& member)
{
    OpenArchiveAtMember(SideOf(panel), row, member);
}

void TfMain::OpenPlace(TFilePanel& panel, const std::function<void()>& after)
{
    OpenLocation(SideOf(panel), after);
}

void TfMain::Reread(TFilePanel& panel)
{
    RereadKeepingView(SideOf(panel));
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
    if (index == p.Tabs.Shown()) {
        DropUrls(side, urls, move); // as on the list of the tab
        return;
    }
    const QString folder = DropFolder(p.Tabs.Tab(index));
    const TDroppedFiles files = SortDroppedUrls(urls);
    if (!folder.isEmpty())
        DropIntoFolder(folder, files, move);
}
