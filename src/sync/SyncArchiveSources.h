#pragma once
// The archives a panel can show, as the source side of a comparison of folders: a ZIP
// archive extracted through the ZIP library (src/zip), any other format through the
// read-only archive component (src/archive). User-interface thread.

#include "sync/SyncArchive.h"

#include <memory>

class TReadOnlyArchive;

// `folder` is the folder shown inside the archive ("" the top, else "sub/deeper/");
// `members` the archive's directory as the panel read it; `left` its side.
std::shared_ptr<TArchiveSide> ZipArchiveSide(const QString& archive, const QString& folder,
                                             std::vector<TArchiveMember> members, bool left);
std::shared_ptr<TArchiveSide> ReadOnlyArchiveSide(const TReadOnlyArchive& archive,
                                                  const QString& folder, bool left);
