#pragma once
// The file-system calls of the operating system, one thin function each, for the layers
// above the platform (the transfer engine). Each does exactly what its system call does:
// the same arguments and results, -1 (or nullptr) with errno set on failure; only the
// "fully" ones loop, and they return 0 or an errno. The system's types and flags (struct
// stat, O_*, AT_*, S_*) come with this header.

#include <QByteArray>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace platform
{

// Owns one file descriptor and closes it when it goes.
class TFd final
{
public:
    TFd() = default;
    explicit TFd(int fd) : m_fd(fd) {}
    TFd(TFd&& other) noexcept : m_fd(other.Release()) {}
    TFd& operator=(TFd&& other) noexcept;
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd();

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    int Release();
    // Closes now; returns 0 or the errno of close (which can carry a late write error).
    int Close();

private:
    int m_fd{-1};
};

// The names in the open directory `dirFd` except "." and "..", read completely before
// the caller changes the directory. Returns 0 or an errno. `dirFd` stays open.
int ReadDirectoryNames(int dirFd, std::vector<QByteArray>& names);

namespace sys
{

int Open(const char* path, int flags, mode_t mode = 0);
int OpenAt(int dir, const char* name, int flags, mode_t mode = 0);
int Close(int fd);
// A second descriptor for `fd`, closed on exec.
int Duplicate(int fd);
// Replaces the status flags of `fd` (O_NONBLOCK, O_APPEND, ...).
int SetStatusFlags(int fd, int flags);

ssize_t Read(int fd, void* data, size_t size);
ssize_t Write(int fd, const void* data, size_t size);
ssize_t PRead(int fd, void* data, size_t size, off_t offset);
ssize_t PWrite(int fd, const void* data, size_t size, off_t offset);
off_t LSeek(int fd, off_t offset, int whence);
ssize_t CopyFileRange(int in, int out, size_t size);
int Advise(int fd, off_t offset, off_t size, int advice);

// Reads `size` bytes, fewer only at the end of the file, over short reads and EINTR;
// the count read, or -1 with errno set.
ssize_t ReadFully(int fd, char* data, size_t size);
// Writes all `size` bytes over short writes and EINTR; 0 or an errno (EIO when the
// system writes nothing and reports no error).
int WriteFully(int fd, const char* data, size_t size);
// The same at `offset`, without moving the file position.
int PWriteFully(int fd, const char* data, size_t size, off_t offset);

int FSync(int fd);
int SyncFs(int fd);
int FTruncate(int fd, off_t size);

int Stat(const char* path, struct stat* st);
int LStat(const char* path, struct stat* st);
int FStat(int fd, struct stat* st);
int FStatAt(int dir, const char* name, struct stat* st, int flags);
int StatX(int dir, const char* name, int flags, unsigned mask, struct statx* stx);

int Unlink(const char* path);
int UnlinkAt(int dir, const char* name, int flags);
int RmDir(const char* path);
int MkDir(const char* path, mode_t mode);
int MkDirAt(int dir, const char* name, mode_t mode);
int MkNodAt(int dir, const char* name, mode_t mode, dev_t device);
int RenameAt(int fromDir, const char* from, int toDir, const char* to);
int SymlinkAt(const char* target, int dir, const char* name);
ssize_t ReadLink(const char* path, char* buffer, size_t size);
ssize_t ReadLinkAt(int dir, const char* name, char* buffer, size_t size);

int UTimensAt(int dir, const char* name, const struct timespec times[2], int flags);
int FUTimens(int fd, const struct timespec times[2]);
int FChmod(int fd, mode_t mode);
int FChmodAt(int dir, const char* name, mode_t mode, int flags);
int FChown(int fd, uid_t owner, gid_t group);
int Access(const char* path, int mode);
int FAccessAt(int dir, const char* name, int mode, int flags);
// The canonical absolute path of `path` into `resolved` (PATH_MAX bytes), or when that is
// nullptr into memory the caller frees with free().
char* RealPath(const char* path, char* resolved);
uid_t EffectiveUser();

DIR* OpenDir(const char* path);
DIR* FdOpenDir(int fd);
dirent* ReadDir(DIR* dir);
int CloseDir(DIR* dir);
int DirFd(DIR* dir);

} // namespace sys
} // namespace platform
