// The window's side of the panels' reads (see TPanelOwner): the place each read lists
// (a remote folder, search results), landings deferred while a command runs, and what
// follows a landing.
#include "main/RemoteState.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "panel/RemoteLocation.h"
#include "places/PlaceOf.h"
#include "platform/FileNames.h"

#include <QLabel>
#include <QScopeGuard>
#include <QTimer>

void TfMain::ReadListing(TSide side, std::function<void()> then, int restarts)
{
    m_panels[side].StartRead(std::move(then), restarts);
}

void TfMain::LandInBackground(TSide side)
{
    m_panels[side].LandInBackground();
}

void TfMain::LandDeferredReads()
{
    for (TPanel& p : m_panels)
        p.LandIfDone();
}

bool TfMain::MayLand() const
{
    return !m_commandRunning;
}

TPanelReadOptions TfMain::ReadOptions() const
{
    TPanelReadOptions options;
    options.Natural = NaturalOrder;
    options.Hidden = ShowHidden;
    options.Drives = LogicalDrives;
    return options;
}

std::unique_ptr<places::TPlace> TfMain::PlaceToRead(TFilePanel& panel, std::function<void()>& then)
{
    const TSide side = SideOf(panel);
    const TPanel& p = m_panels[side];
    places::TPlaceState state;
    state.Directory = p.Directory;
    state.Shown = platform::DisplayName(p.Directory);
    // A remote folder, unless it is the root of search results shown, looked up again as
    // local ones are.
    if (IsRemoteLocation(p.Directory) && !(p.Fed && p.Fed->Root == p.Directory)) {
        state.Remote = true;
        state.Directory = RemoteFolder(p.Directory);
        state.Shown = RemoteDisplayName(state.Directory);
        state.RemotePlaces = RemotePlacesOf(state.RemoteFailure);
        // A place not mounted yet (a tab remembered from the last run) is mounted by the
        // listing, asking as a connection does.
        if (state.RemotePlaces)
            state.RemotePlaces->SetReconnectAsker(&RemoteState().Asker);
        then = [this, side, then = std::move(then)] {
            if (then)
                then();
            m_panels[side].DirectoryLabel->setText(RemoteDisplayName(m_panels[side].Directory));
        };
        return places::PlaceOf(state);
    }
    if (std::shared_ptr<TFedResults> fed = FedResultsToRead(side)) {
        state.Results = true;
        state.Remote = !fed->Remote.isEmpty();
        if (state.Remote)
            state.RemotePlaces = RemotePlacesOf(state.RemoteFailure);
        state.Fed = fed;
        then = FedResultsLanded(side, std::move(fed), std::move(then));
    }
    return places::PlaceOf(state);
}

void TfMain::Arrived(TFilePanel& panel, bool widened)
{
    const TSide side = SideOf(panel);
    if (widened)
        SplitterMoved(); // the Name column takes what the Size column left
    WatchPanel(side);
}

void TfMain::RunCommand(const std::function<void()>& command)
{
    // One command at a time: one that waits in a progress window, a dialog or a read
    // refuses every other, from whatever path it comes.
    if (m_commandRunning || FileWorkRunning())
        return;
    m_commandRunning = true;
    const auto over = qScopeGuard([this] {
        m_commandRunning = false;
        QTimer::singleShot(0, this, [this] { LandDeferredReads(); });
    });
    command();
}

void TfMain::ShowAgain(TSide side, const TPanelRead& read)
{
    m_panels[side].ShowAgain(read);
}

bool TfMain::CancelRead(TSide side)
{
    return m_panels[side].EndRead();
}
