#pragma once
// Who left an entry behind. Part files and private folders carry in their names the
// process that made them, its PID namespace and its host:
//
//     <PID>.<PID NAMESPACE>.<HOST>
//
// (the namespace as the inode of /proc/self/ns/pid, 0 where that cannot be read; the
// host as gethostname gives it, with characters other than letters, digits, '-' and '_'
// as '_', at most 40 of them). A process id says whether the process ended only within
// its own namespace and host: another instance in a sandbox, or on another host sharing
// the folder, must not lose its files to this one. Names of the older form, the process
// id alone, say neither, and are taken for another instance's.

#include <ctime>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace trvxbase
{

// The tag of the process `pid` of this host and PID namespace.
std::string OwnerTag(pid_t pid);

// The tag of this process.
std::string OwnerTag();

// Whether `text` is a tag of either form (the process id alone included); `pid` receives
// the process id.
bool IsOwnerTag(std::string_view text, pid_t& pid);

// Whether a left-over named with the tag `text` and last changed at `changed` may be
// removed. Of this host and namespace: when its process (not this one) has ended, or its
// id now belongs to a process started after that change; a running process keeps its
// files however old. Of another host or namespace, or of the older form: once older
// than a week. False for text that is no tag.
bool LeftOverMayGo(std::string_view text, time_t changed);

} // namespace trvxbase
