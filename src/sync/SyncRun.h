#pragma once
// Carrying out the actions chosen for the rows of a comparison (SyncCompare.h), for the
// file-work worker behind the progress window. Only rows whose action is not Leave are
// touched; an entry that changed since the comparison is left as it is and named in the
// outcome. No widgets.

#include "platform/FileOpsProgress.h"
#include "sync/SyncArchive.h"
#include "sync/SyncCompare.h"
#include "sync/SyncRemote.h"

#include <QString>
#include <QStringList>
#include <vector>

struct TSyncOutcome {
    int Done{0};
    QStringList Changed;  // relative paths left alone: they changed since the comparison
    QStringList Problems; // one message per failure
    bool Cancelled{false};
};

// `left` and `right` are the folders compared; with `useTrash` what is replaced or
// deleted goes to the trash. `progress` counts the rows done and the bytes copied, and
// its cancel stops before the next row (the copy under way leaves nothing behind).
// With `archive`, its side is that archive: entries are extracted from it, and nothing is
// written into it or deleted from it. With `remote`, its side is that remote folder,
// reached through its places; `cancel` (needed then) reaches a transfer under way.
TSyncOutcome RunSync(const QString& left, const QString& right, const std::vector<TSyncRow>& rows,
                     bool useTrash, platform::TFileOpsProgress& progress,
                     const TArchiveSide* archive = nullptr, const TRemoteSyncSide* remote = nullptr,
                     platform::TRemoteCancel* cancel = nullptr);
