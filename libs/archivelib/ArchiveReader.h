#pragma once
// Opening an archive for reading with the formats ARCHIVELIB supports, and the
// member name and error text as both the listing and the extraction take them.

#include "ArchiveLib.h"

#include <archive.h>
#include <archive_entry.h>
#include <memory>
#include <vector>

namespace archivelib
{

struct TArchiveCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};
using TArchivePtr = std::unique_ptr<archive, TArchiveCloser>;

// The file under an archive being read, and the caller's check asked before each block.
struct TSource {
    int Fd{-1};
    TGoOn GoOn;
    bool Stopped{false}; // the check said no
    std::vector<char> Block;
    ~TSource();
};

// Opens `path` and reads its first header into `entry` (null `entry` when the archive
// has no member). Status NotArchive when no supported format matches; Failed with a
// message when the file cannot be read or the format is recognised but damaged.
// `goOn` (may be empty) is asked before each block read from the file: once it says no,
// every read fails, so that libarchive stops whatever it is doing at its next read.
struct TOpened {
    std::unique_ptr<TSource> Source; // outlives Archive, which reads from it
    TArchivePtr Archive;
    archive_entry* Entry{nullptr};
    TStatus Status{TStatus::Ok};
    std::string Message;
    // The first damaged header read past (see NextHeader); empty when there was none.
    std::string Damage;
};
// `options` adds ZIP to the formats and gives libarchive the password.
TOpened OpenArchive(const std::string& path, const TGoOn& goOn = {},
                    const TReadOptions& options = {});

// Reads the next header; false at the end, with `failed` set on an error. A damaged
// header that the format reads past (tar's checksum: libarchive's "retry") is read again
// from the next block, as bsdtar does; the first such error's text goes into `damage`
// (may be null) when it holds none yet.
bool NextHeader(archive* a, archive_entry*& entry, bool& failed, std::string* damage = nullptr);

// A member's name; a single compressed file's one member takes the file's name
// without its last extension.
std::string MemberName(archive* a, archive_entry* entry, const std::string& path);
std::string ErrorText(archive* a, const std::string& path);
// A message for an encrypted member; empty when the member is not encrypted.
std::string EncryptedText(archive_entry* entry, const std::string& path);

} // namespace archivelib
