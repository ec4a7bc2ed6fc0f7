#pragma once
// Opening an archive with libzip the way the directory reader finds it: also when data
// precedes the archive (the program part of a self-extracting archive), whether its
// offsets count that data or not, and ZIP64 archives.

#include <cstdint>
#include <string>
#include <zip.h>

namespace trvxlib
{

struct TOpenedArchive {
    zip_t* Archive{nullptr}; // null on failure; the caller closes or discards it
    uint64_t Prefix{0};      // bytes before the first member, kept when libzip writes
    int Code{0};             // libzip's error code on failure
    std::string Message;     // on failure: a sentence naming the archive
};

// Opens `path` with libzip's `flags` (ZIP_RDONLY, ZIP_CREATE or 0). An archive with data
// before its first member is read through ZipPrefixSource, so that libzip finds its
// members and, when it writes the archive again, keeps that data in front.
TOpenedArchive OpenArchive(const std::string& path, int flags);

} // namespace trvxlib
