#pragma once
// One read of a folder tree for the comparison of two folders: every entry's relative
// path, kind, size and modification time, and its device and inode, so that a later
// step can tell whether the entry is still the one read. Links are not followed. Works
// on directory descriptors: one readdir pass per folder and one fstatat per entry, no
// more. Any thread.

#include "platform/FileOpsProgress.h"

#include <QByteArray>
#include <QtGlobal>
#include <sys/stat.h>
#include <vector>

namespace platform
{

// What the read saw of one entry.
struct TSeenEntry {
    quint64 Device{0};
    quint64 Inode{0};
    qint64 Size{0};
    qint64 Seconds{0}; // modification time
    qint32 Nanoseconds{0};
    quint32 Mode{0}; // st_mode: kind and permission bits

    bool IsFolder() const { return S_ISDIR(Mode); }
    bool IsFile() const { return S_ISREG(Mode); }
    static TSeenEntry Of(const struct stat& st);
    // A stat record carrying what was seen, for StillAsSeen (FileOpsCollision.h).
    struct stat ToStat() const;
};

struct TScannedEntry {
    QByteArray Path; // relative to the scanned folder, "/" separated, file-system bytes
    TSeenEntry Seen;
    int Depth{0};       // 0 for the folder's own entries
    bool Unread{false}; // a folder that could not be read: what it holds is unknown
};

struct TFolderScan {
    // Each folder before what it holds, what it holds right after it (pre-order).
    std::vector<TScannedEntry> Entries;
    int Error{0};         // errno when the folder itself could not be read
    int UnreadFolders{0}; // folders below it that could not be read (listed, not entered)
    bool Cancelled{false};
};

// Reads `folder` (a full path), with `subfolders` everything below it, else its own
// entries only. Links are listed as links and never entered. A folder below it is
// opened after the fault hook's OpenDirectory step (FileOpsFaults.h). `progress` (may be null)
// counts one item per entry read, and its cancel flag stops the read early (Cancelled).
TFolderScan ScanFolder(const QString& folder, bool subfolders,
                       TFileOpsProgress* progress = nullptr);

} // namespace platform
