// Reading a panel's folder: on a worker, waited for briefly, then in the background with
// "Reading… N entries" on the panel's status line, and Escape to go back.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "main/StatusLine.h"
#include "main/uMain.h"

#include <QApplication>
#include <QLabel>
#include <QShortcut>
#include <QThread>

namespace
{

// A read that ends within this time lands before ReadListing returns: nothing flickers.
constexpr int kQuietReadMs = 200;
constexpr int kStatusMs = 100;

} // namespace

void TfMain::ReadListing(TSide side, std::function<void()> then)
{
    TPanel& p = m_panels[side];
    auto read = std::make_unique<TPanelRead>();
    read->Directory = p.Directory;
    read->Then = std::move(then);
    // A read under way is replaced: the panel is as before it, the location it shows kept.
    if (const std::unique_ptr<TPanelRead> replaced = std::move(p.Read)) {
        replaced->Worker.reset();
        ShowAgain(side, *replaced);
    }
    if (!p.Listing.Directory.isEmpty())
        p.Directory = p.Listing.Directory;
    TFileListing* const result = &read->Result;
    const QString directory = read->Directory;
    const quint8 order = p.SortOrder;
    const bool ascending = p.Ascending;
    const QStringList drives = LogicalDrives;
    // Both panels on one large folder: the second read waits for the first, which leaves
    // its entries to be taken, instead of asking the file system for every entry again
    // at the same time with a second copy of every name.
    std::shared_ptr<std::atomic<bool>> first;
    if (const TPanelRead* other = m_panels[Other(side)].Read.get();
        other && other->Directory == directory)
        first = other->Finished;
    read->Worker = std::make_unique<TFileWorker>(
        [result, directory, order, ascending, drives, first,
         finished = read->Finished](platform::TFileOpsProgress& progress) {
            while (first && !first->load() && !progress.Cancelled())
                QThread::msleep(5);
            if (directory == QLatin1String("Drives"))
                result->LoadDrives(drives);
            else if (!progress.Cancelled())
                result->ReadDirectory(directory, &progress);
            if (!progress.Cancelled())
                result->Sort(order, ascending);
            finished->store(true);
        });
    if (read->Worker->Wait(kQuietReadMs)) {
        read->Worker.reset();
        LandListing(side, *read);
        if (read->Then)
            read->Then();
        return;
    }
    ShowReading(side, *read);
    read->Worker->OnDone = [this, side] {
        const std::unique_ptr<TPanelRead> done = std::move(m_panels[side].Read);
        done->Status.stop();
        done->Worker.release()->deleteLater(); // its signal is being handled
        // The rows land where the user left the focus: in the other panel, it stays there.
        QWidget* const focus = QApplication::focusWidget();
        const int active = ActivePanel;
        // From here on as after a quick read.
        ShowAgain(side, *done);
        LandListing(side, *done);
        if (done->Then)
            done->Then();
        if (ActivePanel != active && focus && focus->isVisible())
            focus->setFocus();
    };
    p.Read = std::move(read);
}

void TfMain::ShowReading(TSide side, TPanelRead& read)
{
    TPanel& p = m_panels[side];
    read.Caption = p.DirectoryLabel->text();
    read.Objects = p.Total->Text(1);
    read.Bytes = p.Total->Text(2);
    read.Focused = p.Files->GetFocusedIndex();
    p.DirectoryLabel->setText(read.Directory);
    // The rows of the old location are hidden, not dropped: a cancel shows them again.
    p.Files->SetVirtualItemCount(0, cfNoScroll);
    FilesChange(side);
    p.Total->SetText(2, QString());
    const TFileWorker& worker = *read.Worker;
    const auto update = [&p, &worker] {
        p.Total->SetText(1, QStringLiteral("Reading… ") + FormatSize(worker.Progress().Items()) +
                                QStringLiteral(" entries"));
    };
    update();
    connect(&read.Status, &QTimer::timeout, &read.Status, update);
    read.Status.start(kStatusMs);
    p.CancelRead->setEnabled(true);
}

void TfMain::LandListing(TSide side, TPanelRead& read)
{
    TPanel& p = m_panels[side];
    p.CancelRead->setEnabled(false);
    if (p.ReadOnly)
        p.ReadOnly->Close(); // the panel leaves the archive it showed, if any
    p.Directory = read.Directory;
    p.Listing.Swap(read.Result);
    p.Files->SetVirtualItemCount(p.Listing.Count(), cfNoScroll);
    FitSizeColumn(side);
    // A new row count drops the selection without the list reporting it.
    FilesChange(side);
}

void TfMain::ShowAgain(TSide side, const TPanelRead& read)
{
    TPanel& p = m_panels[side];
    p.CancelRead->setEnabled(false);
    p.DirectoryLabel->setText(read.Caption);
    p.Total->SetText(1, read.Objects);
    p.Total->SetText(2, read.Bytes);
    p.Files->SetVirtualItemCount(p.Listing.Count(), cfNoScroll);
    if (read.Focused >= 0 && read.Focused < p.Listing.Count())
        p.Files->FocusItem(read.Focused);
    FilesChange(side);
}

bool TfMain::CancelRead(TSide side)
{
    const std::unique_ptr<TPanelRead> read = std::move(m_panels[side].Read);
    if (!read)
        return false;
    read->Worker.reset();
    ShowAgain(side, *read);
    return true;
}
