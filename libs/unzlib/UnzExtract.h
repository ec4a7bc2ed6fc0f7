#pragma once
#include "LibCommon.h"

namespace trvxlib
{

// Extracts the members of command.ZipFilename that its file specs select into the
// current directory: with ExactNames, the members named exactly (none when there are no
// file specs); else names or patterns ("/" or "\\" separators; all members when
// there are no file specs).
//
// Nothing is ever written outside that directory: members with absolute names, drive
// letters or ".." parts, and link members, are skipped with a message, and no folder or
// file is opened through an existing link. With DirNames the stored folders are
// created; without, every file lands in the directory itself.
// An existing file is replaced only with OverWrite, or with Update / Freshen when the
// member is newer; replacements go through a temporary file and a rename. Freshen
// creates no new files. Returns the number of files written.
// A step is reported after each MiB of a member; once the callback asks to stop, the
// member at work is abandoned and its partly written file (new, or the temporary file of
// a replacement) removed; members already written stay.
int32_t ExtractMembers(const TUnzipCommand& command, TReporter& reporter);

} // namespace trvxlib
