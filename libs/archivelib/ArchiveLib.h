#pragma once
// ARCHIVELIB: read-only access to the archive formats other than ZIP, over libarchive:
// tar (plain or compressed by gzip, bzip2, xz, zstd, lzip...), cpio, 7z, ISO 9660,
// RAR, AR (and so .deb), and single compressed files, shown as one member.
// The format is found from the content; ZIP is not read here.
//
// Blocking calls with no shared state: any thread, one archive per call.

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace archivelib
{

enum class TStatus {
    Ok,
    NotArchive, // no supported format recognised: the file is not opened as an archive
    Failed,     // unreadable, damaged or encrypted: Message says which
};

struct TMember {
    std::string Name; // as stored: UTF-8 when the format says so, else the raw bytes
    int64_t Size{0};
    time_t MTime{0};
    bool IsDirectory{false};
};

struct TListing {
    TStatus Status{TStatus::Ok};
    std::string Message;
    std::vector<TMember> Members;
    bool Cancelled{false}; // stopped by the cancel check: Failed, no members
};

// Asked between blocks of an archive's data; true stops the reading.
using TCancel = std::function<bool()>;

// Reads every member header of `path` in one pass over the data. `cancelled` (may be
// empty) can stop it within a block of the file: Failed, with Cancelled set.
TListing ListMembers(const std::string& path, const TCancel& cancelled = {});

struct TExtraction {
    TStatus Status{TStatus::Ok};
    int Written{0};
    // Stopped by the progress callback: the members not written yet are not listed.
    bool Cancelled{false};
    // One line per member that was not written (and why), then the archive's error.
    std::vector<std::string> Messages;
};

// Told of an extraction's progress, on its thread: after each block of a member's data
// that was read (`written` of its bytes went into a file; 0 for a member passed over,
// which in a compressed archive is decompressed block by block) and after each file
// completed (`files` 1). Returns false to stop: the file being written is removed with
// its temporary name, and no further member is started.
using TProgress = std::function<bool(int64_t written, int files)>;

// Writes the members of `path` named exactly in `names` into `folder`, each under the
// last part of its name. Nothing is ever written outside `folder` or over an existing
// entry: members with absolute names or ".." parts, symbolic links and special files
// without data are skipped with a message; a special file's member that holds data is
// written as a file, and a hard link as a copy of the member it links to (read again
// from the start). Each file is written under a temporary name (PartFile.h) that it
// loses only when complete, never through a link nor over a name taken meanwhile, and
// removed when its data cannot be read or runs past its declared size. Reading stops
// after the last wanted member. `progress` (may be empty) can stop it within a block.
TExtraction ExtractMembers(const std::string& path, const std::vector<std::string>& names,
                           const std::string& folder, const TProgress& progress = {});

} // namespace archivelib
