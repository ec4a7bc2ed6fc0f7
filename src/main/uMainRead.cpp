// The window's side of the panels' reads (see TPanelOwner): remote places, search
// results, landings deferred while a command runs, and what follows a landing.
#include "main/uMain.h"

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

bool TfMain::ReadElsewhere(TFilePanel& panel, std::function<void()>& then)
{
    return ReadRemote(SideOf(panel), then);
}

TFileWorker::TWork TfMain::ResultsWork(TFilePanel& panel, const TPanelRead& read,
                                       std::function<void()>& then)
{
    const TSide side = SideOf(panel);
    std::shared_ptr<TFedResults> fed = FedResultsToRead(side);
    if (!fed)
        return {};
    TFileWorker::TWork work = FedReadWork(*fed, read, panel.SortOrder);
    then = FedResultsLanded(side, std::move(fed), std::move(then));
    return work;
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
