#pragma once
// The freedesktop.org trash: moving an item into the trash folder of its file system.
//
// Our own, because QFile::moveToTrash (Qt 6.4) puts the item into "files/" below the
// process's current folder when it cannot set up a trash folder.

#include <QString>

namespace platform
{

struct TEntryRecord;

// Moves `path` (absolute; a link is moved as the link) into a trash folder on the same
// file system, so nothing is copied: the user's home trash ($XDG_DATA_HOME/Trash) when
// it lives there, else the volume's $topdir/.Trash/$uid or $topdir/.Trash-$uid. Writes
// the .trashinfo record first (exclusively) and takes a free name ("NAME", "NAME.2", ...).
// An item on another mount of the home trash's file system (a bind mount, where a rename
// to the home trash fails with EXDEV) goes to that mount's own $topdir/.Trash-$uid, made
// when the user may.
// Returns an empty text on success, and the item's path in the trash (".../files/NAME")
// in `trashedAs` when given; otherwise the reason, and the item is where it was.
QString MoveToTrash(const QString& path, QString* trashedAs = nullptr);

// Puts the item `trashed` (".../files/NAME" of a trash folder, as MoveToTrash gave it)
// back at the full path `original` by a rename that never replaces, then removes its
// .trashinfo record (only one that still names `original`). The item must still be the
// one `identity` recorded (RecordEntry of FileOpsRecord.h). Returns an empty text on
// success; otherwise the reason, and the item stays in the trash with its record.
QString RestoreFromTrash(const QString& trashed, const QString& original,
                         const TEntryRecord& identity);

// The trash folder the item `path` goes to, created if need be; empty when there is none.
QString TrashFolderFor(const QString& path);

} // namespace platform
