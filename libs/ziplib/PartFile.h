#pragma once
// Files being written by the libraries take a hidden temporary name in their target
// folder, `.<NAME>.trvx<OWNER TAG>-<6 random characters>.part` (platform/base/PartName.h),
// and get their real name only when complete, by a rename that never replaces. After a
// kill, the real name holds nothing or the whole file; the left-overs are recognisable as
// the program's and as belonging to a process of a host and PID namespace, and are removed
// once that process has ended (platform/base/OwnerTag.h).

#include <string>
#include <sys/types.h>

namespace trvxlib
{

// Creates a new, empty temporary file for `name` in the folder `dir` (exclusively,
// never through a link) with `mode` (the umask applies). Returns its descriptor, or -1
// with errno set; `partName` receives its name in `dir`.
int CreatePartFile(int dir, const std::string& name, mode_t mode, std::string& partName);

// Gives the temporary file `partName` of `dir` the name `name` without replacing an
// entry of that name (platform/base/NoReplaceRename.h). False with errno set (EEXIST
// when the name is taken); the temporary file then stays for the caller to remove.
bool CommitPartFile(int dir, const std::string& partName, const std::string& name);

// Whether `entry` is named like a temporary file of the program, and of which process.
bool IsPartName(const std::string& entry, pid_t& pid);

// Removes from the folder `dir` the temporary files of the current user that may go
// (LeftOverMayGo: of ended processes of this host and namespace, or a week old); never
// anyone else's. Returns how many went.
int RemoveStaleParts(int dir);

} // namespace trvxlib
