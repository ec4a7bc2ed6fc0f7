#pragma once
// What packing files into a new archive needs of the file system: the entries below the
// chosen names (links never followed), a file's bytes read in order, the archive's hidden
// temporary name in its folder and its rename into place without replacing anything, and
// the removal of originals that the archive verifiably holds. Any thread.

#include "platform/FileOpsProgress.h"
#include "transfer/FileOpsRecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace platform
{

// One entry to pack.
struct TPackEntry {
    enum class TKind { File, Folder, Link, Other };
    QString Relative; // to the packed folder, "/" separated
    QByteArray Bytes; // the same as file-system bytes, the member's name
    TKind Kind{TKind::Other};
    qint64 Size{0};        // files
    unsigned Mode{0};      // the whole st_mode
    qint64 Modified{0};    // seconds since the epoch
    QByteArray LinkTarget; // links, as the link holds it
};

// The entries of `names` in `folder` (ending in "/") and everything below the folders
// among them, each folder before what it holds, in name order; links are listed as links
// and never entered. A folder that cannot be read is listed (so it is kept empty) and
// named in `problems`; so is an entry that cannot be looked at.
std::vector<TPackEntry> ListPackEntries(const QString& folder, const QStringList& names,
                                        QStringList& problems);

// A regular file opened for reading its bytes in order, never through a link.
class TPackSource final
{
public:
    TPackSource() = default;
    TPackSource(const TPackSource&) = delete;
    TPackSource& operator=(const TPackSource&) = delete;
    ~TPackSource();
    // 0, or the errno why `path` cannot be read (ELOOP for a link, EINVAL for no file).
    int Open(const QString& path);
    // Up to `size` bytes; 0 at the end, -errno on a failure.
    qint64 Read(char* data, qint64 size);

private:
    int m_fd{-1};
};

// Creates an empty file of this user under a fresh hidden temporary name for `name` in
// `folder` (FileOpsParts.h), removing this user's left-overs of ended processes first.
// Its full path, or empty with `error` set.
QString CreatePackPart(const QString& folder, const QString& name, int& error);

// Renames the file `from` to `to` (the same folder) only while `to` is free: 0, EEXIST
// when the name is taken, or another errno.
int RenameIntoPlace(const QString& from, const QString& to);

// Removes the file `path`; 0 or an errno (ENOENT when it is gone already).
int RemovePackPart(const QString& path);

// Removes the original `path` as `record` holds it: only the entries still as recorded,
// files also with their recorded CRC-32; whatever changed or is not in the record stays
// and is reported through `onFailure`, with the folders holding it. True when it is gone.
bool RemovePackedOriginal(const QString& path, const TEntryRecord& record,
                          const std::function<void(const QString&)>& onFailure, int& removed);

} // namespace platform
