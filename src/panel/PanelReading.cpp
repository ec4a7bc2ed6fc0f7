// The panel's side of a read: the panel while a read goes on in the background ("Reading… N
// entries", Escape to go back), the panel shown again as it was, and the rows of a finished read
// taken in.
#include "controls/VirtualListView.h"
#include "panel/FilePanel.h"
#include "panel/StatusLine.h"
#include "platform/FileNames.h"

#include <QLabel>
#include <QShortcut>

namespace
{

constexpr int kStatusMs = 100;

} // namespace

void TFilePanel::ShowReading(TPanelRead& read)
{
    read.Caption = DirectoryLabel->text();
    read.Objects = Total->Text(1);
    read.Bytes = Total->Text(2);
    read.Focused = Files->GetFocusedIndex();
    DirectoryLabel->setText(read.Shown);
    // The rows of the old location are hidden, not dropped: a cancel shows them again.
    Files->SetVirtualItemCount(0, cfNoScroll);
    FilesChange();
    Total->SetText(2, QString());
    // Counted by the worker, or by the listing that has none.
    const TFileWorker* worker = read.Worker.get();
    const auto update = [this, worker, arrived = read.Arrived] {
        Total->SetText(1, QStringLiteral("Reading… ") +
                              FormatSize(worker ? worker->Progress().Items() : arrived->load()) +
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
