// The panel's side of a folder read: the worker's part (stamp, read, sort), the panel
// while a read goes on in the background ("Reading… N entries", Escape to go back), the
// panel shown again as it was, and the rows of a finished read taken in.
#include "controls/VirtualListView.h"
#include "panel/FilePanel.h"
#include "panel/StatusLine.h"
#include "platform/FileNames.h"

#include <QLabel>
#include <QShortcut>
#include <QThread>

namespace
{

constexpr int kStatusMs = 100;

} // namespace

TFileWorker::TWork TFilePanel::ReadWork(const TPanelRead& read, const TReadOptions& options,
                                        const std::shared_ptr<std::atomic<bool>>& first)
{
    const std::shared_ptr<TPanelRead::TResult> result = read.Result;
    const std::shared_ptr<std::atomic<bool>> finished = read.Finished;
    const QString directory = read.Directory;
    return [=](platform::TFileOpsProgress& progress) {
        while (first && !first->load() && !progress.Cancelled())
            QThread::msleep(5);
        if (directory == QLatin1String("Drives")) {
            result->Listing.LoadDrives(options.Drives);
        } else if (!progress.Cancelled()) {
            result->Stamped = platform::GetDirectoryStamp(directory, result->Stamp);
            result->Listing.ReadDirectory(directory, &progress);
        }
        if (!progress.Cancelled())
            result->Listing.Sort(options.Order, options.Ascending, options.Natural);
        if (!options.Hidden) // after the sort, which keeps them all for the other panel
            result->Listing.DropHidden();
        finished->store(true);
    };
}

void TFilePanel::ShowReading(TPanelRead& read)
{
    read.Caption = DirectoryLabel->text();
    read.Objects = Total->Text(1);
    read.Bytes = Total->Text(2);
    read.Focused = Files->GetFocusedIndex();
    DirectoryLabel->setText(platform::DisplayName(read.Directory));
    // The rows of the old location are hidden, not dropped: a cancel shows them again.
    Files->SetVirtualItemCount(0, cfNoScroll);
    FilesChange();
    Total->SetText(2, QString());
    const TFileWorker& worker = *read.Worker;
    const auto update = [this, &worker] {
        Total->SetText(1, QStringLiteral("Reading… ") + FormatSize(worker.Progress().Items()) +
                              QStringLiteral(" entries"));
    };
    update();
    connect(&read.Status, &QTimer::timeout, &read.Status, update);
    read.Status.start(kStatusMs);
    CancelRead->setEnabled(true);
}

void TFilePanel::ShowAgain(const TPanelRead& read)
{
    CancelRead->setEnabled(false);
    DirectoryLabel->setText(read.Caption);
    Total->SetText(1, read.Objects);
    Total->SetText(2, read.Bytes);
    Files->SetVirtualItemCount(Listing.Count(), cfNoScroll);
    if (read.Focused >= 0 && read.Focused < Listing.Count())
        Files->FocusItem(read.Focused);
    FilesChange();
}

bool TFilePanel::TakeListing(TPanelRead& read)
{
    Directory = read.Directory;
    Listing.Swap(read.Result->Listing);
    ListingStamp = read.Result->Stamp;
    ListingStamped = read.Result->Stamped;
    Files->SetVirtualItemCount(Listing.Count(), cfNoScroll);
    const bool widened = FitSizeColumn();
    // A new row count drops the selection without the list reporting it.
    FilesChange();
    return widened;
}

bool TFilePanel::EndRead()
{
    const std::unique_ptr<TPanelRead> read = std::move(Read);
    if (!read)
        return false;
    read->Worker.reset(); // abandoned: a read stuck in the file system ends on its own
    ShowAgain(*read);
    return true;
}
