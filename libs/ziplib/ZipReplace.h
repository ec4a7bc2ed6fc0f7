#pragma once
#include "LibCommon.h"

namespace trvxlib
{

// Puts the content of one file in place of one member of command.ZipFilename: the
// command's first file spec is the member's exact name, the second the file's path.
// The member keeps its name, place, attributes and comment, and its kind of compression;
// its data, sizes, checksum and time become the file's. Nothing else in the archive
// changes, and data before its first member (a self-extracting program) is kept.
// Refused, with a message and the archive as it was, when no member or more than one
// has that name, or the file cannot be read. Returns 1 when replaced, else 0.
int32_t ReplaceMember(const TZipCommand& command, TReporter& reporter);

} // namespace trvxlib
