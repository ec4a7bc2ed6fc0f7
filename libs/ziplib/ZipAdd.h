#pragma once
#include "LibCommon.h"

namespace trvxlib
{

// Adds the files named by command's file specs to command.ZipFilename (created
// when missing). A file spec is a path, a folder (its files with Recurse; its own
// entry when folder names are kept) or, without ExactNames, a path whose last part
// holds "*" or "?".
// Hidden files (names starting with ".") found by recursion or wildcards are taken only
// with HiddenFiles; named ones always. Only regular files and folders are stored;
// the archive itself is never added to itself.
// Update: new files and files newer than their member; Freshen: only files newer than
// their member; otherwise a file replaces its member. Move deletes the sources once
// the archive is written. Returns the number of files and folders stored; 0 leaves the
// archive as it was.
int32_t AddFiles(const TZipCommand& command, TReporter& reporter);

} // namespace trvxlib
