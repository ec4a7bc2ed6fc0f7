#include "platform/SystemFiles.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace platform
{

TFd& TFd::operator=(TFd&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = other.Release();
    }
    return *this;
}

TFd::~TFd()
{
    Close();
}

int TFd::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

int TFd::Close()
{
    if (m_fd < 0)
        return 0;
    const int result = ::close(m_fd);
    m_fd = -1;
    // EINTR still leaves the descriptor closed on Linux; it is no failure of the data.
    return result == 0 || errno == EINTR ? 0 : errno;
}

int ReadDirectoryNames(int dirFd, std::vector<QByteArray>& names)
{
    const int own = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0)
        return errno;
    DIR* dir = ::fdopendir(own);
    if (!dir) {
        const int error = errno;
        ::close(own);
        return error;
    }
    errno = 0;
    while (const dirent* d = ::readdir(dir)) {
        const char* n = d->d_name;
        if (!(n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))))
            names.emplace_back(n);
        errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    return error;
}

namespace sys
{

int Open(const char* path, int flags, mode_t mode)
{
    return ::open(path, flags, mode);
}

int OpenAt(int dir, const char* name, int flags, mode_t mode)
{
    return ::openat(dir, name, flags, mode);
}

int Close(int fd)
{
    return ::close(fd);
}

int Duplicate(int fd)
{
    return ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

int SetStatusFlags(int fd, int flags)
{
    return ::fcntl(fd, F_SETFL, flags);
}

ssize_t Read(int fd, void* data, size_t size)
{
    return ::read(fd, data, size);
}

ssize_t Write(int fd, const void* data, size_t size)
{
    return ::write(fd, data, size);
}

ssize_t PRead(int fd, void* data, size_t size, off_t offset)
{
    return ::pread(fd, data, size, offset);
}

ssize_t PWrite(int fd, const void* data, size_t size, off_t offset)
{
    return ::pwrite(fd, data, size, offset);
}

off_t LSeek(int fd, off_t offset, int whence)
{
    return ::lseek(fd, offset, whence);
}

ssize_t CopyFileRange(int in, int out, size_t size)
{
    return ::copy_file_range(in, nullptr, out, nullptr, size, 0);
}

int Advise(int fd, off_t offset, off_t size, int advice)
{
    return ::posix_fadvise(fd, offset, size, advice);
}

ssize_t ReadFully(int fd, char* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += size_t(n);
    }
    return ssize_t(done);
}

int WriteFully(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        data += n;
        size -= size_t(n);
    }
    return 0;
}

int PWriteFully(int fd, const char* data, size_t size, off_t offset)
{
    while (size > 0) {
        // One call writes at most 1 GiB, well inside what every file system takes at once.
        const ssize_t n = ::pwrite(fd, data, size < (1u << 30) ? size : (1u << 30), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        data += n;
        size -= size_t(n);
        offset += n;
    }
    return 0;
}

int FSync(int fd)
{
    return ::fsync(fd);
}

int SyncFs(int fd)
{
    return ::syncfs(fd);
}

int FTruncate(int fd, off_t size)
{
    return ::ftruncate(fd, size);
}

int Stat(const char* path, struct stat* st)
{
    return ::stat(path, st);
}

int LStat(const char* path, struct stat* st)
{
    return ::lstat(path, st);
}

int FStat(int fd, struct stat* st)
{
    return ::fstat(fd, st);
}

int FStatAt(int dir, const char* name, struct stat* st, int flags)
{
    return ::fstatat(dir, name, st, flags);
}

int StatX(int dir, const char* name, int flags, unsigned mask, struct statx* stx)
{
    return ::statx(dir, name, flags, mask, stx);
}

int Unlink(const char* path)
{
    return ::unlink(path);
}

int UnlinkAt(int dir, const char* name, int flags)
{
    return ::unlinkat(dir, name, flags);
}

int RmDir(const char* path)
{
    return ::rmdir(path);
}

int MkDir(const char* path, mode_t mode)
{
    return ::mkdir(path, mode);
}

int MkDirAt(int dir, const char* name, mode_t mode)
{
    return ::mkdirat(dir, name, mode);
}

int MkNodAt(int dir, const char* name, mode_t mode, dev_t device)
{
    return ::mknodat(dir, name, mode, device);
}

int RenameAt(int fromDir, const char* from, int toDir, const char* to)
{
    return ::renameat(fromDir, from, toDir, to);
}

int SymlinkAt(const char* target, int dir, const char* name)
{
    return ::symlinkat(target, dir, name);
}

ssize_t ReadLink(const char* path, char* buffer, size_t size)
{
    return ::readlink(path, buffer, size);
}

ssize_t ReadLinkAt(int dir, const char* name, char* buffer, size_t size)
{
    return ::readlinkat(dir, name, buffer, size);
}

int UTimensAt(int dir, const char* name, const struct timespec times[2], int flags)
{
    return ::utimensat(dir, name, times, flags);
}

int FUTimens(int fd, const struct timespec times[2])
{
    return ::futimens(fd, times);
}

int FChmod(int fd, mode_t mode)
{
    return ::fchmod(fd, mode);
}

int FChmodAt(int dir, const char* name, mode_t mode, int flags)
{
    return ::fchmodat(dir, name, mode, flags);
}

int FChown(int fd, uid_t owner, gid_t group)
{
    return ::fchown(fd, owner, group);
}

int Access(const char* path, int mode)
{
    return ::access(path, mode);
}

int FAccessAt(int dir, const char* name, int mode, int flags)
{
    return ::faccessat(dir, name, mode, flags);
}

char* RealPath(const char* path, char* resolved)
{
    return ::realpath(path, resolved);
}

uid_t EffectiveUser()
{
    return ::geteuid();
}

DIR* OpenDir(const char* path)
{
    return ::opendir(path);
}

DIR* FdOpenDir(int fd)
{
    return ::fdopendir(fd);
}

dirent* ReadDir(DIR* dir)
{
    return ::readdir(dir);
}

int CloseDir(DIR* dir)
{
    return ::closedir(dir);
}

int DirFd(DIR* dir)
{
    return ::dirfd(dir);
}

} // namespace sys
} // namespace platform
