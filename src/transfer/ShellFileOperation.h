#pragma once
// Copy, move, delete and trash of one item, and the two single-call helpers the rename
// and create-directory commands use. Everything runs synchronously on the caller's
// thread, which may be a worker thread (nothing here touches widgets or shows messages
// when a failure handler is given): no progress window, no questions asked.
//
// Paths are absolute; QString names are converted with platform::EncodeFileName.
//
// Nothing is overwritten without the user's word. When the item's name is taken in the
// destination folder, copy and move ask the question handler what to do (Replace, Skip,
// Rename or Cancel; see FileOpsCollision.h); without one the item is reported and stays.

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace platform
{
class TFileOpsProgress;
class TMoveRemovals;
struct TEntryRecord;
struct TCollision;
struct TCollisionAnswer;
} // namespace platform

namespace platform
{

enum class TShellFunction { Move = 1, Copy = 2, Delete = 3 };

// Receives one readable message per failing entry, naming the entry and the reason.
// The default (an empty handler) shows each message with platform::ShowMessage.
using TShellFailureHandler = std::function<void(const QString& message)>;

// Asked once per taken name, on the working thread, which waits for the answer
// (FileOpsCollision.h). Cancel stops the whole operation.
using TCollisionAsk = std::function<TCollisionAnswer(const TCollision&)>;

// One item that arrived in the destination on its own: an entry of a folder merged into
// one of the same name, or an item put over an old one.
struct TShellPart {
    QString Source; // full path it came from
    QString Target; // full path it has now
    // Copy: what the copy made (as TShellResult::Copied).
    std::shared_ptr<const TEntryRecord> Copied{};
    // Put over an old entry: that entry's path in the trash and its record there, or
    // ReplacedForGood when it went for good (the trash was not in use).
    QString Trashed;
    std::shared_ptr<const TEntryRecord> TrashedRecord{};
    bool ReplacedForGood{false};
    // An entry of a folder merged into another: a move removed its source folder once
    // empty, so an undo makes that folder again.
    bool InMerged{false};
};

struct TShellResult {
    // Entries copied, moved or deleted. A tree moved by one rename, or sent to the
    // trash as a whole, counts as one entry; a tree copied counts every entry in it.
    int Items{0};
    // Failures reported through the handler (each one message).
    int Failures{0};
    // Copy and move: the full path the item has in the destination folder; empty when
    // it did not arrive there (or when a move across file systems was undone). Delete to
    // the trash: the item's path in the trash (".../files/NAME").
    QString Target;
    // Copy and move: the errno (no space, quota, read-only file system) after which the
    // target takes nothing more; the operation stopped there, and a command of several
    // items should stop too. 0 otherwise.
    int Stopped{0};
    // Copy: what it made (FileOpsRecord.h), each entry as it was made and every file with
    // the CRC-32 of the bytes written into it; null when nothing arrived, and for the
    // other operations.
    std::shared_ptr<const TEntryRecord> Copied{};
    // When not empty, what arrived item by item instead of Target and Copied alone: the
    // entries of a folder merged into an existing one, or an item put over an old one.
    std::vector<TShellPart> Parts{};
    // Items whose name was taken and that the answer skipped; they stay where they were.
    int Skipped{0};

    bool Succeeded() const { return Failures == 0 && Items > 0; }
};

// One operation on `source` (a file, directory or symbolic link; a link is never
// followed, neither as the item nor inside a tree).
//
// Copy: copies `source` with everything below it into the folder `destination`, keeping
//   its name or taking the one `ask` answers (a folder of the same name there is merged
//   into, `ask` answering for each entry inside whose name is taken too). File data goes by
//   copy_file_range where the file systems allow it, else by read and write; permission bits
//   (without set-user and set-group id) and access and modification times are kept; links stay
//   links; FIFOs and device nodes are recreated. An entry that fails (unreadable, vanished, disk
//   full) is reported, its partial copy is removed, and the copy goes on with the next
//   entry of the tree.
// Move: renames `source` into `destination`, replacing only what `ask` says to (as for
//   Copy; a folder merged into leaves its source folder once it is empty). Across
//   file systems it copies the whole tree, recording each entry as it was copied,
//   compares the copy with the original (types, sizes, link targets and file contents),
//   flushes the copy to its disk and only then deletes the original: exactly the entries
//   copied, each only while it is as it was copied (see FileOpsRecord.h). Entries that
//   appeared or changed since stay, with the folders holding them, and each is reported
//   with why. If any entry failed to copy or the copy differs, the copy is removed again
//   and the original is left untouched. A cancel during the comparison keeps both the
//   original and the copy, says so, and counts as not moved (no Target). With `removals`
//   the flush and the deletion wait for its Finish (see FileOpsMoves.h), so that one
//   flush serves a whole command. Moving an item into the folder it is in is refused.
// Delete: `destination` is ignored. With `useRecycleBin` the item goes to the
//   freedesktop trash of its file system (see FileOpsTrash.h); when that fails it is
//   reported and kept, never deleted for good instead. Otherwise it is removed for good,
//   recursively; entries that cannot be removed are reported and their folders are kept.
//
// A directory is never copied or moved into itself or below itself: that is reported
// and nothing is done. Neither is "/" deleted, copied or moved, nor a relative path used.
//
// `name` (copy and move): the name the item takes in `destination` in place of its own,
// a taken one treated as its own name would be; it must be a plain name (no "/", not "."
// or ".."), else the item is reported and nothing is written.
//
// `progress` (may be null) counts the entries done and the bytes copied and names the
// entry at work. Its cancel stops the operation at the next chunk or entry, silently:
// a file whose copy was cut short is removed, entries complete stay, and a move across
// file systems removes its whole copy and keeps the original.
//
// Cost: one pass over the tree; a move across file systems reads the copy once more.
TShellResult ShellFileOperation(TShellFunction function, const QString& source,
                                const QString& destination, bool useRecycleBin,
                                const TShellFailureHandler& onFailure = {},
                                TFileOpsProgress* progress = nullptr,
                                TMoveRemovals* removals = nullptr, const TCollisionAsk& ask = {},
                                const QString& name = {});

// Removes the original `path` of an item that was moved elsewhere and verified there, as
// `record` holds it (RemoveRecorded of FileOpsRecord.h): entries that appeared or changed
// since stay and are reported, as "\"PATH\" stays where it was: WHY.". Items is 1 when
// the whole item went. `progress` (may be null) can stop it before the next entry.
TShellResult RemoveRecordedItem(const QString& path, const TEntryRecord& record,
                                const TShellFailureHandler& onFailure = {},
                                const TFileOpsProgress* progress = nullptr);

// Taking back a command. Each says what it leaves as it is through `onFailure`, one
// message per entry naming it and why; `progress` (may be null) names the entry at work,
// counts the items taken back and can stop before the next entry.
//
// MoveBack: puts the item `from` (which a rename or move made) back at exactly the full
//   path `to`, as ShellFileOperation's move would, across file systems too, but never
//   under another name: a taken `to` is reported and nothing moves. `from` must still be
//   the entry `identity` recorded (RecordEntry of FileOpsRecord.h: kind, device, inode;
//   a file also its size and times). Items is 1 when it is back. Across file systems the
//   original's removal waits for `removals` when given, as for ShellFileOperation.
// RemoveCopy: removes the copy `path` as `record` holds it (TShellResult::Copied): only
//   the entries still as recorded, files also with the same CRC-32; what changed or
//   appeared since stays, with the folders holding it. Items is 1 when the whole copy went.
TShellResult MoveBack(const QString& from, const TEntryRecord& identity, const QString& to,
                      const TShellFailureHandler& onFailure = {},
                      TFileOpsProgress* progress = nullptr, TMoveRemovals* removals = nullptr);
TShellResult RemoveCopy(const QString& path, const TEntryRecord& record,
                        const TShellFailureHandler& onFailure = {},
                        TFileOpsProgress* progress = nullptr);
// Removes the folder `path` that CreateDirectory made, only while it is empty and still
// the entry `identity` recorded, with the same modification time. Empty when done, else
// why not.
QString RemoveMadeFolder(const QString& path, const TEntryRecord& identity);

// Renames `from` to `to` (renameat2 with RENAME_NOREPLACE): an existing `to` is never
// replaced. False on any failure; reports nothing, but puts the reason, readable by a
// user, into `reason` when given.
bool MoveFile(const QString& from, const QString& to, QString* reason = nullptr);

// Creates one directory level (mkdir, mode 0777 less the umask).
// Throws EInOutError with errno on failure, also when `path` exists already.
void CreateDirectory(const QString& path);

} // namespace platform
