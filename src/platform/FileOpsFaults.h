#pragma once
// Points where tests can make the file operations fail, or change the disk under them,
// in ways that work for any user (root ignores permission bits).

#include <QString>
#include <functional>

namespace platform
{

enum class TFileOpsStep {
    OpenSource,          // before a source file is opened for copying or packing; path = the
                         // source file
    DataWritten,         // after a file's data is written, before it is closed; path = the copy
    SaveDataWritten,     // a save's data is written (in place: known to fit) and has not
                         // yet taken the file's name; path = the file saved
    SaveInPlace,         // a save in place is about to write over the file's old data (its
                         // whole new text is in a copy beside it); path = the file saved
    BeforeVerify,        // before a move across file systems compares the copy, or a move into
                         // a new archive reads it back; path = the copy or the archive
    FlushTarget,         // before the copies of moves across file systems are flushed to
                         // their disk; path = the target folder; an errno fails the flush
    RenameItem,          // before an item is renamed into the folder of a move or of an
                         // undo's move back, once its name there was found free; path = the
                         // item
    BeforeRemoveSources, // after a move's copy was verified, before its originals are
                         // removed; path = the original (a file, folder or archive)
    ChunkCopied,         // after each chunk of a file's data is copied (or packed into a new
                         // archive), on the working thread; path is empty
    DirectoryMeasured,   // after the files of a folder are summed for directory sizes;
                         // path = the folder (the result is ignored)
    RemoveEntry,         // before an entry is removed for good; path = the entry
    DirectoryEntry,      // before each name of a folder listing is taken, on the reading
                         // thread; path = the folder; an errno value fails that readdir
    OpenDirectory,       // before a folder is opened for a listing; path = the folder
    ArchiveRead,         // before an archive of the read-only formats is listed or
                         // extracted from; path = the archive (the result is ignored)
    ArchiveData,         // while members of a read-only archive are extracted, after each
                         // block of their data written or passed over (a member stored
                         // plainly is passed over at once), on the working thread;
                         // path = the archive (the result is ignored)
    CopiesArrived,       // after a command's copies arrived in a folder or archive, before
                         // their sizes and CRC-32s are checked, on the working thread;
                         // path = that folder or archive (the result is ignored)
    RemotePartWritten,   // after a copy to or from a remote place wrote its part file, before
                         // the part is checked and takes its real name, on the copy's
                         // thread; path = the part's URI or path (the result is ignored)
    RemoteSaveWritten,   // after an edited file went up whole under its hidden name beside
                         // the server's file, before that file is checked again and
                         // replaced; path = the hidden copy's URI (the result is ignored)
    RemoteBlockRead,     // before each read from a remote file's stream (a digest, a search),
                         // on the reading thread; path = the file's URI (the result is
                         // ignored)
    FileBlockRead,       // before each read of a file's data for a scan over its content
                         // (the file search), on the scanning thread; path = the file; an
                         // errno value fails that read
};

// Returns 0 to go on, or an errno value that the step then fails with as if the system
// had returned it. The hook may also change files on disk.
using TFileOpsFaultHook = std::function<int(TFileOpsStep step, const QString& path)>;

// Installs `hook` (an empty one removes it) and returns the previous one.
// Not thread-safe: install it only while no operation runs. The hook is called on the
// thread doing the work, which may be a worker thread.
TFileOpsFaultHook SetFileOpsFaultHook(TFileOpsFaultHook hook);

// The file operations ask the hook here; 0 when none is installed.
int FileOpsFault(TFileOpsStep step, const QString& path);

} // namespace platform
