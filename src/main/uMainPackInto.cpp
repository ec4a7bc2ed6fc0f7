// Pack into a remote folder: the archive is made in a private folder on this machine, as
// any pack makes it, then put into the remote folder by the remote copy (a hidden part
// file that takes its name only when whole, never replacing one; a taken name asks). A
// move-pack removes an original only once the archive there reads back as the one made
// (size and SHA-256) and the archive holds that original whole.
#include "fileops/uCollision.h"
#include "fileops/uProgress.h"
#include "main/RemoteWork.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "pack/Pack.h"
#include "platform/FileOpsFaults.h"
#include "transfer/PackFiles.h"
#include "transfer/RemoteTransfer.h"

#include <QDateTime>
#include <QSet>

bool TfMain::PutPackedArchive(const QString& archive, const QString& folder, bool verify,
                              QString& name, QStringList& said, bool& lost)
{
    QString failure;
    platform::TRemotePlaces* places = RemotePlacesOf(failure);
    if (!places) {
        said << failure;
        return false;
    }
    const int slash = archive.lastIndexOf('/');
    const QString from = archive.left(slash + 1);
    const QString made = archive.mid(slash + 1);
    platform::TFileOpsProgress progress;
    TCollisionAsker asker;
    platform::TRemoteCancel cancel;
    platform::TRemoteTransfer put(*places, progress, asker.Handler(progress), cancel, false);
    QString why;
    RunRemoteWork(QStringLiteral("Copying"), progress, cancel, [&] {
        const platform::TRemoteFileInfo info = places->Query(archive, &cancel);
        put.Run(from, folder,
                {{made, false, info.Size, QDateTime::fromSecsSinceEpoch(info.Modified)}});
        if (!verify || put.Arrived().isEmpty() || progress.Cancelled() || cancel.Cancelled())
            return;
        const QString copy = places->Child(folder, put.Arrived().front());
        platform::FileOpsFault(platform::TFileOpsStep::BeforeVerify, copy);
        progress.SetCurrent(copy);
        why = platform::CompareCopy(*places, archive, copy, cancel);
    });
    said << put.Errors(); // a lost connection: one text saying what arrived
    lost = put.Lost();
    const bool cancelled = progress.Cancelled() || cancel.Cancelled();
    if (put.Arrived().isEmpty()) {
        if (cancelled)
            said << QStringLiteral("Cancelled: the archive was not put into %1.").arg(folder);
        else if (put.Errors().isEmpty())
            said << QStringLiteral("The archive %1 was not put into %2.").arg(made, folder);
        return false;
    }
    name = put.Arrived().front();
    if (!verify)
        return true;
    if (cancelled)
        why = QStringLiteral("the check was cancelled");
    if (!why.isEmpty())
        said
            << QStringLiteral("The archive %1 cannot be verified on the server: %2").arg(name, why);
    return why.isEmpty();
}

QStringList TfMain::DropLocalPackedOriginals(const QString& folder, const TPackResult& result)
{
    QStringList stayed;
    platform::FileOpsFault(platform::TFileOpsStep::BeforeRemoveSources, folder);
    platform::TFileOpsProgress progress;
    RunFileWork(QStringLiteral("Deleting"), progress, [&] {
        for (int i = 0; i < result.Verified.size(); ++i) {
            int removed = 0;
            platform::RemovePackedOriginal(
                folder + result.Verified[i], result.VerifiedRecords[size_t(i)],
                [&](const QString& message) { stayed << message; }, removed);
        }
    });
    return stayed;
}

void TfMain::UnmarkPacked(TSide side, const QStringList& names)
{
    TViewState state = ViewState(side);
    const QSet<QString> packed(names.cbegin(), names.cend());
    state.Marks.removeIf([&](const QString& name) { return packed.contains(name); });
    RestoreViewState(side, state);
}
