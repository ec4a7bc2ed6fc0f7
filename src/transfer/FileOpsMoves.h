#pragma once
// The originals of moves between file systems wait here until their copies are on the
// disk. Removing an original whose copy still lives only in memory loses both at a power
// loss or a crash, and a flush of each file costs a round trip to the disk; so every
// verified move of a command is noted here, and one flush of each target file system at
// the end (or once many source folders are waiting) serves them all before the first
// original goes.
//
// Any thread, one at a time.

#include "transfer/FileOpsRecord.h"
#include "transfer/FileOpsSupport.h"
#include "transfer/ShellFileOperation.h"

#include <QString>
#include <memory>
#include <vector>

namespace platform
{

class TMoveRemovals final
{
public:
    TMoveRemovals() = default;
    // Originals not finished stay where they are.
    ~TMoveRemovals() = default;
    TMoveRemovals(const TMoveRemovals&) = delete;
    TMoveRemovals& operator=(const TMoveRemovals&) = delete;

    // Notes the original `record.Name` of the open folder `parent`, named `path` in
    // messages, whose verified copy `copy` lies in the open folder `target` (`targetPath`).
    // What stays is said through `onFailure`, which must live until Finish.
    void Add(int parent, TEntryRecord record, const QString& path, int target,
             const QString& targetPath, const QString& copy, const TShellFailureHandler& onFailure);
    // Flushes every target file system (syncfs) and then removes the originals, each only
    // while it is as it was copied (RemoveRecorded of FileOpsRecord.h). When a flush
    // fails, the originals whose copies went there stay, and so do their copies. Returns
    // the number of messages given.
    int Finish();

private:
    struct TOriginal {
        std::shared_ptr<const TFd> Parent;
        TEntryRecord Record;
        QString Path;
        QString Copy;
        dev_t TargetDevice;
        TShellFailureHandler OnFailure;
    };
    struct TTarget {
        dev_t Device;
        TFd Folder;
        QString Path;
        int Error{0}; // of its flush
    };
    struct TParent {
        dev_t Device;
        ino_t Inode;
        std::shared_ptr<const TFd> Folder;
    };

    std::vector<TOriginal> m_originals;
    std::vector<TTarget> m_targets;
    std::vector<TParent> m_parents;
};

} // namespace platform
