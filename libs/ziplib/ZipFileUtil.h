#pragma once
// Small file helpers of ZIPLIB.

#include <string>

namespace trvxlib
{

// The text of a libzip error code.
std::string LibzipError(int code);

// Replaces `path` with a 22-byte archive that has no members (through a temporary
// file and a rename, so the old file stays whole when writing fails).
bool WriteEmptyArchive(const std::string& path);

// Gives `path` the modification time of the newest member of the archive it holds.
bool SetArchiveTimeToNewest(const std::string& path);

} // namespace trvxlib
