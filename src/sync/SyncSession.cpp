#include "sync/SyncSession.h"

#include "checks/FileCompare.h"
#include "platform/FileNames.h"
#include "transfer/FileOpsSupport.h"

#include <QMutex>
#include <atomic>
#include <thread>

namespace
{

QString Join(const QString& root, const QByteArray& relPath)
{
    return (root.endsWith('/') ? root : root + '/') + platform::DecodeFileName(relPath);
}

void ScanProblems(const platform::TFolderScan& scan, const QString& folder, QStringList& problems)
{
    if (scan.Error)
        problems << QStringLiteral("\"%1\" cannot be read completely: %2.")
                        .arg(folder, platform::ErrorText(scan.Error));
    if (scan.UnreadFolders)
        problems << QStringLiteral("%1 folder(s) below \"%2\" cannot be read; they are "
                                   "compared as they are, without what they hold.")
                        .arg(scan.UnreadFolders)
                        .arg(folder);
}

// Reads the files of equal size side by side; the rows' states follow.
void CompareContent(const QString& left, const QString& right, std::vector<TSyncRow>& rows,
                    const TSyncOptions& options, platform::TFileOpsProgress* progress,
                    QStringList& problems)
{
    qint64 bytes = 0;
    int count = 0;
    for (const TSyncRow& row : rows)
        if (row.NeedsContent) {
            bytes += 2 * row.Left.Seen.Size;
            ++count;
        }
    if (progress)
        progress->SetTotals(count, bytes);
    for (TSyncRow& row : rows) {
        if (!row.NeedsContent)
            continue;
        if (platform::CancelRequested(progress))
            return;
        const QString a = Join(left, row.Path);
        if (progress)
            progress->SetCurrent(a);
        const TCompareResult result = CompareFiles(a, Join(right, row.Path), progress);
        row.NeedsContent = false;
        if (result.Kind == TCompareResult::TKind::Different) {
            row.State = DifferingState(row, options);
            row.Action = DefaultAction(row.State);
        } else if (result.Kind == TCompareResult::TKind::Unreadable) {
            problems << result.Problem;
            row.State = TSyncState::SameDateDifferent; // not known to be equal: left alone
            row.Action = TSyncAction::Leave;
        }
        if (progress)
            progress->AddItem();
    }
}

} // namespace

std::vector<TSyncRow> CompareFolders(const QString& left, const QString& right,
                                     const TSyncOptions& options,
                                     platform::TFileOpsProgress* progress, QStringList* problems)
{
    platform::TFolderScan scans[2];
    // Both trees at once: each read waits on its own disk or cache.
    std::thread other(
        [&] { scans[1] = platform::ScanFolder(right, options.Subfolders, progress); });
    scans[0] = platform::ScanFolder(left, options.Subfolders, progress);
    other.join();
    QStringList found;
    ScanProblems(scans[0], left, found);
    ScanProblems(scans[1], right, found);
    std::vector<TSyncRow> rows;
    if (!platform::CancelRequested(progress) && !scans[0].Error && !scans[1].Error) {
        rows = CompareScans(scans[0], scans[1], options);
        if (options.ByContent)
            CompareContent(left, right, rows, options, progress, found);
    }
    if (problems)
        *problems = found;
    return rows;
}

struct TSyncComparison::TShared {
    platform::TFileOpsProgress Progress;
    std::atomic<bool> Done{false};
    mutable QMutex Mutex;
    std::vector<TSyncRow> Rows;
    QStringList Problems;
};

TSyncComparison::TSyncComparison(const QString& left, const QString& right,
                                 const TSyncOptions& options)
    : m_shared(std::make_shared<TShared>())
{
    std::thread([shared = m_shared, left, right, options] {
        QStringList problems;
        std::vector<TSyncRow> rows =
            CompareFolders(left, right, options, &shared->Progress, &problems);
        {
            const QMutexLocker lock(&shared->Mutex);
            shared->Rows = std::move(rows);
            shared->Problems = problems;
        }
        shared->Done.store(true);
    }).detach();
}

TSyncComparison::~TSyncComparison()
{
    Cancel();
}

void TSyncComparison::Cancel()
{
    m_shared->Progress.Cancel();
}

bool TSyncComparison::Finished() const
{
    return m_shared->Done.load();
}

std::vector<TSyncRow> TSyncComparison::TakeRows()
{
    const QMutexLocker lock(&m_shared->Mutex);
    return std::exchange(m_shared->Rows, {});
}

QStringList TSyncComparison::Problems() const
{
    const QMutexLocker lock(&m_shared->Mutex);
    return m_shared->Problems;
}

bool TSyncComparison::Cancelled() const
{
    return m_shared->Progress.Cancelled();
}

const platform::TFileOpsProgress& TSyncComparison::Progress() const
{
    return m_shared->Progress;
}
