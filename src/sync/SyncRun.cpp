#include "sync/SyncRun.h"

#include "platform/FileNames.h"
#include "transfer/FileOpsSync.h"

#include <optional>

namespace
{

// Whether `action` writes only into the folder side: never into the archive, whatever
// the rows say.
bool Writable(const TSyncRow& row, TSyncAction action, const TArchiveSide* archive)
{
    if (!archive)
        return true;
    const bool towardLeft =
        action == TSyncAction::CopyLeft || (action == TSyncAction::Delete && row.Left.Present);
    return towardLeft != archive->Left;
}

void Count(const TSyncRow& row, platform::TSyncStep step, TSyncOutcome& outcome)
{
    if (step == platform::TSyncStep::Done)
        ++outcome.Done;
    else if (step == platform::TSyncStep::Changed)
        outcome.Changed << platform::DisplayName(platform::DecodeFileName(row.Path));
}

// One row with one side remote: copies in or out, and a delete on either side.
platform::TSyncStep RemoteStep(TRemoteSyncer& syncer, bool remoteLeft, const QString& left,
                               const QString& right, const TSyncRow& row, bool useTrash,
                               platform::TFileOpsReport& report,
                               platform::TFileOpsProgress& progress)
{
    const QString& local = remoteLeft ? right : left;
    const TSyncSide& remoteSide = remoteLeft ? row.Left : row.Right;
    const TSyncSide& localSide = remoteLeft ? row.Right : row.Left;
    const platform::TSeenEntry* remoteSeen = remoteSide.Present ? &remoteSide.Seen : nullptr;
    const platform::TSeenEntry* localSeen = localSide.Present ? &localSide.Seen : nullptr;
    progress.SetCurrent(platform::DecodeFileName(row.Path));
    if (row.Action == TSyncAction::Delete) {
        if (remoteSide.Present)
            return syncer.Remove(row.Path, remoteSide.Seen, useTrash);
        return platform::SyncRemove(local, row.Path, localSide.Seen, useTrash, report, &progress);
    }
    const bool toRemote = (row.Action == TSyncAction::CopyLeft) == remoteLeft;
    if (toRemote)
        return syncer.CopyOut(local, row.Path, localSide.Seen, remoteSeen, useTrash);
    return syncer.CopyIn(local, row.Path, remoteSide.Seen, localSeen, useTrash);
}

} // namespace

TSyncOutcome RunSync(const QString& left, const QString& right, const std::vector<TSyncRow>& rows,
                     bool useTrash, platform::TFileOpsProgress& progress,
                     const TArchiveSide* archive, const TRemoteSyncSide* remote,
                     platform::TRemoteCancel* cancel)
{
    std::optional<TArchiveCopier> extractor;
    if (archive)
        extractor.emplace(*archive);
    TSyncOutcome outcome;
    const platform::TShellFailureHandler failed = [&](const QString& message) {
        outcome.Problems << message;
    };
    platform::TFileOpsReport report(failed, QStringLiteral("Cannot synchronise \"%1\": %2."));
    platform::TRemoteCancel ownCancel;
    std::optional<TRemoteSyncer> syncer;
    if (remote)
        syncer.emplace(*remote, cancel ? *cancel : ownCancel, report, progress);
    const TSyncTotals totals = PlanTotals(rows);
    // An extraction counts each file it writes; a copy between folders, each row.
    progress.SetTotals(int(archive ? totals.FilesRight + totals.FilesLeft + totals.Deletes
                                   : totals.RowsRight + totals.RowsLeft + totals.Deletes),
                       totals.BytesRight + totals.BytesLeft);
    for (const TSyncRow& row : rows) {
        if (row.Action == TSyncAction::Leave || !ActionAllowed(row, row.Action) ||
            !Writable(row, row.Action, archive))
            continue;
        if (progress.Cancelled())
            break;
        platform::TSyncStep step = platform::TSyncStep::Failed;
        if (syncer) {
            step = RemoteStep(*syncer, remote->Left, left, right, row, useTrash, report, progress);
            Count(row, step, outcome);
            progress.AddItem();
            continue;
        }
        switch (row.Action) {
        case TSyncAction::CopyRight:
            progress.SetCurrent(left + '/' + platform::DecodeFileName(row.Path));
            if (extractor)
                step =
                    extractor->Copy(right, row.Path, row.Right.Present ? &row.Right.Seen : nullptr,
                                    useTrash, report, progress);
            else
                step = platform::SyncCopy(left, right, row.Path, row.Left.Seen,
                                          row.Right.Present ? &row.Right.Seen : nullptr, useTrash,
                                          report, &progress);
            break;
        case TSyncAction::CopyLeft:
            progress.SetCurrent(right + '/' + platform::DecodeFileName(row.Path));
            if (extractor)
                step = extractor->Copy(left, row.Path, row.Left.Present ? &row.Left.Seen : nullptr,
                                       useTrash, report, progress);
            else
                step = platform::SyncCopy(right, left, row.Path, row.Right.Seen,
                                          row.Left.Present ? &row.Left.Seen : nullptr, useTrash,
                                          report, &progress);
            break;
        case TSyncAction::Delete: {
            const bool onLeft = row.Left.Present;
            progress.SetCurrent((onLeft ? left : right) + '/' + platform::DecodeFileName(row.Path));
            step = platform::SyncRemove(onLeft ? left : right, row.Path,
                                        onLeft ? row.Left.Seen : row.Right.Seen, useTrash, report,
                                        &progress);
            break;
        }
        case TSyncAction::Leave:
            break;
        }
        Count(row, step, outcome);
        if (!archive || row.Action == TSyncAction::Delete)
            progress.AddItem();
    }
    outcome.Cancelled = progress.Cancelled();
    return outcome;
}
