#include "sync/SyncRun.h"

#include "platform/FileNames.h"
#include "platform/FileOpsSync.h"

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

} // namespace

TSyncOutcome RunSync(const QString& left, const QString& right, const std::vector<TSyncRow>& rows,
                     bool useTrash, platform::TFileOpsProgress& progress,
                     const TArchiveSide* archive)
{
    std::optional<TArchiveCopier> extractor;
    if (archive)
        extractor.emplace(*archive);
    TSyncOutcome outcome;
    const platform::TShellFailureHandler failed = [&](const QString& message) {
        outcome.Problems << message;
    };
    platform::TFileOpsReport report(failed, QStringLiteral("Cannot synchronise \"%1\": %2."));
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
        if (step == platform::TSyncStep::Done)
            ++outcome.Done;
        else if (step == platform::TSyncStep::Changed)
            outcome.Changed << platform::DisplayName(platform::DecodeFileName(row.Path));
        if (!archive || row.Action == TSyncAction::Delete)
            progress.AddItem();
    }
    outcome.Cancelled = progress.Cancelled();
    return outcome;
}
