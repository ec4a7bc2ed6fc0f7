#pragma once
// Opening an archive for reading with the formats ARCHIVELIB supports, and the
// member name and error text as both the listing and the extraction take them.

#include "ArchiveLib.h"

#include <archive.h>
#include <archive_entry.h>
#include <memory>

namespace archivelib
{

struct TArchiveCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};
using TArchivePtr = std::unique_ptr<archive, TArchiveCloser>;

// The file an archive is read from, through callbacks of ours (ArchiveReader.cpp).
struct TSource;
struct TSourceDeleter {
    void operator()(TSource* source) const;
};

// Opens `path` and reads its first header into `entry` (null `entry` when the archive
// has no member). Status NotArchive when no supported format matches or the path is no
// regular file; Failed with a message when the file cannot be read or the format is
// recognised but damaged. `cancelled` (may be empty) is asked before each block of the
// file is read: once it says true, every read fails with ECANCELED.
struct TOpened {
    std::unique_ptr<TSource, TSourceDeleter> Source; // outlives Archive, which reads it
    TArchivePtr Archive;
    archive_entry* Entry{nullptr};
    TStatus Status{TStatus::Ok};
    std::string Message;
};
TOpened OpenArchive(const std::string& path, const TCancel& cancelled = {});

// Reads the next header; false at the end, with `failed` set on an error.
bool NextHeader(archive* a, archive_entry*& entry, bool& failed);

// A member's name; a single compressed file's one member takes the file's name
// without its last extension.
std::string MemberName(archive* a, archive_entry* entry, const std::string& path);
std::string ErrorText(archive* a, const std::string& path);
// A message for an encrypted member; empty when the member is not encrypted.
std::string EncryptedText(archive_entry* entry, const std::string& path);

} // namespace archivelib
