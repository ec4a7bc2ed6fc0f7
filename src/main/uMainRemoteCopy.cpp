// F5 between a remote place and a local folder (either way, and between two remote
// places): each marked file goes through TRemotePlaces::Copy on the file-work worker
// behind the progress window. A taken name asks first (Skip, Rename or Cancel: a remote
// copy never replaces), and the target panel is read again afterwards.
#include "fileops/uCollision.h"
#include "fileops/uProgress.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "panel/RemoteLocation.h"
#include "platform/Messages.h"

#include <QDateTime>
#include <QTimer>

namespace
{

QDateTime PanelTime(double days)
{
    const qint64 ms = qint64(days * 86400000.0);
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0)).addMSecs(ms);
}

// The first name "NAME (N).EXT" that `places` finds free in `folder`.
QString FreeName(platform::TRemotePlaces& places, const QString& folder, const QString& name,
                 platform::TRemoteCancel* cancel)
{
    for (int n = 2; n < 1000; ++n) {
        const QString candidate = platform::NumberedName(name, n, false);
        if (!places.Query(places.Child(folder, candidate), cancel).Found)
            return candidate;
    }
    return {};
}

// Copies `item` from `source` into `target` under its name, asking through `ask` while
// the name is taken. Returns the error for the user, empty on success or a skip.
QString CopyOne(platform::TRemotePlaces& places, const TRemoteItem& item, const QString& source,
                const QString& target, const platform::TCollisionAsk& ask,
                platform::TFileOpsProgress& progress, platform::TRemoteCancel& cancel)
{
    QString targetName = item.Name;
    for (;;) {
        qint64 counted = 0;
        platform::TRemoteCopy copy;
        copy.Source = item.Uri.isEmpty() ? places.Child(source, item.Name) : item.Uri;
        copy.TargetFolder = target;
        copy.TargetName = targetName;
        copy.Progress = [&](qint64 done, qint64) {
            progress.AddBytes(done - counted);
            counted = done;
        };
        const platform::TRemoteResult result = places.Copy(copy, &cancel);
        if (result.Ok) {
            progress.AddItem();
            return {};
        }
        progress.AddBytes(-counted);
        if (!result.Exists)
            return result.Cancelled ? QString() : result.Error;
        // The name is taken: nothing was replaced, and the user says what to do.
        platform::TCollision collision;
        collision.Existing.Path = places.Child(target, targetName);
        const platform::TRemoteFileInfo existing = places.Query(collision.Existing.Path, &cancel);
        collision.Existing.Folder = existing.Folder;
        collision.Existing.Size = existing.Size;
        collision.Existing.Modified = QDateTime::fromSecsSinceEpoch(existing.Modified);
        collision.Incoming.Path = copy.Source;
        collision.Incoming.Size = item.Size;
        collision.Incoming.Modified = PanelTime(item.DateTime);
        collision.CanReplace = false;
        collision.Suggested = FreeName(places, target, item.Name, &cancel);
        const platform::TCollisionAnswer answer = ask(collision);
        if (answer.Choice == platform::TCollisionChoice::Rename && !answer.Name.isEmpty()) {
            targetName = answer.Name;
            continue;
        }
        if (answer.Choice == platform::TCollisionChoice::Cancel)
            progress.Cancel();
        return {};
    }
}

} // namespace

bool TfMain::RemoteTransfer(bool move)
{
    const TSide a = ActiveSide(), b = Other(a);
    if (!ShowsRemote(a) && !ShowsRemote(b))
        return false;
    if (ShowsRemoteFed(a) || ShowsRemoteFed(b))
        return TransferRemoteFed(move);
    TPanel& from = m_panels[a];
    const TPanel& to = m_panels[b];
    if (ReadingAny())
        return true;
    const bool local = to.Directory.startsWith('/') || from.Directory.startsWith('/');
    if (move || ShowsArchive(a) || ShowsArchive(b) || ShowsFedResults(a) || ShowsFedResults(b) ||
        (!ShowsRemote(b) && !to.Directory.startsWith('/')) ||
        (!ShowsRemote(a) && !from.Directory.startsWith('/')) || !local) {
        platform::ShowMessage(QStringLiteral("Between a remote place and a local folder, files "
                                             "are only copied (F5)."));
        return true;
    }
    std::vector<TRemoteItem> items;
    for (const int row : m_commands.Selection(a)) {
        const TFileObject& e = from.Listing[row];
        if (e.IsParent())
            continue;
        if (e.IsDirectory()) {
            platform::ShowMessage(QStringLiteral("Folders are not copied to or from a remote "
                                                 "place yet: %1 is a folder.")
                                      .arg(e.Name));
            return true;
        }
        items.push_back({e.Name, e.Size, e.DateTime});
    }
    QString failure;
    platform::TRemotePlaces* places = RemotePlacesOf(failure);
    if (!places) {
        platform::ShowMessage(failure);
        return true;
    }
    if (items.empty())
        return true;
    KeepingActive([&] { CopyRemoteItems(*places, items, from.Directory, to.Directory); });
    RereadKeepingView(b);
    return true;
}

void TfMain::CopyRemoteItems(platform::TRemotePlaces& places, const std::vector<TRemoteItem>& items,
                             const QString& source, const QString& target)
{
    platform::TFileOpsProgress progress;
    qint64 total = 0;
    for (const TRemoteItem& item : items)
        total += item.Size;
    progress.SetTotals(int(items.size()), total);
    TCollisionAsker asker;
    const platform::TCollisionAsk ask = asker.Handler(progress);
    platform::TRemoteCancel cancel;
    // Cancel reaches the GIO call under way at once, also one waiting for a server.
    QTimer watch;
    connect(&watch, &QTimer::timeout, &watch, [&] {
        if (progress.Cancelled())
            cancel.Cancel();
    });
    watch.start(50);
    QStringList errors;
    RunFileWork(QStringLiteral("Copying"), progress, [&] {
        for (const TRemoteItem& item : items) {
            if (progress.Cancelled())
                break;
            progress.SetCurrent(item.Name);
            const QString error = CopyOne(places, item, source, target, ask, progress, cancel);
            if (!error.isEmpty())
                errors << error;
        }
    });
    watch.stop();
    if (!errors.isEmpty())
        platform::ShowMessage(errors.join('\n'));
}
