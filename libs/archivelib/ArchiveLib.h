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
    // Why it failed; with Ok, what was passed over (a damaged tar header), else empty.
    std::string Message;
    std::vector<TMember> Members;
    // Stopped by the caller's check: Status is Failed and Members is empty.
    bool Cancelled{false};
};

// Asked before each block read from the file and between members; returns false to stop.
using TGoOn = std::function<bool()>;

// Reads every member header of `path` in one pass over the data. `goOn` (may be empty)
// can stop it within a block of the file, also in the middle of a header that makes
// libarchive decompress a long member to pass it; a stopped listing lists nothing.
TListing ListMembers(const std::string& path, const TGoOn& goOn = {});

// ListMembers in a child process, killed as soon as `goOn` (asked about every 50 ms while
// it reads) says no: libarchive can loop inside one call, where no check is asked. A
// child that ends abnormally (libarchive crashed) gives Failed. With an empty `goOn`, or
// when no process can be started, it is ListMembers itself.
TListing ListMembersApart(const std::string& path, const TGoOn& goOn);

// One file member with its data, as ReadMembers hands it over.
struct TMemberData {
    enum class TStatus {
        Read,     // Data holds the whole member
        TooLarge, // it holds more than the limit: not read (Data empty)
        Failed,   // its data could not be read (damaged, encrypted): Message says why
    };
    TMember Member; // Size -1 when the header does not give it
    TStatus Status{TStatus::Read};
    std::string Data;
    std::string Message;
};
// Asked of each file member before its data is read; false passes over it.
using TWanted = std::function<bool(const TMember& member)>;
// Handed each wanted member; returns false to stop the reading.
using TMemberSink = std::function<bool(const TMemberData& member)>;

// Reads the file members of `path` that `wanted` asks for, in one pass, each into memory
// up to `limit` bytes, and hands them to `sink`. A member that says it is larger is not
// read; one that turns out larger is read no further. `goOn` as for ListMembers. The
// listing's Status and Message say whether the archive was read to its end; its
// Members stay empty.
TListing ReadMembers(const std::string& path, int64_t limit, const TWanted& wanted,
                     const TMemberSink& sink, const TGoOn& goOn = {});

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

// What an unpack or a test reads beyond what the listing does: ZIP archives (through
// their central directory; the panels read ZIP with the program's own reader), and the
// password of encrypted members.
struct TReadOptions {
    bool Zip{false};
    std::string Password; // empty: encrypted members are reported and not read
};

// Writes every member of `path` below `folder`, keeping the folders of its name (made
// as needed, never entered through a link). As ExtractMembers otherwise: the same
// refusals, each file under a temporary name until it is whole and its data read without
// an error (libarchive checks the CRC of ZIP, 7z and RAR members as it reads them), the
// same progress and stop. Folder members are made even when empty.
TExtraction ExtractAll(const std::string& path, const std::string& folder,
                       const TReadOptions& options, const TProgress& progress = {});

// The result of reading every member's data of an archive to its end.
struct TTestReport {
    TStatus Status{TStatus::Ok}; // Failed: the archive could not be read to its end
    int Members{0};              // members met
    // One line per member that could not be read whole ("<name>: <why>"), then what
    // stopped the archive's reading or was passed over in it.
    std::vector<std::string> Problems;
    bool Cancelled{false};
};

// Reads every member of `path` to its end as an extraction would, writing nothing.
// `progress` is told of each block (`written`: its bytes) and each member (`files` 1).
TTestReport TestArchive(const std::string& path, const TReadOptions& options,
                        const TProgress& progress = {});

} // namespace archivelib
