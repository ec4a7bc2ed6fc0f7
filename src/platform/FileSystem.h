#pragma once
// Directory search and file facts, the one place that asks the operating system
// about files. Sizes are 64-bit; dates are DOS-resolution local day counts.

#include "platform/FileOpsProgress.h"

#include <QString>
#include <QtGlobal>
#include <ctime>
#include <functional>

namespace platform
{

// Attribute bits as the listing and the panels know them.
enum : quint32 {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faDirectory = 0x10,
    faArchive = 0x20,
};

// One entry of a directory search. Links are followed for type, size and time;
// a dangling link is a file of its own size.
struct TFoundEntry {
    QString Name;
    qint64 Size{0};
    double DateTime{0};
    quint32 Attr{0};
    int Expected{0}; // entries the search found in all, an upper bound: room to make at once
    // The device and inode the entry leads to; IsLink is told by SearchDirectoryNames
    // and StatEntry only: the entry is a symbolic link (Size, DateTime and Attr still tell
    // what it leads to).
    bool IsLink{false};
    quint64 Device{0};
    quint64 Inode{0};
};

// What readdir tells of a name's kind before any stat; Unknown on file systems that
// do not say.
enum class TNameKind : quint8 { Unknown, File, Directory, Link, Other };

// Calls `found` for every entry of `directory` except "." (".." included when the
// file system reports it, and never at "/"). Returns false, calling nothing, when
// the path is not absolute or the directory cannot be opened or searched (no execute
// permission: its names could be read but no entry looked up). A name that cannot be
// read midway ends the search: `found` has been called for the entries read before, and
// it returns false. `error` (may be null) gets the system's reason as an errno value in
// both cases, else 0. With `progress`, each name read counts as one item of it, and its
// cancel flag stops the search early (false; `found` may have been called for some
// entries).
// Cost: one readdir pass plus one fstatat per entry (shared with a second thread in
// large directories); the callback runs on the calling thread, in readdir order.
bool SearchDirectory(const QString& directory, const std::function<void(TFoundEntry&&)>& found,
                     TFileOpsProgress* progress = nullptr, int* error = nullptr);

// The entry `name` of `directory` as SearchDirectory finds it; false when it is gone.
bool FindEntry(const QString& directory, const QString& name, TFoundEntry& entry);

// SearchDirectory for a walk over a tree: `wanted` sees every name first, as its raw
// bytes (zero-terminated) with its readdir kind, ".." included, and only the names it
// wants are stat'ed and reported, with IsLink, Device and Inode filled in. So a search
// by name costs one stat per wanted name, not one per name. `wanted` runs on the
// calling thread; otherwise as SearchDirectory.
bool SearchDirectoryNames(const QString& directory,
                          const std::function<bool(const char* name, TNameKind kind)>& wanted,
                          const std::function<void(TFoundEntry&&)>& found,
                          TFileOpsProgress* progress = nullptr);

// The entry `path` names, as a directory search of its folder would report it (Name is
// the last part of the path); false when there is none. Cost: one or two stat calls.
bool StatEntry(const QString& path, TFoundEntry& entry);

// A Unix time as the day count since 30 December 1899 in local time, to the second.
double ToDayCount(time_t t);

// True when `path` names an existing directory (links followed).
bool DirectoryExists(const QString& path);

// True when `path` names an existing entry of any kind that is not a directory.
bool FileExists(const QString& path);

// False when the file `path` names (links followed) exists and the user may not write
// it: its owner has no write permission (the read-only attribute), which holds for root
// too, or the system refuses writing. True for a name that does not exist.
bool MayChangeFile(const QString& path);

// Directory of the program file, ending in "/".
QString ProgramDirectory();

// Which directory a path names and when its list of names last changed: adding,
// removing or renaming an entry changes the times (the contents of files do not).
struct TDirectoryStamp {
    quint64 Device{0};
    quint64 Inode{0};
    qint64 ModifiedNs{0};
    qint64 ChangedNs{0};
    bool operator==(const TDirectoryStamp&) const = default;
};

// The stamp of the directory `path` names (links followed); false when it is none.
bool GetDirectoryStamp(const QString& path, TDirectoryStamp& stamp);

// Which file a path names and its state: another file under the name has another
// device or inode; a change to its content changes its size or times.
struct TFileStamp {
    quint64 Device{0};
    quint64 Inode{0};
    qint64 Size{-1};
    qint64 ModifiedNs{0};
    bool SameFile(const TFileStamp& other) const
    {
        return Device == other.Device && Inode == other.Inode;
    }
    bool operator==(const TFileStamp&) const = default;
};

// The stamp of the regular file `path` names (links followed); false when it is none.
bool GetFileStamp(const QString& path, TFileStamp& stamp);

} // namespace platform
