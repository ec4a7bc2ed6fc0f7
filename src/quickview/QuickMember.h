#pragma once
// The private copy of an archive member that the quick view shows: the member is written
// into a file of a fresh private folder, off the window's thread, up to a limit.

#include "quickview/QuickCore.h"

namespace quickview
{

// Writes the member into the new file `file` (in a folder of its own), reading at most
// `limit` bytes of its data. False when it was not written whole: `why` says why
// ("too large to show", "unreadable: ..."), or is empty when the cancel flag of
// `progress` stopped it; a file begun is then removed.
bool CopyMember(const TMemberSource& member, const QString& file, qint64 limit,
                platform::TFileOpsProgress& progress, QString& why);

} // namespace quickview
