#pragma once
#include "LibCommon.h"

namespace trvxlib
{

// Deletes the members of command.ZipFilename that its file specs select: exact
// names with ExactNames, else names or patterns ("/" or "\\" separators). Returns the number
// deleted; 0 leaves the archive untouched. An archive left without members is kept as an empty
// archive.
int32_t DeleteMembers(const TZipCommand& command, TReporter& reporter);

} // namespace trvxlib
