// Live folders, the panel's part: its watcher on what it shows (its folder, or the file
// of the archive it shows), what it notes when changes settle or the place goes, and the
// status line that says a place left is gone until it is back.
#include "panel/FilePanel.h"
#include "panel/StatusLine.h"
#include "platform/FileNames.h"
#include "platform/FolderWatcher.h"

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
