#pragma once
// A libzip source of one file to add, named relative to a folder descriptor. The file is
// opened only when libzip reads it, while it writes the archive, so thousands of files
// hold no descriptors at once and no change of the process's current directory can
// redirect the read. The reporter hears of the file when libzip opens it (FileStart) and
// of its bytes as libzip reads them (AddBytes), so progress follows the writing.

#include "LibCommon.h"

#include <string>
#include <sys/stat.h>
#include <zip.h>

namespace trvxlib
{

// `folder` must stay open while the source lives; `st` is what the file was found to be.
// Null with libzip's error in `za` on failure.
zip_source_t* CreateFileSource(zip_t* za, int folder, const std::string& path,
                               const struct stat& st, TReporter& reporter);

} // namespace trvxlib
