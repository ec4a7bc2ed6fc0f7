#pragma once
// Opening an archive with libzip the way the directory reader finds it: also when data
// precedes the archive (the program part of a self-extracting archive), whether its
// offsets count that data or not, and ZIP64 archives.

#include <cstdint>
#include <string>
#include <vector>
#include <zip.h>

namespace trvxlib
{

struct TOpenedArchive {
    zip_t* Archive{nullptr}; // null on failure; the caller closes or discards it
    uint64_t Prefix{0};      // bytes before the first member, kept when libzip writes
    int Code{0};             // libzip's error code on failure
    std::string Message;     // on failure: a sentence naming the archive
};

// Opens `path` with libzip's `flags` (ZIP_RDONLY, ZIP_CREATE or 0), always through
// ZipPrefixSource: an archive with data before its first member is read so that libzip
// finds its members and, when it writes the archive again, keeps that data in front;
// and libzip's temporary file beside the archive is named as the program's.
TOpenedArchive OpenArchive(const std::string& path, int flags);

// The names of the archive's members in libzip's order, decoded as the directory reader
// decodes them (zip/ZipNames.h); empty when its central directory cannot be read.
std::vector<std::string> MemberNames(const std::string& path);

} // namespace trvxlib
