#pragma once
// Small file helpers of ZIPLIB.

#include "LibCommon.h"

#include <cstdint>
#include <string>
#include <zip.h>

namespace trvxlib
{

// The text of a libzip error code.
std::string LibzipError(int code);

// Replaces `path` with an archive that has no members: the old file's first `prefix`
// bytes (data before its first member) and a 22-byte end record that counts them.
// Through a temporary file and a rename, so the old file stays whole when writing fails.
bool WriteEmptyArchive(const std::string& path, uint64_t prefix);

// Has zip_close of `za` report a step to `reporter` every 5 % of the work and ask it
// whether to stop after each block it writes (the callback itself at most every 50 ms),
// so a cancel stops the rewrite soon, also in the middle of a large file; libzip then
// drops its temporary file and the archive stays as it was.
void ReportWhileWriting(zip_t* za, TReporter& reporter);

// What to say when zip_close of `za` failed: also when another program changed the
// archive while it was written, and the rewrite was dropped for that.
std::string WriteFailure(zip_t* za, const std::string& archive);

// The file an archive path names, links resolved, so that an archive opened through a
// link is changed where the link points and the link stays; the path as given when it
// cannot be resolved (an archive that is not there yet).
std::string RealArchivePath(const std::string& path);

// Gives `path` the modification time of the newest member of the archive it holds.
bool SetArchiveTimeToNewest(const std::string& path);

} // namespace trvxlib
