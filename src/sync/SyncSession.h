#pragma once
// A comparison of two folders on a thread of its own that nobody waits for: both trees
// are read at once (one thread each), compared, and, when comparing by content, the
// files of equal size read side by side. The window polls Finished() and never waits.
// No widgets.

#include "platform/FileOpsProgress.h"
#include "sync/SyncArchive.h"
#include "sync/SyncCompare.h"
#include "sync/SyncRemote.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TSyncComparison final
{
public:
    // Starts at once. With `archive`, its side is that archive (its path there only names
    // it) and the other one a folder; with `remote`, its side is that remote folder.
    TSyncComparison(const QString& left, const QString& right, const TSyncOptions& options,
                    std::shared_ptr<const TArchiveSide> archive = nullptr,
                    std::shared_ptr<const TRemoteSyncSide> remote = nullptr);
    // Cancels and abandons the work, which ends on its own.
    ~TSyncComparison();
    TSyncComparison(const TSyncComparison&) = delete;
    TSyncComparison& operator=(const TSyncComparison&) = delete;

    void Cancel();
    bool Finished() const;
    // Once Finished: the rows (taken once), and what could not be read.
    std::vector<TSyncRow> TakeRows();
    QStringList Problems() const;
    bool Cancelled() const;
    const platform::TFileOpsProgress& Progress() const;

private:
    struct TShared;
    std::shared_ptr<TShared> m_shared;
};

// The same, on the calling thread: for the benchmark and the tests. An archive side is
// read-only; by content, its members' CRC-32 (where it gives them) are compared with the
// folder's files, else it is compared by size and date only. A remote side is read
// through its places (`cancel` reaches a read under way) and compared by size and date.
std::vector<TSyncRow>
CompareFolders(const QString& left, const QString& right, const TSyncOptions& options,
               platform::TFileOpsProgress* progress = nullptr, QStringList* problems = nullptr,
               const TArchiveSide* archive = nullptr, const TRemoteSyncSide* remote = nullptr,
               platform::TRemoteCancel* cancel = nullptr);
