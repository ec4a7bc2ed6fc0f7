#pragma once
// What a copy or move does when an item's name is taken in the target folder: it asks,
// through a question handler the caller gives, and does what the answer says. Nothing is
// renamed without a word and nothing is replaced without the user's word.
//
// - A folder meeting a folder of the same name merges into it: the question comes for
//   each entry inside whose name is taken there too.
// - A file (link, node) meeting a file: Replace, Skip or Rename. Replace writes the new
//   one under a hidden temporary name beside the old (FileOpsParts.h), checks it against
//   the CRC-32 of the bytes written, and only then sends the old one to the trash (when
//   the trash is in use; else it goes for good) and gives the new one its name.
// - A file meeting a folder, a folder meeting a file, or an item meeting itself (copied
//   into its own folder): Skip or Rename only.
//
// The handler runs on the thread doing the work (a worker); it waits for the answer.

#include "transfer/FileOpsRecord.h"
#include "transfer/ShellFileOperation.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace platform
{

struct TCollisionSide {
    QString Path;       // full path
    bool Folder{false}; // a folder (else a file, link or node)
    qint64 Size{0};
    QDateTime Modified;
};

struct TCollision {
    TCollisionSide Existing; // what holds the name in the target folder
    TCollisionSide Incoming; // what the command brings
    // False when the item meets itself or a file meets a folder: Skip and Rename only.
    bool CanReplace{true};
    // The first free name "NAME (N).EXT" of the target folder, N >= 2.
    QString Suggested;
};

enum class TCollisionChoice { Replace, Skip, Rename, Cancel };

struct TCollisionAnswer {
    TCollisionChoice Choice{TCollisionChoice::Skip};
    QString Name; // Rename: the new name, in the same folder
};

// What became of the old entry a Replace put the new one over.
struct TReplacedEntry {
    QString Trashed;     // its path in the trash; empty when it went for good
    TEntryRecord Record; // the trashed entry as it lies in the trash
};

// `name` with the number `n` before its extension: "report.v1 (2).txt",
// "archive (2).tar.gz", ".profile (2)"; a folder's whole name takes it: "photos (2)".
QString NumberedName(const QString& name, int n, bool folder);
// The first of NumberedName(name, 2...) free in the open folder `dir`; empty when none of
// the first thousands is.
QString FreeNumberedName(int dir, const QString& name, bool folder);

// The two sides of a collision of the source `srcSt` (named `srcPath`) with the entry
// `existingSt` at `existingPath` of the open folder `dir`.
TCollision DescribeCollision(const QString& srcPath, const struct stat& srcSt,
                             const QString& existingPath, const struct stat& existingSt, int dir);

// Whether a Rename answer's name can be used as the name of an entry: not empty, no "/",
// not "." or "..".
bool UsableName(const QString& name);

// Whether the entry `name` of `dir` is still the one `seen` described (same device,
// inode, size and modification time): a Replace never puts the new one over an entry
// that changed while the user was asked.
bool StillAsSeen(int dir, const QByteArray& name, const struct stat& seen);

// Checks that the file `name` of `dir` holds `size` bytes whose CRC-32 is `crc`.
bool FileHolds(int dir, const QByteArray& name, qint64 size, quint32 crc);

// Puts the complete, verified entry `temp` of `dir` over `name` there, which must still
// be as `seen`: with `useTrash` the old one goes to the trash first (and is described in
// `replaced`), else the rename replaces it. Returns an empty text or why not; `temp`
// then stays for the caller to take back, and the old entry is where it was (or, when
// only the last rename failed, in the trash, which the text says).
QString PutOver(int dir, const QByteArray& temp, const QByteArray& name, const QString& path,
                const struct stat& seen, bool useTrash, TReplacedEntry& replaced);

} // namespace platform
