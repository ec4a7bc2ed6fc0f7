#include "sync/SyncRun.h"

#include "platform/FileNames.h"
#include "transfer/FileOpsSync.h"

TSyncOutcome RunSync(const QString& left, const QString& right, const std::vector<TSyncRow>& rows,
                     bool useTrash, platform::TFileOpsProgress& progress)
{
    TSyncOutcome outcome;
    const platform::TShellFailureHandler failed = [&](const QString& message) {
        outcome.Problems << message;
    };
    platform::TFileOpsReport report(failed, QStringLiteral("Cannot synchronise \"%1\": %2."));
    const TSyncTotals totals = PlanTotals(rows);
    progress.SetTotals(totals.RowsRight + totals.RowsLeft + totals.Deletes,
                       totals.BytesRight + totals.BytesLeft);
    for (const TSyncRow& row : rows) {
        if (row.Action == TSyncAction::Leave || !ActionAllowed(row, row.Action))
            continue;
        if (progress.Cancelled())
            break;
        platform::TSyncStep step = platform::TSyncStep::Failed;
        switch (row.Action) {
        case TSyncAction::CopyRight:
            progress.SetCurrent(left + '/' + platform::DecodeFileName(row.Path));
            step = platform::SyncCopy(left, right, row.Path, row.Left.Seen,
                                      row.Right.Present ? &row.Right.Seen : nullptr, useTrash,
                                      report, &progress);
            break;
        case TSyncAction::CopyLeft:
            progress.SetCurrent(right + '/' + platform::DecodeFileName(row.Path));
            step = platform::SyncCopy(right, left, row.Path, row.Right.Seen,
                                      row.Left.Present ? &row.Left.Seen : nullptr, useTrash, report,
                                      &progress);
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
        progress.AddItem();
    }
    outcome.Cancelled = progress.Cancelled();
    return outcome;
}
