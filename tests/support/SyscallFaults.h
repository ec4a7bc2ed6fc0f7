#pragma once
// Runs code in a forked child whose system calls fail as a file system or a kernel
// without some feature would have them fail (a seccomp filter that the child alone
// carries), so the fall-backs of the real code run on any machine.

#include <functional>
#include <string>

struct TSyscallFaults {
    // errno of renameat2 with flags (RENAME_NOREPLACE): EINVAL as NFS and FUSE give it,
    // ENOSYS as an old kernel. 0: as the system does.
    int RenameFlags{0};
    // errno of link and linkat: EPERM as a file system without hard links gives it.
    int Link{0};
    // errno of fsync, fdatasync and syncfs.
    int Sync{0};
    // What another program makes at the target name at the moment a plain rename
    // (rename, renameat) is called, just before that rename runs.
    enum class TMeanwhile { Nothing, File, Folder };
    TMeanwhile Meanwhile{TMeanwhile::Nothing};
};

// Runs `body` in a child under `faults` and returns what it returned, or a text that says
// why the child did not finish ("no seccomp", "crashed"). `body` must neither use threads
// nor return more than a few KiB. MeanwhileMade() in the body tells whether another
// program's entry was made (or tried) at a rename.
std::string RunWithSyscallFaults(const TSyscallFaults& faults,
                                 const std::function<std::string()>& body);

// In the body: how often another program's entry was made, or tried and refused as the
// name existed ("made 1, refused 0").
std::string MeanwhileMade();
