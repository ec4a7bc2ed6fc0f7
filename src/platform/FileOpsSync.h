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
#include "platform/FileOpsSupport.h"
#include "platform/FolderScan.h"

#include <QByteArray>
#include <QString>
#include <vector>

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

// A copy of the entry `relPath` of `toRoot` built from elsewhere (members extracted from
// an archive): in a hidden temporary folder beside the target, then given the target's
// name as SyncCopy gives its copies theirs. Whatever the folder still holds goes with it
// when the object goes. Any thread.
class TSyncStaging final
{
public:
    TSyncStaging(const QString& toRoot, const QByteArray& relPath);
    ~TSyncStaging();
    TSyncStaging(const TSyncStaging&) = delete;
    TSyncStaging& operator=(const TSyncStaging&) = delete;

    // Checks that the target is still as `to` had it (with null: that its name is still
    // free) and makes the temporary folder: Done, Changed, or Failed (reported).
    TSyncStep Begin(const TSeenEntry* to, TFileOpsReport& report);
    // The temporary folder's full path, ending in "/".
    QString Folder() const { return m_folder; }
    // Makes the folder `relPath` ("/" separated, its parent there already) inside it.
    bool MakeFolder(const QByteArray& relPath, TFileOpsReport& report);
    // Whether the file `relPath` inside it is a plain file of `size` bytes whose CRC-32,
    // when `crc` is given, is that one.
    bool Holds(const QByteArray& relPath, qint64 size, const quint32* crc) const;
    // Gives the entry `inner` of the temporary folder the target's name: over the
    // target while it is still as `to` had it (to the trash with `useTrash`), else into
    // the free name. `shown` names the source in messages.
    TSyncStep Place(const QByteArray& inner, const TSeenEntry* to, bool useTrash,
                    const QString& shown, TFileOpsReport& report);

private:
    TFd m_dir;         // the target's parent folder
    QByteArray m_name; // the target's own name
    QByteArray m_temp; // the temporary folder's name in m_dir, once made
    QString m_target;  // the target's full path
    QString m_folder;  // the temporary folder's full path
};

} // namespace platform
