#pragma once
// A libzip source over an archive file that has data before its first member (the
// program part of a self-extracting archive). libzip reads the archive through a window
// that starts where its offsets count from; when it writes the archive again, the new
// file begins with the old file's first `prefix` bytes and the offsets count them, as
// `zip -A` leaves a self-extracting archive. With no prefix it is a plain archive file.
// Written through a temporary file in the archive's folder, named
// `.<NAME>.trvx<PID>-XXXXXX.part` (PartFile.h), and a rename, so a failed write leaves the
// old file whole and a kill leaves a file recognisable as the program's; left-overs of
// ended processes in the folder are removed when writing begins. A path that does not
// exist yet reads as an archive to be created.

#include <cstdint>
#include <string>
#include <zip.h>

namespace trvxlib
{

// `readStart`: where offset 0 of the archive lies in the file; `prefix`: the bytes kept
// in front when writing. Returns null with `error` set when the file cannot be opened.
zip_source_t* CreatePrefixSource(const std::string& path, uint64_t readStart, uint64_t prefix,
                                 zip_error_t* error);

} // namespace trvxlib
