#pragma once
// The member names a file search lists from inside archives: ZIP through our own
// directory reader, the read-only formats through ARCHIVELIB. Names only; no member's
// data is read.

#include "listing/FileListing.h"

#include <QString>
#include <optional>
#include <vector>

namespace platform
{
class TFileOpsProgress;
}

// Whether a file named `name` is an archive the search looks into, by its extension
// (".zip" and the usual ones of tar, its compressed forms, cpio, 7z, ISO, RAR and AR).
bool IsSearchedArchive(const QString& name);

// The file members of the archive at `path` (folders left out), with their stored
// names, sizes and dates; nothing when it is no archive, no regular file or cannot be
// read, or when the cancel flag of `progress` (may be null) stops the reading, which it
// does within a block of the file. Shows no message and raises nothing. Any thread.
std::optional<std::vector<TArchiveMember>>
ArchiveMemberNames(const QString& path, const platform::TFileOpsProgress* progress = nullptr);
