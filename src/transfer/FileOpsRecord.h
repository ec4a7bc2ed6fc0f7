#pragma once
// What a copy or a check saw of one entry and everything below it, so that removing the
// original afterwards removes exactly what was copied and verified, never what appeared
// or changed since. An entry is removed only while it is still the one recorded (the same
// kind, device and inode; files and links also the same size, modification time and
// change time, and files whose content was recorded also the same CRC-32); a folder goes
// only once it is empty, so an entry made in it meanwhile keeps it.
//
// Every function here works on directory descriptors and never follows links; any thread.

#include "platform/FileOpsProgress.h"
#include "transfer/FileOpsSupport.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace platform
{

struct TEntryRecord {
    QByteArray Name; // the entry's name in its folder
    mode_t Type{0};  // the S_IFMT bits
    dev_t Device{0};
    ino_t Inode{0};
    off_t Size{0};
    nlink_t Links{0};
    struct timespec Modified {
    };
    // The change time, which no program can set back: a rewrite that kept the size and
    // put the modification time back still moves it.
    struct timespec Changed {
    };
    // Files recorded with their content: the CRC-32 of their data, checked before removal.
    bool HasCrc{false};
    quint32 Crc{0};
    std::vector<TEntryRecord> Children; // folders: the entries recorded inside

    static TEntryRecord Of(const QByteArray& name, const struct stat& st);
    bool IsFolder() const { return S_ISDIR(Type); }
    // Whether `st` still describes the recorded entry (a folder's times change with its
    // entries, so only its identity counts). A file with several names whose content is
    // recorded may have another change time: removing one of its names moves it.
    bool Matches(const struct stat& st) const;
    // Matches without the change time.
    bool SameExceptChangeTime(const struct stat& st) const;
    // Keeps `crc`, the CRC-32 of a file's data as it was copied, to be checked before the
    // file is removed: always with `always`, else only where the times cannot tell a
    // rewrite (a file system with coarse times, or a file with several names).
    void KeepContent(quint32 crc, bool always);
};

// Records the entry `name` of the open folder `dir` with everything below it.
// Returns 0 or the errno of the first entry or folder that could not be read.
// Cost: one lstat per entry and one read of each folder.
int RecordTree(int dir, const QByteArray& name, TEntryRecord& record);
// The same for the full path `path` (trailing separators ignored).
int RecordTree(const QString& path, TEntryRecord& record);
// The entry at the full path `path` alone, without what a folder holds. 0 or an errno.
int RecordEntry(const QString& path, TEntryRecord& record);

// Compares the copy `copyName` in `copyDir` with the original `record.Name` in `dir`, for
// the recorded entries only: the original must still match its record, and the copy must
// be of the same kind, with the same bytes or link target. On a difference (or a read
// error) returns false and sets `difference` to the path, below `path`, where it was found.
// `progress` (may be null) can cut the comparison short (false, `difference` empty).
// Cost: reads both trees' recorded files once.
bool SameAsRecorded(int dir, const TEntryRecord& record, int copyDir, const QByteArray& copyName,
                    const QString& path, QString& difference,
                    const TFileOpsProgress* progress = nullptr);

// Removes the recorded entries of `record.Name` in `dir`, deepest first. An entry that no
// longer matches its record (or whose content no longer has its recorded CRC-32) stays
// and is reported ("it changed after it was copied"); so does a folder that holds entries
// the record does not know, naming them. Entries that are gone already count as removed.
// `path` names the entry in messages; `removed` counts the entries removed. A cancel of
// `progress` (may be null) stops before the next entry, keeping the rest silently. True
// when the entry is gone.
bool RemoveRecorded(int dir, const TEntryRecord& record, const QString& path,
                    TFileOpsReport& report, int& removed,
                    const TFileOpsProgress* progress = nullptr);

} // namespace platform
