// A panel's read from start to landing: on a worker, waited for briefly, then in the
// background with "Reading… N entries" on the status line and Escape to go back; read
// again when the folder changed meanwhile; landed when the owner allows.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "panel/FilePanel.h"
#include "panel/StatusLine.h"
#include "platform/FileNames.h"
#include "platform/Messages.h"
#include "transfer/FileOpsSupport.h"

#include <QPointer>
#include <QShortcut>
#include <QTimer>
#include <QWidget>
#include <cerrno>

namespace
{

// A read that ends within this time lands before StartRead returns: nothing flickers.
constexpr int kQuietReadMs = 200;
// A folder that changed while it was read is read again, this many times at most: one
// that changes all the time still lands.
constexpr int kMaxRestarts = 2;

} // namespace

void TFilePanel::StartRead(std::function<void()> then, int restarts)
{
    // Asked before the panel takes back the location it shows: the owner knows by the
    // location gone to whether search results are still shown.
    const std::unique_ptr<places::TPlace> place = Owner->PlaceToRead(*this, then);
    auto read = std::make_unique<TPanelRead>();
    read->Directory = place->StoredAddress();
    read->Shown = place->ShownAddress();
    read->Restarts = restarts;
    read->Then = std::move(then);
    // A read under way is replaced: the panel is as before it, the location it shows kept.
    if (const std::unique_ptr<TPanelRead> replaced = std::move(Read)) {
        replaced->Worker.reset();
        ShowAgain(*replaced);
    }
    if (!Listing.Directory.isEmpty())
        Directory = Listing.Directory;
    places::TListRequest request{Owner->ReadOptions(), {}, &Listing};
    request.Options.Order = SortOrder;
    request.Options.Ascending = Ascending;
    // Both panels on one large folder: the second read waits for the first, which leaves
    // its entries to be taken, instead of asking the file system for every entry again
    // at the same time with a second copy of every name.
    if (Twin && Twin->Read && Twin->Read->Directory == read->Directory)
        request.First = Twin->Read->Finished;
    const std::shared_ptr<TPanelRead::TResult> result = read->Result;
    places::TListing listing =
        place->StartList(request, read->Sink([this, result](const QString& error) {
            // Landed from the event loop, not from within the listing's own call.
            QTimer::singleShot(0, Panel, [this, result, error] {
                if (Read && Read->Result == result)
                    ListEnded(error);
            });
        }));
    if (!listing.Failure.isEmpty()) {
        platform::ShowMessage(listing.Failure);
        return;
    }
    if (!listing.Work) {
        // Listed without a worker of ours (GIO's, for a remote folder): the window never
        // waits for it.
        read->Remote = std::move(listing.Async);
        ShowReading(*read);
        Read = std::move(read);
        return;
    }
    read->Worker = std::make_unique<TFileWorker>(std::move(listing.Work));
    if (read->Worker->Wait(kQuietReadMs)) {
        read->Worker.reset();
        FinishRead(std::move(read));
        return;
    }
    ShowReading(*read);
    read->Worker->OnDone = [this] {
        Read->Status.stop();
        Read->Done = true;
        // Within a command the rows wait until it is over: its listings stay as it saw them.
        LandIfDone();
    };
    Read = std::move(read);
}

void TFilePanel::ListEnded(const QString& error)
{
    Read->Status.stop();
    if (!error.isEmpty()) {
        // The panel shows again what it showed before, and the message says why.
        const std::unique_ptr<TPanelRead> failed = std::move(Read);
        ShowAgain(*failed);
        platform::ShowMessage(error);
        return;
    }
    Read->Done = true;
    // Within a command the rows wait until it is over, as a worker's do.
    LandIfDone();
}

void TFilePanel::LandIfDone()
{
    if (Read && Read->Done && Owner->MayLand())
        LandInBackground();
}

void TFilePanel::LandInBackground()
{
    std::unique_ptr<TPanelRead> done = std::move(Read);
    if (TFileWorker* worker = done->Worker.release()) // none for a remote folder
        worker->deleteLater();                        // its signal may be being handled
    // The active panel changes only by the user: the rows land where the focus is, also
    // when a dialog has it now (the window's own focus then waits for it to close).
    QWidget* window = Panel->window();
    const QPointer<QWidget> focus = window->focusWidget();
    m_landingInBackground = true;
    // From here on as after a quick read.
    ShowAgain(*done);
    FinishRead(std::move(done));
    m_landingInBackground = false;
    if (focus && focus != window->focusWidget())
        focus->setFocus();
}

void TFilePanel::FinishRead(std::unique_ptr<TPanelRead> read)
{
    const TFileListing& listing = read->Result->Listing;
    // Changed while it was read (a command in the other panel, another program): the
    // names read may miss the change, so the folder is read again.
    platform::TDirectoryStamp now;
    if (read->Result->Stamped && read->Restarts < kMaxRestarts &&
        platform::GetDirectoryStamp(read->Directory, now) && !(now == read->Result->Stamp)) {
        Directory = read->Directory;
        StartRead(std::move(read->Then), read->Restarts + 1);
        return;
    }
    if (const int openError = listing.OpenError; openError != 0) {
        const QString reason = QStringLiteral("The folder %1 cannot be read: %2.")
                                   .arg(read->Directory, platform::ErrorText(openError));
        // Going to a folder that cannot be read leaves the panel where the user was.
        if (!Listing.Directory.isEmpty() && Listing.Directory != read->Directory) {
            HistoryStep = HistoryBatch = false; // a step or typed path that led nowhere
            platform::ShowMessage(reason);
            return;
        }
        Land(*read);
        if (read->Then)
            read->Then();
        // The folder shown went away (a command or another program removed it): the
        // empty panel says so on its status line; a command's own message says the rest.
        if (openError == ENOENT) // `listing` is the panel's old one since it landed
            Total->SetText(
                3, QStringLiteral("%1 is gone").arg(platform::DisplayName(read->Directory)));
        else
            platform::ShowMessage(reason);
        return;
    }
    Land(*read);
    if (read->Then)
        read->Then();
    if (Listing.ReadError != 0)
        platform::ShowMessage(
            QStringLiteral("The folder %1 could not be read completely: %2. Only the entries "
                           "read before the error are shown (%3).")
                .arg(read->Directory, platform::ErrorText(Listing.ReadError),
                     FormatSize(Listing.Count())));
}

void TFilePanel::Land(TPanelRead& read)
{
    CancelRead->setEnabled(false);
    if (ReadOnly)
        ReadOnly->Close(); // the panel leaves the archive it showed, if any
    NoteLeaving();
    const bool widened = TakeListing(read);
    Owner->Arrived(*this, widened);
    NoteArrived();
}
