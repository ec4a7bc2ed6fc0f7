#include "platform/base/NoReplaceRename.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace trvxbase
{
namespace
{

// The errors of a file system (NFS, FUSE) or a kernel that lacks a call or one of its
// flags, rather than of the entries themselves.
bool Unsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP;
}

bool LinksUnsupported(int error)
{
    return error == EPERM || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP;
}

bool SameEntry(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes `to` of `toDir` when it is still the entry `mine`.
void RemoveIfMine(int toDir, const char* to, const struct stat& mine)
{
    struct stat now {
    };
    if (::fstatat(toDir, to, &now, AT_SYMLINK_NOFOLLOW) == 0 && SameEntry(now, mine))
        ::unlinkat(toDir, to, S_ISDIR(mine.st_mode) ? AT_REMOVEDIR : 0);
}

// A second name, which linkat never gives over an existing entry, then the first one
// goes. -1 when the file system has no hard links.
int LinkThenUnlink(int fromDir, const char* from, int toDir, const char* to, const struct stat& st)
{
    if (::linkat(fromDir, from, toDir, to, 0) != 0)
        return LinksUnsupported(errno) ? -1 : errno;
    if (::unlinkat(fromDir, from, 0) == 0)
        return 0;
    const int error = errno;
    RemoveIfMine(toDir, to, st); // as it was: one name
    return error;
}

// The name taken by an empty entry of our own, which the rename then replaces.
int ReserveThenRename(int fromDir, const char* from, int toDir, const char* to, bool folder)
{
    struct stat mine {
    };
    if (folder) {
        if (::mkdirat(toDir, to, 0700) != 0 ||
            ::fstatat(toDir, to, &mine, AT_SYMLINK_NOFOLLOW) != 0)
            return errno;
    } else {
        const int fd =
            ::openat(toDir, to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            return errno;
        const int statted = ::fstat(fd, &mine);
        ::close(fd);
        if (statted != 0)
            return errno;
    }
    struct stat now {
    };
    // Whatever took the place of the empty entry is another program's: left alone.
    if (::fstatat(toDir, to, &now, AT_SYMLINK_NOFOLLOW) != 0 || !SameEntry(now, mine) ||
        (!folder && now.st_size != 0))
        return EEXIST;
    if (::renameat(fromDir, from, toDir, to) == 0)
        return 0;
    const int error = errno;
    RemoveIfMine(toDir, to, mine);
    return error;
}

} // namespace

int RenameNoReplace(int fromDir, const char* from, int toDir, const char* to)
{
    // The call itself, not the C library's wrapper, which gives ENOSYS as EINVAL in some
    // versions and is missing in older ones.
    if (::syscall(SYS_renameat2, fromDir, from, toDir, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (!Unsupported(errno))
        return errno;
    struct stat st {
    };
    if (::fstatat(fromDir, from, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    const bool folder = S_ISDIR(st.st_mode);
    if (!folder) {
        const int linked = LinkThenUnlink(fromDir, from, toDir, to, st);
        if (linked >= 0)
            return linked;
    }
    return ReserveThenRename(fromDir, from, toDir, to, folder);
}

} // namespace trvxbase
