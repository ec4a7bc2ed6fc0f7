// The quick view of a file of a remote place: the pane's load fetches a private copy of
// at most the pane's limit off the window's thread and shows it as a local file; moving
// the cursor on abandons the fetch, and the copy goes when the pane moves on. A folder
// shows its name: remote trees are not walked for their size.
#include "panel/RemoteLocation.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "quickview/uQuickView.h"

#include <QFileInfo>
#include <atomic>
#include <chrono>
#include <thread>

namespace
{

// Copies the remote file `uri` into the new local file `file`, stopping once the pane
// has moved on or more than `limit` bytes have come.
bool FetchForPane(platform::TRemotePlaces& places, const QString& uri, qint64 size,
                  const QString& file, qint64 limit, platform::TFileOpsProgress& progress,
                  QString& why)
{
    if (size > limit) {
        why = QStringLiteral("too large to show: remote files of more than %1 MiB are not "
                             "fetched")
                  .arg(limit >> 20);
        return false;
    }
    platform::TRemoteCancel cancel;
    bool tooLarge = false;
    const QFileInfo target(file);
    platform::TRemoteCopy copy;
    copy.Source = uri;
    copy.TargetFolder = target.absolutePath();
    copy.TargetName = target.fileName();
    copy.Progress = [&](qint64 done, qint64) {
        tooLarge = tooLarge || done > limit;
        if (tooLarge || progress.Cancelled())
            cancel.Cancel();
    };
    // The pane moving on cancels the call under way at once, also one waiting for a
    // server that does not answer (no progress comes then).
    std::atomic<bool> ended{false};
    std::thread watch([&] {
        while (!ended.load() && !progress.Cancelled())
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!ended.load())
            cancel.Cancel();
    });
    const platform::TRemoteResult result = places.Copy(copy, &cancel);
    ended = true;
    watch.join();
    if (result.Ok)
        return true;
    if (tooLarge)
        why = QStringLiteral("too large to show: more than %1 MiB").arg(limit >> 20);
    else if (!progress.Cancelled())
        why = QStringLiteral("unreadable: ") + result.Error;
    return false;
}

} // namespace

void TfMain::QuickShowRemote(TSide side, const TFileObject& e)
{
    if (e.IsDirectory()) {
        m_quick->ShowText(e.Name + QStringLiteral(" — a folder of a remote place"));
        return;
    }
    QString failure;
    platform::TRemotePlaces* places = RemotePlacesOf(failure);
    if (!places) {
        m_quick->ShowText(failure);
        return;
    }
    const QString uri = places->Child(RemoteFolder(m_panels[side].Directory), e.Name);
    quickview::TMemberSource source;
    source.Archive = RemoteFolder(m_panels[side].Directory);
    source.Name = e.Name;
    source.Size = e.Size;
    source.Fetch = [places, uri, size = e.Size](const QString& file, qint64 limit,
                                                platform::TFileOpsProgress& progress,
                                                QString& why) {
        return FetchForPane(*places, uri, size, file, limit, progress, why);
    };
    m_quick->ShowMember(source, QuickDescriber(e.Name));
}
