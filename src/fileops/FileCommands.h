#pragma once
// The commands that change files: copy and move between the panels in all four cases
// (directory or archive on either side), rename (single, by mask, in place), delete and
// create directory. They act on the active panel's selection and use the other panel
// as the target. Runs on the user-interface thread; disk copy, move and delete, and the
// ZIP libraries' calls (add, extract, delete members), do their file work on a worker
// thread behind the progress window (uProgress.h) and return once it is over.
//
// Safety rules kept by every command:
// - ".." is never part of a selection;
// - a panel shows an archive when its listing says so, whatever row has the focus;
// - nothing is overwritten without the user's word: a copy or move onto a taken name in a
//   folder asks (uCollision.h), also for members coming out of an archive, and files
//   whose names an archive already holds are not added to it;
// - members are passed to the libraries by their exact names, never as patterns, and
//   with no member selected an archive panel's copy, move and delete do nothing;
// - a move deletes a source only once its copy is found in the target with the same
//   size and CRC-32;
// - each item not copied, moved or added is named, with why, in the one message shown
//   after the command (TPanelHost::Report);
// - copying or moving onto the pseudo-location "Drives" does nothing but say so;
// - renames that fail are reported in one message, each with its reason;
// - the other panel is re-read, keeping its focused and selected rows, when it shows a
//   folder the command changed (the same folder, or one inside a renamed or deleted tree);
// - each command leaves one record of what it did in History(), and Undo takes back the
//   last one without replacing or removing anything the command did not make.

#include "fileops/TransferPlan.h"
#include "fileops/UndoHistory.h"
#include "platform/RemotePlaces.h"
#include "transfer/ShellFileOperation.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

class TPanelHost;
namespace places
{
class TPlace;
struct TRefusal;
struct TDeleteResult;
} // namespace places
class TZipArchive;
class TArchiveFolders;
struct TArchiveMember;

// Entries of one folder that a command renamed (old name, new name) or removed (old
// name, empty).
using TNameChanges = std::vector<std::pair<QString, QString>>;

// How a question about a taken name shows the incoming item `path`: a file extracted
// into a private folder as the member it came from.
using TShownAs = std::function<QString(const QString& path)>;

class TFileCommands final
{
public:
    explicit TFileCommands(TPanelHost& host) : m_host(host) {}

    void CopyFiles() { Transfer(false); }
    void MoveFiles() { Transfer(true); }
    // Copies or moves the active panel's selection (of a folder, search results or a ZIP
    // archive) into the folder `folder` (absolute, ending in "/") that the user named;
    // `name`, when given, is the new name of the one item of a folder's selection.
    void TransferTo(bool move, const QString& folder, const QString& name = {});
    // Copies or moves the files and folders `paths` (absolute, named by another program)
    // into the folder `to` (ending in "/") as a copy between folders does: questions on
    // taken names, progress, one record for undo; then re-reads the panels' folders.
    void PasteFiles(bool move, const QStringList& paths, const QString& to);
    // Copies or moves the files and folders `paths` (absolute, named by another program)
    // into the ZIP archive `panel` shows, at the folder it shows, as a copy from a folder
    // into it does; then re-reads the panels.
    void AddPathsToArchive(bool move, const QStringList& paths, int panel);
    void RenameFiles();
    // Renames the entry at `row` of `panel`'s folder to `name` (a name as typed), as F2 does.
    void RenameRow(int panel, int row, const QString& name);
    // The name of `panel`'s focused row was edited in place to `text`, the whole new name.
    void InPlaceRename(int panel, const QString& text);
    // Asks first, saying where the entries go: to the trash when it is in use and
    // `forGood` is false, else deleted for good.
    void DeleteFiles(bool forGood = false);
    void CreateDirectory();
    // Takes back the last command of History() behind the progress window: each item
    // that is still as the command left it goes back; every other one stays and is
    // named, with why, in the one message after the command. A cancel keeps the items
    // not yet taken back as the last record. Both panels are re-read where they show
    // what changed. A last record that cannot be taken back only says so.
    void Undo();
    TUndoHistory& History() { return m_history; }
    // Says why a place does not do a command: a message, or a notice.
    static void ShowRefusal(const places::TRefusal& refusal);

    // The rows a command acts on: the marked rows of a panel, or the row under its
    // cursor when none is marked; never ".." or a drive of the drive list. Row order.
    std::vector<int> Selection(int panel);
    // Copies the folders `paths` with their trees into `target` (see RunShellOperations),
    // asking where a name is taken; a copy's record goes into `record` when given.
    void CopyTrees(const QStringList& paths, const QString& target, const TShownAs& shownAs = {},
                   TUndoRecord* record = nullptr);
    // Copies the files `paths`, extracted from an archive into a private folder and found
    // whole there, into the folder `target` (ending in "/") as a copy between folders
    // does: a taken name asks, showing the member as `shownAs` names it; Replace writes
    // the file under a hidden name there, checks it and only then puts it over the old
    // one (to the trash when it is in use). The copies go into `record` when given.
    // Returns where each path arrived; one skipped or failed is not there.
    QHash<QString, QString> PlaceExtracted(const QStringList& paths, const QString& target,
                                           const TShownAs& shownAs, TUndoRecord* record);

    // Extracts the members that `rows` of `panel`'s ZIP archive stand for into private
    // folders: a file row's member under its bare name into `files`, a folder row's members
    // with their folders (as the archive names them) below `trees`. Returns each file found
    // there with its member's size and CRC-32, by its path, with its member name; any other
    // is removed and named. `done` is false after a cancel or a refusal.
    QHash<QString, QString> ExtractRows(int panel, const std::vector<int>& rows,
                                        const QString& files, const QString& trees, bool& done);
    // Deletes `names`, whose copies were verified elsewhere, from `panel`'s archive: only
    // those it still holds as `planned` had them.
    void DeleteMovedMembers(int panel, const std::vector<TArchiveMember>& planned,
                            const QStringList& names);
    // Adds the files and folders `entries` (a name in the folder `from`, ending in "/", and
    // whether it is a folder) to `panel`'s ZIP archive, in the folder it shows, as a copy
    // into an archive does: a taken name is left out and named. Returns the items the
    // archive now holds, with their content read back and checked for a move.
    std::vector<TTransferPlan::TItem>
    AddToArchive(int panel, const QString& from,
                 const std::vector<std::pair<QString, bool>>& entries, bool move);

private:
    void Transfer(bool move);
    // Into the folder `to` (ending in "/"); `name`: the new name of a single item.
    void DiskToDisk(bool move, const QString& to, const QString& name = {});
    // Copies or moves `paths` into the folder `to` through the shell operations and
    // records it; `name`: the new name of a single path.
    void ShellTransfer(bool move, const QStringList& paths, const QString& to,
                       const QString& name = {});
    void DiskToArchive(bool move);
    // Adds `entries` (names in the folder `from`, with whether each is a folder) to the
    // ZIP archive of `panel` as AddToArchive does; a move then removes the sources found
    // whole in it. One record for undo, saying it cannot be undone.
    void PutInArchive(int panel, const QString& from,
                      const std::vector<std::pair<QString, bool>>& entries, bool move);
    void ArchiveToDisk(bool move, const QString& targetDir);
    // Puts the `extracted` members of the ZIP archive `archive`, whose files lie under
    // their bare names in the private folder `scratch`, into the folder `target`
    // (PlaceExtracted). A move: returns the members whose files are there now with their
    // size and CRC-32 (those it may delete), and says why of each one that arrived
    // otherwise; reads them. A copy returns nothing.
    QStringList PlaceMembers(const QString& archive, const std::vector<TArchiveMember>& members,
                             const QStringList& extracted, const QString& scratch,
                             const QString& target, bool move, TUndoRecord* record);
    void ArchiveToArchive(bool move);
    // Adds `paths` behind the progress window, unless `progress` is cancelled already;
    // false when refused or cancelled (which is then reported).
    bool AddWithProgress(TZipArchive& target, const QStringList& paths,
                         platform::TFileOpsProgress& progress);
    // False when the component refused the add.
    bool AddFolders(TZipArchive& target, const QString& parent, const QStringList& names);
    // Deletes the members `names` (exact stored names) from `panel`'s archive behind the
    // progress window; a cancel is reported.
    void DeleteMembers(int panel, const QStringList& names);
    // Copies the folders `folders` (paths inside the archive, "sub/deeper") of the
    // panel's ZIP archive into `target` with their trees, below the folder shown: through
    // a private folder, which the library fills with the members' folders.
    // A move then deletes the members whose files arrived whole (ArrivedBelow); a copy's
    // record goes into `record`.
    void CopyMemberFolders(int panel, const QStringList& folders, const QString& target, bool move,
                           TUndoRecord* record);
    // The members at and below `folder` of `index` whose files are in `copy` (the
    // folder's copy; empty: none arrived) with their size and CRC-32, the folders' own
    // members too when all did; a line in `missed` for each file that is not. Reads them.
    static QStringList ArrivedBelow(const TArchiveFolders& index, const QString& folder,
                                    const QString& copy, QStringList& missed);
    // Reports each folder row of `rows`, which `verb` does not take (a copy or move
    // between archives), and returns the other rows.
    std::vector<int> WithoutFolderRows(int panel, const std::vector<int>& rows,
                                       const QString& verb);
    // Of `names`, moved out of `panel`'s archive and verified, those the archive holds
    // still as `planned` had them (one member of the name, same size, CRC-32 and date),
    // read again now; every other one is reported and stays.
    QStringList StillAsPlanned(int panel, const std::vector<TArchiveMember>& planned,
                               const QStringList& names);
    // Called on the worker after each item of RunShellOperations with the item's path and
    // what the operation did.
    using TItemDone = std::function<void(const QString& path, const platform::TShellResult&,
                                         const platform::TFileOpsProgress&)>;
    // Runs one shell operation per path off the user-interface thread (see uProgress.h),
    // then shows each failure and, when cancelled, what was done ("Copied 3 of 9 items;
    // cancelled"). `countTotals` counts every entry of the trees for the totals (copies),
    // else the items are the paths. `recycle`: deletions go to the trash. `name`: the new
    // name of a single path in `destination`. `shownAs`: how a question names the items.
    void RunShellOperations(const QString& command, const QString& verb,
                            platform::TShellFunction function, const QStringList& paths,
                            const QString& destination, bool countTotals, bool recycle,
                            const TItemDone& done = {}, const QString& name = {},
                            const TShownAs& shownAs = {});
    // The record of a command: what `done` sees becomes an item of `record` (the worker
    // writes it; read it once RunShellOperations has returned).
    static TItemDone Recorder(TUndoRecord& record);
    // A command whose effect cannot be taken back: "a delete for good".
    void RecordNotUndoable(const QString& what);
    // Records the delete that `place` did as the last command: the entries its trash took,
    // or that it cannot be taken back, and why.
    void RecordDelete(const places::TPlace& place, const places::TDeleteResult& result);
    // Takes back one item on the worker of Undo; false when a cancel cut it short before
    // it was taken back or reported.
    static bool UndoItem(TUndoKind kind, const TUndoItem& item,
                         const platform::TShellFailureHandler& collect,
                         platform::TFileOpsProgress& progress, platform::TMoveRemovals& removals);
    // Re-reads the panels that show a folder the undo of `items` changed.
    void ShowUndone(TUndoKind kind, const std::vector<TUndoItem>& items);
    void Report(const QStringList& lines);
    static QString Verb(bool move);
    // Renames each of `names` in `place` to the name of `renamed` at the same index,
    // where it differs; notes each change made, or adds a line saying why it was not made.
    // Runs as the place runs its operations (RunOnPlace).
    void RenameEntries(places::TPlace& place, const QStringList& names, const QStringList& renamed,
                       TNameChanges& changes, QStringList& failures);
    // Runs `work` where `place` runs its operations: on the file-work worker behind the
    // progress window, titled `command`, for a place that waits for a network (its Cancel
    // reaching the call), else here; the window counts `items` entries. True when the
    // user cancelled it.
    static bool RunOnPlace(const places::TPlace& place, const QString& command, int items,
                           const std::function<void(platform::TRemoteCancel& cancel)>& work);
    // Records the changes made in `place` (a new folder: an empty old name) as the last
    // command: by their entry records on the disk, or by address where the place takes
    // them back itself.
    void RecordPlaceChanges(const places::TPlace& place, TUndoKind kind,
                            const TNameChanges& changes);
    // Re-reads the panel other than `panel` when the changes in `folder` touch what it
    // shows; see the rules above.
    void FollowInOtherPanel(int panel, const QString& folder, const TNameChanges& changes = {});

    TPanelHost& m_host;
    TUndoHistory m_history;
};
