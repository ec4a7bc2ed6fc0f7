// Reading a panel's folder: on a worker, waited for briefly, then in the background with
// "Reading… N entries" on the panel's status line, and Escape to go back.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "main/uMain.h"
#include "panel/FedResults.h"
#include "panel/StatusLine.h"
#include "platform/FileNames.h"
#include "platform/Messages.h"
#include "transfer/FileOpsSupport.h"

#include <QLabel>
#include <QPointer>
#include <QScopeGuard>
#include <QShortcut>
#include <QThread>
#include <cerrno>

namespace
{

// A read that ends within this time lands before ReadListing returns: nothing flickers.
constexpr int kQuietReadMs = 200;
// A folder that changed while it was read is read again, this many times at most: one
// that changes all the time still lands.
constexpr int kMaxRestarts = 2;

} // namespace

void TfMain::ReadListing(TSide side, std::function<void()> then, int restarts)
{
    // Search results shown in the panel are looked up again instead of its folder.
    if (ReadRemote(side, then))
        return; // a remote folder: GIO lists it without a worker of ours
    const std::shared_ptr<TFedResults> fed = FedResultsToRead(side);
    if (fed)
        then = FedResultsLanded(side, fed, std::move(then));
    TPanel& p = m_panels[side];
    auto read = std::make_unique<TPanelRead>();
    read->Directory = p.Directory;
    read->Then = std::move(then);
    read->Restarts = restarts;
    // A read under way is replaced: the panel is as before it, the location it shows kept.
    if (const std::unique_ptr<TPanelRead> replaced = std::move(p.Read)) {
        replaced->Worker.reset();
        ShowAgain(side, *replaced);
    }
    if (!p.Listing.Directory.isEmpty())
        p.Directory = p.Listing.Directory;
    // Both panels on one large folder: the second read waits for the first, which leaves
    // its entries to be taken, instead of asking the file system for every entry again
    // at the same time with a second copy of every name.
    std::shared_ptr<std::atomic<bool>> first;
    if (const TPanelRead* other = m_panels[Other(side)].Read.get();
        other && other->Directory == read->Directory)
        first = other->Finished;
    const TFilePanel::TReadOptions options{p.SortOrder, p.Ascending, NaturalOrder, ShowHidden,
                                           LogicalDrives};
    read->Worker = std::make_unique<TFileWorker>(fed ? FedReadWork(*fed, *read, p.SortOrder)
                                                     : TFilePanel::ReadWork(*read, options, first));
    if (read->Worker->Wait(kQuietReadMs)) {
        read->Worker.reset();
        FinishRead(side, std::move(read));
        return;
    }
    ShowReading(side, *read);
    read->Worker->OnDone = [this, side] {
        TPanelRead& done = *m_panels[side].Read;
        done.Status.stop();
        done.Done = true;
        // Within a command the rows wait until it is over: its listings stay as it saw them.
        if (!m_commandRunning)
            LandInBackground(side);
    };
    p.Read = std::move(read);
}

void TfMain::LandInBackground(TSide side)
{
    std::unique_ptr<TPanelRead> done = std::move(m_panels[side].Read);
    if (TFileWorker* worker = done->Worker.release()) // none for a remote folder
        worker->deleteLater();                          // its signal may be being handled
    // The active panel changes only by the user: the rows land where the focus is, also
    // when a dialog has it now (the main window's own focus then waits for it to close).
    const QPointer<QWidget> focus = focusWidget();
    const int active = ActivePanel;
    // From here on as after a quick read.
    ShowAgain(side, *done);
    FinishRead(side, std::move(done));
    if (ActivePanel != active) {
        ActivePanel = active;
        if (active == 1 || active == 2)
            SyncMenusToPanel(ActiveSide());
    }
    if (focus && focus != focusWidget())
        focus->setFocus();
}

void TfMain::LandDeferredReads()
{
    for (const TSide side : {sdLeft, sdRight})
        if (m_panels[side].Read && m_panels[side].Read->Done && !m_commandRunning)
            LandInBackground(side);
}

void TfMain::FinishRead(TSide side, std::unique_ptr<TPanelRead> read)
{
    TPanel& p = m_panels[side];
    const TFileListing& listing = read->Result->Listing;
    // Changed while it was read (a command in the other panel, another program): the
    // names read may miss the change, so the folder is read again.
    platform::TDirectoryStamp now;
    if (read->Result->Stamped && read->Restarts < kMaxRestarts &&
        platform::GetDirectoryStamp(read->Directory, now) && !(now == read->Result->Stamp)) {
        p.Directory = read->Directory;
        ReadListing(side, std::move(read->Then), read->Restarts + 1);
        return;
    }
    if (const int openError = listing.OpenError; openError != 0) {
        const QString reason = QStringLiteral("The folder %1 cannot be read: %2.")
                                   .arg(read->Directory, platform::ErrorText(openError));
        // Going to a folder that cannot be read leaves the panel where the user was.
        if (!p.Listing.Directory.isEmpty() && p.Listing.Directory != read->Directory) {
            p.HistoryStep = p.HistoryBatch = false; // a step or typed path that led nowhere
            platform::ShowMessage(reason);
            return;
        }
        LandListing(side, *read);
        if (read->Then)
            read->Then();
        // The folder shown went away (a command or another program removed it): the
        // empty panel says so on its status line; a command's own message says the rest.
        if (openError == ENOENT) // `listing` is the panel's old one since it landed
            p.Total->SetText(3, QStringLiteral("%1 is gone").arg(platform::DisplayName(read->Directory)));
        else
            platform::ShowMessage(reason);
        return;
    }
    LandListing(side, *read);
    if (read->Then)
        read->Then();
    if (p.Listing.ReadError != 0)
        platform::ShowMessage(
            QStringLiteral("The folder %1 could not be read completely: %2. Only the entries "
                           "read before the error are shown (%3).")
                .arg(read->Directory, platform::ErrorText(p.Listing.ReadError),
                     FormatSize(p.Listing.Count())));
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

void TfMain::ShowReading(TSide side, TPanelRead& read)
{
    m_panels[side].ShowReading(read);
}

void TfMain::LandListing(TSide side, TPanelRead& read)
{
    TPanel& p = m_panels[side];
    p.CancelRead->setEnabled(false);
    if (p.ReadOnly)
        p.ReadOnly->Close(); // the panel leaves the archive it showed, if any
    NoteLeaving(side);
    if (p.TakeListing(read))
        SplitterMoved(); // the Name column takes what the Size column left
    WatchPanel(side);
    NoteArrived(side);
}

void TfMain::ShowAgain(TSide side, const TPanelRead& read)
{
    m_panels[side].ShowAgain(read);
}

bool TfMain::CancelRead(TSide side)
{
    return m_panels[side].EndRead();
}
