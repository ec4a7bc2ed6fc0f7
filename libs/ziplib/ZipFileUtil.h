#pragma once
// Small file helpers of ZIPLIB.

#include <cstdint>
#include <string>

namespace trvxlib
{

// The text of a libzip error code.
std::string LibzipError(int code);

// Replaces `path` with an archive that has no members: the old file's first `prefix`
// bytes (data before its first member) and a 22-byte end record that counts them.
// Through a temporary file and a rename, so the old file stays whole when writing fails.
bool WriteEmptyArchive(const std::string& path, uint64_t prefix);

// Gives `path` the modification time of the newest member of the archive it holds.
bool SetArchiveTimeToNewest(const std::string& path);

} // namespace trvxlib
