#pragma once
// The single steps of a synchronisation of two folders: copying one entry from one
// folder tree into the same place of the other, over what is there or into a free name,
// and removing one entry. Each step first checks that the entries it touches are still
// the ones the comparison read (FolderScan.h), so nothing that changed since is replaced
// or removed. A copy is made under a hidden temporary name in the target folder
// (FileOpsParts.h), compared byte for byte with its source, and only then given its name
// (through PutOver of FileOpsCollision.h where it replaces, so the old one goes to the
// trash when the trash is in use). A cancelled or failed copy leaves no part of itself
// under any name. Any thread.

#include "platform/FileOpsProgress.h"
#include "platform/FolderScan.h"
#include "transfer/FileOpsSupport.h"

#include <QByteArray>
#include <QString>

namespace platform
{

enum class TSyncStep {
    Done,
    Changed,   // an entry changed (or appeared, or went) since it was read: nothing done
    Failed,    // reported through the report
    Cancelled, // nothing left behind
};

// Copies the entry `relPath` ("/" separated) of the folder `fromRoot` to the same
// relative path below `toRoot`. `from` is the source as read; `to` the target as read,
// or null where the target had no entry (the name must still be free). Folders are
// copied whole. With `useTrash` a replaced entry goes to the trash, else for good.
// `report` takes failures; `progress` (may be null) counts bytes and can cancel.
TSyncStep SyncCopy(const QString& fromRoot, const QString& toRoot, const QByteArray& relPath,
                   const TSeenEntry& from, const TSeenEntry* to, bool useTrash,
                   TFileOpsReport& report, TFileOpsProgress* progress);

// Removes the entry `relPath` of `root`, which must still be as `seen` (a folder: the
// same folder, holding the same entries directly), to the trash with `useTrash`, else
// for good with everything below it.
TSyncStep SyncRemove(const QString& root, const QByteArray& relPath, const TSeenEntry& seen,
                     bool useTrash, TFileOpsReport& report, TFileOpsProgress* progress);

} // namespace platform
