#include "sync/SyncSession.h"

#include "checks/FileCompare.h"
#include "platform/FileContent.h"
#include "platform/FileNames.h"
#include "transfer/FileOpsSupport.h"

#include <QMutex>
#include <atomic>
#include <functional>
#include <optional>
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

// What a comparison by content finds for one row.
using TContentCompare = std::function<TCompareResult(const TSyncRow& row)>;

// Compares the files of equal size by `compare`, which reads `reads` times each file's
// size; the rows' states follow.
void CompareContent(std::vector<TSyncRow>& rows, const TSyncOptions& options, int reads,
                    const TContentCompare& compare, platform::TFileOpsProgress* progress,
                    QStringList& problems)
{
    qint64 bytes = 0;
    int count = 0;
    for (const TSyncRow& row : rows)
        if (row.NeedsContent) {
            bytes += reads * row.Left.Seen.Size;
            ++count;
        }
    if (progress)
        progress->SetTotals(count, bytes);
    for (TSyncRow& row : rows) {
        if (!row.NeedsContent)
            continue;
        if (platform::CancelRequested(progress))
            return;
        const TCompareResult result = compare(row);
        row.NeedsContent = false;
        if (result.Kind == TCompareResult::TKind::Different) {
            row.State = DifferingState(row, options);
            row.Action = DefaultActionOf(row);
        } else if (result.Kind == TCompareResult::TKind::Unreadable) {
            problems << result.Problem;
            row.State = TSyncState::SameDateDifferent; // not known to be equal: left alone
            row.Action = TSyncAction::Leave;
        }
        if (progress)
            progress->AddItem();
    }
}

// The folder side's file against the archive's member: its CRC-32 against the one the
// archive's directory gives (`from`: the member of each path).
TContentCompare AgainstMembers(const QString& folder, const TArchiveSide& archive,
                               const QHash<QByteArray, QString>& from,
                               platform::TFileOpsProgress* progress)
{
    auto crcs = std::make_shared<QHash<QString, quint32>>();
    for (const TArchiveMember& m : archive.Members)
        crcs->insert(m.Name, m.Crc32);
    return [folder, &from, crcs, progress](const TSyncRow& row) {
        TCompareResult result;
        const QString path = Join(folder, row.Path);
        if (progress)
            progress->SetCurrent(path);
        const std::optional<quint32> crc = platform::FileCrc32(path);
        if (progress)
            progress->AddBytes(row.Left.Seen.Size);
        if (!crc)
            result.Problem = QStringLiteral("\"%1\" cannot be read.").arg(path);
        else if (*crc != crcs->value(from.value(row.Path)))
            result.Kind = TCompareResult::TKind::Different;
        else
            result.Kind = TCompareResult::TKind::Equal;
        return result;
    };
}

} // namespace

std::vector<TSyncRow> CompareFolders(const QString& left, const QString& right,
                                     const TSyncOptions& asked,
                                     platform::TFileOpsProgress* progress, QStringList* problems,
                                     const TArchiveSide* archive, const TRemoteSyncSide* remote,
                                     platform::TRemoteCancel* cancel)
{
    TSyncOptions options = asked;
    platform::TFolderScan scans[2];
    QHash<QByteArray, QString> from; // an archive's entries: their members
    if (remote) {
        // Reading both sides' files over the network is not offered: size and date.
        options.ByContent = false;
        const int at = remote->Left ? 0 : 1;
        std::thread other([&] {
            scans[1 - at] = platform::ScanFolder(at ? left : right, options.Subfolders, progress);
        });
        scans[at] = ScanRemote(*remote, options.Subfolders, progress, cancel);
        other.join();
    } else if (archive) {
        // The archive's directory is in memory already: no second thread.
        const int at = archive->Left ? 0 : 1;
        (archive->Left ? options.LeftReadOnly : options.RightReadOnly) = true;
        // By content only where the archive gives each member's CRC-32.
        options.ByContent = asked.ByContent && archive->HasCrc;
        scans[at] = ScanArchive(*archive, options.Subfolders, &from);
        scans[1 - at] = platform::ScanFolder(at ? left : right, options.Subfolders, progress);
    } else {
        // Both trees at once: each read waits on its own disk or cache.
        std::thread other(
            [&] { scans[1] = platform::ScanFolder(right, options.Subfolders, progress); });
        scans[0] = platform::ScanFolder(left, options.Subfolders, progress);
        other.join();
    }
    QStringList found;
    ScanProblems(scans[0], left, found);
    ScanProblems(scans[1], right, found);
    std::vector<TSyncRow> rows;
    if (!platform::CancelRequested(progress) && !scans[0].Error && !scans[1].Error) {
        rows = CompareScans(scans[0], scans[1], options);
        if (options.ByContent && archive)
            CompareContent(rows, options, 1,
                           AgainstMembers(archive->Left ? right : left, *archive, from, progress),
                           progress, found);
        else if (options.ByContent)
            CompareContent(
                rows, options, 2,
                [&](const TSyncRow& row) {
                    const QString a = Join(left, row.Path);
                    if (progress)
                        progress->SetCurrent(a);
                    return CompareFiles(a, Join(right, row.Path), progress);
                },
                progress, found);
    }
    if (problems)
        *problems = found;
    return rows;
}

struct TSyncComparison::TShared {
    platform::TFileOpsProgress Progress;
    platform::TRemoteCancel RemoteCancel; // reaches a remote read under way
    std::atomic<bool> Done{false};
    mutable QMutex Mutex;
    std::vector<TSyncRow> Rows;
    QStringList Problems;
};

TSyncComparison::TSyncComparison(const QString& left, const QString& right,
                                 const TSyncOptions& options,
                                 std::shared_ptr<const TArchiveSide> archive,
                                 std::shared_ptr<const TRemoteSyncSide> remote)
    : m_shared(std::make_shared<TShared>())
{
    std::thread([shared = m_shared, left, right, options, archive = std::move(archive),
                 remote = std::move(remote)] {
        QStringList problems;
        std::vector<TSyncRow> rows =
            CompareFolders(left, right, options, &shared->Progress, &problems, archive.get(),
                           remote.get(), &shared->RemoteCancel);
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
    m_shared->RemoteCancel.Cancel();
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
