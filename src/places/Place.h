#pragma once
// One shape for every kind of place a panel shows: the drive list, a local folder, a ZIP
// archive, an archive of another format (read-only), search results fed to the panel and
// a folder of a remote place. The file commands ask the place what it can do and run the
// operations they share through it, so that each command is written once for every kind.
//
// Threads: the questions (kind, addresses, capabilities, refusals) are plain data. A
// listing is started on the window's thread (StartList): it hands back a work for a
// worker, or an asynchronous listing under way. The other operations block: a place whose
// OnWorker() is true (remote places) is run on the file-work worker behind the progress
// window, the others on the window's thread as their commands always ran. Delete is called
// on the window's thread for every kind and hands its long work to the window's
// TPlaceWork. `cancel` may come from any thread.

#include "listing/FileListing.h"
#include "platform/FileSystem.h"
#include "platform/RemotePlaces.h"
#include "transfer/FileOpsRecord.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace platform
{
class TFileOpsProgress;
}

namespace places
{

enum class TPlaceKind { Drives, Folder, Zip, ReadOnlyArchive, Results, Remote };

// What a place can do, as bits.
enum TCapability : unsigned {
    capList = 1u << 0,
    capMakeFolder = 1u << 1,
    capRename = 1u << 2,
    capDelete = 1u << 3,
    capTrash = 1u << 4, // deleted entries can go to a trash
    capWrite = 1u << 5, // files can be written into it
};

// A cancel that reaches a remote call at once and is asked between entries elsewhere.
using TPlaceCancel = platform::TRemoteCancel;

// How an operation ended. Refused carries the one message for the user; Taken says the
// name asked for is taken (and nothing was replaced).
struct TPlaceResult {
    enum TState { Ok, Refused, Cancelled };
    TState State{Ok};
    QString Message;
    bool Taken{false};

    bool IsOk() const { return State == Ok; }
    static TPlaceResult Refuse(const QString& message, bool taken = false)
    {
        return {Refused, message, taken};
    }
};

// Why a place does not do something, as the window says it: a message, or a notice with
// a second line (shown in the notice dialog). Both empty: it does nothing and says nothing
// (the drive list's rows cannot be renamed or deleted).
struct TRefusal {
    QString Message;
    QString Notice;
    bool Silent() const { return Message.isEmpty(); }
};

// One entry to delete: its name in the place and whether it is a folder.
struct TPlaceEntry {
    QString Name;
    bool Folder{false};
};

// How a listing sorts and what it keeps: the panel's order, and what the window keeps for
// both panels (numbers by value, hidden entries, the drive roots).
struct TListOptions {
    quint8 Order{soName};
    bool Ascending{true};
    bool Natural{false};
    bool Hidden{true};
    QStringList Drives;
};

// What a listing fills: shared with the work, as an abandoned listing may go on writing
// it long after the panel went on.
struct TListResult {
    TFileListing Listing;            // filled and sorted; no view reads it
    platform::TDirectoryStamp Stamp; // the folder's before it was read
    bool Stamped{false};
};

struct TListRequest {
    TListOptions Options;
    // The other panel's listing of the same folder, under way: this one waits until it has
    // finished and then reads the folder the file system has just read.
    std::shared_ptr<std::atomic<bool>> First;
    // What the panel shows now (the date of a remote folder's ".." row may come from it).
    const TFileListing* Shown{nullptr};
};

// Where a listing's rows go.
struct TListSink {
    std::shared_ptr<TListResult> Result = std::make_shared<TListResult>();
    // Set by the work once it has returned, read or cancelled.
    std::shared_ptr<std::atomic<bool>> Finished = std::make_shared<std::atomic<bool>>(false);
    // The entries an asynchronous listing has received so far.
    std::shared_ptr<std::atomic<qint64>> Arrived = std::make_shared<std::atomic<qint64>>(0);
    // An asynchronous listing's end, on the thread that started it, once: the rows are in
    // Result, or `error` is the message for the user. Never called once it is abandoned.
    std::function<void(const QString& error)> Ended;
};

// The work that fills a listing on a worker; it stops early when `progress` is cancelled
// and counts the entries read on it.
using TListWork = std::function<void(platform::TFileOpsProgress& progress)>;

// A listing started: a work to run (a worker abandons it on a cancel), or a listing under
// way (Async: destroying it abandons it at once), or why it could not start.
struct TListing {
    TListWork Work;
    std::unique_ptr<platform::TRemoteListing> Async;
    QString Failure;
};

// --- Deleting ------------------------------------------------------------------------

// Where a place runs its long work: the window runs `work` off its thread behind the
// progress window titled `command`, which reads `progress`; its Cancel sets the cancel of
// `progress` and presses `cancel`. `count`, when given, counts the totals into `progress`
// meanwhile on a thread of its own and returns early once `stop` is set. Returns when
// both have returned.
using TPlaceCount = std::function<void(const std::atomic<bool>& stop)>;
class TPlaceWork
{
public:
    virtual ~TPlaceWork() = default;
    virtual void Run(const QString& command, platform::TFileOpsProgress& progress,
                     TPlaceCancel& cancel, const std::function<void()>& work,
                     const TPlaceCount& count = {}) = 0;
};

// An entry a delete moved to the trash: its path before, its path in the trash and what
// it was there right after the move, so that an undo brings back only that entry.
struct TTrashedEntry {
    QString Was;
    QString Now;
    platform::TEntryRecord Record;
};

// What a delete did. Failures: a sentence for each entry that did not go (and one for a
// cancel, saying how far it got). What the undo history gets: the entries the trash took
// (Trashed), or, when the delete cannot be taken back, why (NotUndoable: "a delete for
// good").
struct TDeleteResult {
    QStringList Failures;
    std::vector<TTrashedEntry> Trashed;
    QString NotUndoable;
};

// -------------------------------------------------------------------------------------

class TPlace
{
public:
    virtual ~TPlace() = default;

    virtual TPlaceKind Kind() const = 0;
    // The address for the user to read (the caption), and as it is stored (the panel's
    // location: a folder ending in "/", a URI, or "Drives").
    virtual QString ShownAddress() const = 0;
    virtual QString StoredAddress() const = 0;
    // Where ".." leads; empty at the top.
    virtual QString ParentAddress() const = 0;
    virtual unsigned Capabilities() const = 0;
    bool Can(TCapability capability) const { return (Capabilities() & capability) != 0; }
    // The message the window gives when the place cannot do `capability`.
    virtual TRefusal Refusal(TCapability capability) const = 0;
    // True when the operations below wait for a network: run them on a worker.
    virtual bool OnWorker() const { return false; }
    // True when the undo of a change here goes back through the place by addresses
    // (remote places); false when it is taken back on the disk by its entry records.
    virtual bool UndoneByAddress() const { return false; }
    // Whether the entry `name` can go to a trash here (a remote place asks its backend:
    // run it where the operations run).
    virtual bool TrashTakes(const QString& name, TPlaceCancel* cancel)
    {
        (void)name;
        (void)cancel;
        return Can(capTrash);
    }
    // The address of the entry `name` of the place.
    virtual QString Child(const QString& name) const = 0;

    // Starts listing the place's rows into `sink`.
    virtual TListing StartList(const TListRequest& request, const TListSink& sink) = 0;

    // Makes the folder `name`; refused with the window's message when the name is not
    // usable or taken.
    virtual TPlaceResult MakeFolder(const QString& name, TPlaceCancel* cancel) = 0;
    // Gives the entry `name` the name `renamed`, never replacing an entry; the refusal's
    // message names both and says why.
    virtual TPlaceResult Rename(const QString& name, const QString& renamed,
                                TPlaceCancel* cancel) = 0;
    // Deletes `entries` with what they hold, to the trash with `toTrash` where the place
    // has one, else for good, running its long work through `work` (called on the
    // window's thread). A folder of an archive goes with every member at and below it; a
    // name an archive holds twice is not deleted.
    virtual TDeleteResult Delete(const std::vector<TPlaceEntry>& entries, bool toTrash,
                                 TPlaceWork& work) = 0;
};

} // namespace places
