#pragma once
// Opening an archive with libzip the way the directory reader finds it: also when data
// precedes the archive and its offsets do not count it (libzip alone answers "Not a zip
// archive" there), and ZIP64 archives.

#include <string>
#include <zip.h>

namespace trvxlib
{

// Opens `path` with libzip's `flags` (ZIP_RDONLY, ZIP_CREATE or 0). On failure returns
// null with `code` set to libzip's error code (ZIP_ER_INVAL for a refusal) and `message`
// to a sentence naming the archive. An archive with data before
// its first member (the program part of a self-extracting archive) opens read-only only:
// libzip would drop that data when it writes the archive, so a writing open is refused.
zip_t* OpenArchive(const std::string& path, int flags, int& code, std::string& message);

} // namespace trvxlib
