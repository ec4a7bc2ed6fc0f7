#pragma once
// The end records of a ZIP archive: where its central directory lies in the file.
// Plain C++ without Qt, shared by the directory reader and the ZIP libraries.

#include <cstddef>
#include <cstdint>
#include <functional>

// Reads up to `count` bytes at `position` into `out`; returns the number read (fewer
// at the end of the data, negative on an error).
using TReadAt = std::function<int64_t(uint64_t position, void* out, size_t count)>;

struct TZipEnd {
    uint64_t Entries{0};  // as the end record counts them (ZIP64 record when present)
    uint64_t DirStart{0}; // where the central directory starts in the file
    uint64_t DirSize{0};
    // Bytes before the archive that its stored offsets do not count: a prefix added after
    // the archive was written. 0 for plain archives and for prefixes whose offsets were
    // adjusted (zip -A). A stored offset + Shift is a position in the file.
    uint64_t Shift{0};
    bool Zip64{false};
};

// Looks for the end-of-central-directory record within the last 64 KiB + 22 bytes,
// from the end backwards, and for the ZIP64 end records it points to. A candidate is
// taken only when the central directory it describes ends right before the end records
// and starts with a central header (or is empty). Cost: one read of the tail and a few
// small reads.
bool FindZipEnd(const TReadAt& read, uint64_t fileSize, TZipEnd& end);

// The fields of a central-directory record that a ZIP64 extra field may widen.
struct TZip64Fields {
    uint64_t UncompressedSize{0};
    uint64_t CompressedSize{0};
    uint64_t LocalOffset{0};
};

// Replaces the fields stored as 0xFFFFFFFF by the values of the ZIP64 extra field (id 1)
// in `extra`, which holds them in this order and only for the fields so marked.
void ApplyZip64Extra(const unsigned char* extra, size_t length, TZip64Fields& fields);

// Where the first member's local header lies in the file (the end of the data before
// the archive): the lowest offset of the central directory's records plus the shift;
// the directory's start when it has none. Cost: one read of the directory.
bool FirstMemberPosition(const TReadAt& read, const TZipEnd& end, uint64_t& position);

// Little-endian fields of the ZIP format.
inline uint16_t ZipLe16(const unsigned char* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t ZipLe32(const unsigned char* p)
{
    return uint32_t(ZipLe16(p)) | (uint32_t(ZipLe16(p + 2)) << 16);
}
inline uint64_t ZipLe64(const unsigned char* p)
{
    return uint64_t(ZipLe32(p)) | (uint64_t(ZipLe32(p + 4)) << 32);
}
