#pragma once
// Deleting members of a ZIP archive through its component, the library running where
// the window runs a place's long work, and the line said when a change to an archive
// was cancelled.

#include "places/Place.h"

class TZipArchive;
struct TArchiveMember;

namespace places
{

// Deletes the members named `names` (exact stored names) from `zip` through `work`,
// titled "Deleting". Returns the line for a cancel (CancelledZipChange), else nothing.
QStringList DeleteZipMembers(TZipArchive& zip, const QStringList& names, TPlaceWork& work);

// The line said when changing `zip` (adding to it, else deleting from it) was cancelled.
// libzip writes the archive only at the end of a call, but it may do so after its last
// look at the cancel: the archive is read again and the line says what it holds,
// compared with `before`.
QString CancelledZipChange(TZipArchive& zip, const std::vector<TArchiveMember>& before,
                           bool adding);

} // namespace places
