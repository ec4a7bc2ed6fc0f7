#pragma once
// The rename that never replaces an existing entry, for every caller that gives a file or
// a folder its name (copies, moves, undo, trash, saves, extractions).

namespace trvxbase
{

// Renames `from` of the folder `fromDir` to `to` of `toDir` (AT_FDCWD for paths) and
// returns 0, or an errno: EEXIST when `to` exists, whatever it is (an empty folder too).
// In order, as the file system allows:
// - renameat2 with RENAME_NOREPLACE, atomic;
// - where the flag is refused (EINVAL, ENOSYS, ENOTSUP), for anything but a folder a
//   second name (linkat, which never replaces) and the first one removed;
// - only where neither works (folders, file systems without hard links): the name is
//   first taken by an empty entry made exclusively (mkdir, O_EXCL), so a name made by
//   another program meanwhile is never replaced, and the rename then replaces that empty
//   entry when it is still the one made. The only window left is another program
//   replacing that fresh empty entry between the check and the rename.
int RenameNoReplace(int fromDir, const char* from, int toDir, const char* to);

} // namespace trvxbase
