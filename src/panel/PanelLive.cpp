// Live folders, the panel's part: its watcher on what it shows (its folder, or the file
// of the archive it shows), what it notes when changes settle or the place goes, and the
// status line that says a place left is gone until it is back. A change is read in only
// when the owner says the panel is free, and a large folder not more often than its size
// allows; a place gone takes the panel to its nearest existing parent.
#include "panel/FilePanel.h"
#include "panel/PanelText.h"
#include "panel/StatusLine.h"
#include "platform/FileNames.h"
#include "platform/FolderWatcher.h"
#include "platform/StartPath.h"

#include <QLabel>
#include <algorithm>

namespace
{

// While a change waits for the panel to be free, it looks again this often.
constexpr int kRetryMs = 250;
// A re-read of N entries waits N / kEntriesPerMs ms after the one before: a folder of a
// million entries is read at most every four seconds, a small one at once.
constexpr int kEntriesPerMs = 250;

} // namespace

void TFilePanel::CreateWatcher()
{
    Watcher = new platform::TFolderWatcher(this);
    connect(Watcher, &platform::TFolderWatcher::Settled, this, [this] {
        LivePending = true;
        emit LiveChange();
    });
    connect(Watcher, &platform::TFolderWatcher::Gone, this, [this](bool unmounted) {
        LivePending = true;
        LiveGone = unmounted ? lgUnmounted : lgDeleted;
        emit LiveChange();
    });
    LiveRetry.setSingleShot(true);
    connect(&LiveRetry, &QTimer::timeout, this, &TFilePanel::LiveChange);
}

void TFilePanel::Watch(const QString& folder, const QString& name, bool live)
{
    LastRead.start();
    if (folder == Watcher->Folder() && name == Watcher->Name() && Watcher->Watching()) {
        ForgetGoneIfBack();
        return;
    }
    // What was pending belonged to the place left, and so did its message.
    LivePending = false;
    LiveGone = lgNo;
    Gone.clear();
    Total->SetText(3, QString());
    if (live && folder.startsWith('/')) // the drive list is no folder
        Watcher->Watch(folder, name);
    else
        Watcher->Release();
}

void TFilePanel::SayGone(const QString& gone)
{
    Gone = gone;
    Total->SetText(3, QStringLiteral("%1 is gone").arg(platform::DisplayName(gone)));
    ForgetGoneIfBack(); // back already by the time the panel left for its folder
}

void TFilePanel::ForgetGoneIfBack()
{
    const QString folder = AddSeparator(Directory);
    if (Gone.isEmpty() || !Gone.startsWith(folder) || Gone.size() == folder.size())
        return;
    // Back once the panel's folder lists it again (or the folder it was in).
    const QString name = Gone.mid(folder.size()).section('/', 0, 0);
    for (int row = 0; row < Listing.Count(); ++row)
        if (Listing[row].Name == name) {
            Gone.clear();
            Total->SetText(3, QString());
            return;
        }
}

void TFilePanel::LiveReread()
{
    if (!LivePending)
        return;
    const qint64 gap = Listing.Count() / kEntriesPerMs - LastRead.elapsed();
    if (!Owner->MayRereadChange(*this) || gap > 0) {
        LiveRetry.start(int(std::max<qint64>(kRetryMs, gap)));
        return;
    }
    LivePending = false;
    if (const auto gone = std::exchange(LiveGone, lgNo); gone != lgNo) {
        FollowGoneFolder(gone == lgUnmounted);
        return;
    }
    if (!Listing.IsArchiveListing()) {
        Owner->RereadChange(*this);
        return;
    }
    if (!Owner->ReloadShownArchive(*this))
        FollowGoneFolder(false);
}

void TFilePanel::FollowGoneFolder(bool unmounted)
{
    QString gone = Directory;
    if (Listing.IsArchiveListing()) {
        const TPanelPlace place = Place();
        gone = place.Folder + place.Archive; // the archive's file
    }
    // An unmounted folder may leave an empty mount point behind: its parent is meant.
    Directory = platform::NearestExistingFolder(unmounted ? ParentLocation(Directory) : Directory);
    StartRead([this, gone] {
        Owner->ShowPlace(*this);
        DirectoryLabel->setText(platform::DisplayName(Directory));
        ShowTotals(QStringLiteral(" objects"), QStringLiteral(" bytes"));
        SayGone(gone);
    });
}
