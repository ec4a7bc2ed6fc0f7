#include "ZipPrefixSource.h"

#include "PartFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace trvxlib
{
namespace
{

struct TPrefixSource {
    std::string Path;
    uint64_t ReadStart{0};
    uint64_t Prefix{0};
    uint64_t Length{0}; // of the window
    uint64_t Pos{0};
    struct stat Stat {
    };
    int ReadFd{-1}; // -1: the archive is not there yet
    int WriteFd{-1};
    int FolderFd{-1};     // the archive's folder while writing
    std::string TempName; // in that folder
    zip_error_t Error;
};

// The folder and the name of `path`.
std::pair<std::string, std::string> Split(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

zip_int64_t Fail(TPrefixSource& s, int code)
{
    zip_error_set(&s.Error, code, errno);
    return -1;
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// The temporary file, named as the program's, beginning with the prefix; libzip writes
// the archive after it. Left-overs of ended processes in the folder go first.
zip_int64_t BeginWrite(TPrefixSource& s)
{
    const auto [folder, name] = Split(s.Path);
    s.FolderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (s.FolderFd < 0)
        return Fail(s, ZIP_ER_TMPOPEN);
    RemoveStaleParts(s.FolderFd);
    s.WriteFd = CreatePartFile(s.FolderFd, name, 0666, s.TempName);
    if (s.WriteFd < 0)
        return Fail(s, ZIP_ER_TMPOPEN);
    if (s.ReadFd >= 0)
        fchmod(s.WriteFd, s.Stat.st_mode & 07777);
    std::vector<char> buffer(1 << 16);
    for (uint64_t done = 0; done < s.Prefix;) {
        const size_t want = size_t(std::min<uint64_t>(buffer.size(), s.Prefix - done));
        const ssize_t n = pread(s.ReadFd, buffer.data(), want, off_t(done));
        if (n <= 0 || !WriteAll(s.WriteFd, buffer.data(), size_t(n)))
            return Fail(s, ZIP_ER_WRITE);
        done += uint64_t(n);
    }
    return 0;
}

void DropTemp(TPrefixSource& s)
{
    if (s.WriteFd >= 0)
        close(s.WriteFd);
    if (!s.TempName.empty())
        unlinkat(s.FolderFd, s.TempName.c_str(), 0);
    if (s.FolderFd >= 0)
        close(s.FolderFd);
    s.WriteFd = s.FolderFd = -1;
    s.TempName.clear();
}

// Whether the archive's name still leads to the file read (or, for a new archive, to
// nothing): another program's archive put there or changed meanwhile is never replaced.
bool StillTheFileRead(const TPrefixSource& s, const std::string& name)
{
    struct stat now {
    };
    if (fstatat(s.FolderFd, name.c_str(), &now, 0) != 0)
        return errno == ENOENT && s.ReadFd < 0;
    const struct stat& read = s.Stat;
    return s.ReadFd >= 0 && now.st_dev == read.st_dev && now.st_ino == read.st_ino &&
           now.st_size == read.st_size && now.st_mtim.tv_sec == read.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == read.st_mtim.tv_nsec &&
           now.st_ctim.tv_sec == read.st_ctim.tv_sec && now.st_ctim.tv_nsec == read.st_ctim.tv_nsec;
}

// The complete new archive replaces the old one once it is on the disk: a crash just
// after the rename must not leave an archive whose data never arrived.
zip_int64_t CommitWrite(TPrefixSource& s)
{
    const bool synced = fsync(s.WriteFd) == 0;
    const bool closed = close(s.WriteFd) == 0 && synced;
    s.WriteFd = -1;
    const std::string name = Split(s.Path).second;
    if (closed && !StillTheFileRead(s, name)) {
        DropTemp(s);
        return Fail(s, ZIP_ER_CHANGED);
    }
    if (!closed || renameat(s.FolderFd, s.TempName.c_str(), s.FolderFd, name.c_str()) != 0) {
        const int saved = errno;
        DropTemp(s);
        errno = saved;
        return Fail(s, ZIP_ER_RENAME);
    }
    s.TempName.clear();
    DropTemp(s);
    return 0;
}

zip_int64_t Read(TPrefixSource& s, void* data, zip_uint64_t len)
{
    const size_t want = size_t(std::min<uint64_t>(len, s.Length - std::min(s.Pos, s.Length)));
    const ssize_t n = pread(s.ReadFd, data, want, off_t(s.ReadStart + s.Pos));
    if (n < 0)
        return Fail(s, ZIP_ER_READ);
    s.Pos += uint64_t(n);
    return n;
}

zip_int64_t Stat(TPrefixSource& s, void* data, zip_uint64_t len)
{
    auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &s.Error);
    if (!st)
        return -1;
    if (s.ReadFd < 0) { // libzip takes this as an archive yet to be created
        zip_error_set(&s.Error, ZIP_ER_READ, ENOENT);
        return -1;
    }
    zip_stat_init(st);
    st->size = s.Length;
    st->mtime = s.Stat.st_mtime;
    st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
    return sizeof(*st);
}

zip_int64_t SeekWrite(TPrefixSource& s, void* data, zip_uint64_t len)
{
    auto* args = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, len, &s.Error);
    if (!args)
        return -1;
    return lseek(s.WriteFd, off_t(args->offset), args->whence) < 0 ? Fail(s, ZIP_ER_SEEK) : 0;
}

zip_int64_t ReadSide(TPrefixSource& s, void* data, zip_uint64_t len, zip_source_cmd_t cmd)
{
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        s.Pos = 0;
        return 0;
    case ZIP_SOURCE_READ:
        return Read(s, data, len);
    case ZIP_SOURCE_SEEK: {
        const zip_int64_t pos =
            zip_source_seek_compute_offset(s.Pos, s.Length, data, len, &s.Error);
        if (pos < 0)
            return -1;
        s.Pos = uint64_t(pos);
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return zip_int64_t(s.Pos);
    case ZIP_SOURCE_STAT:
        return Stat(s, data, len);
    default: // ZIP_SOURCE_CLOSE
        return 0;
    }
}

// Positions on the writing side are those of the new file, prefix included, so the
// offsets libzip writes count the prefix.
zip_int64_t WriteSide(TPrefixSource& s, void* data, zip_uint64_t len, zip_source_cmd_t cmd)
{
    switch (cmd) {
    case ZIP_SOURCE_BEGIN_WRITE:
        return BeginWrite(s);
    case ZIP_SOURCE_WRITE:
        return WriteAll(s.WriteFd, static_cast<const char*>(data), size_t(len))
                   ? zip_int64_t(len)
                   : Fail(s, ZIP_ER_WRITE);
    case ZIP_SOURCE_SEEK_WRITE:
        return SeekWrite(s, data, len);
    case ZIP_SOURCE_TELL_WRITE: {
        const off_t pos = lseek(s.WriteFd, 0, SEEK_CUR);
        return pos < 0 ? Fail(s, ZIP_ER_TELL) : zip_int64_t(pos);
    }
    case ZIP_SOURCE_COMMIT_WRITE:
        return CommitWrite(s);
    case ZIP_SOURCE_ROLLBACK_WRITE:
        DropTemp(s);
        return 0;
    default: // ZIP_SOURCE_REMOVE: ZIPLIB writes an emptied archive itself, prefix kept
        zip_error_set(&s.Error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

zip_int64_t Callback(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd)
{
    TPrefixSource& s = *static_cast<TPrefixSource*>(state);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
    case ZIP_SOURCE_READ:
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_SEEK:
    case ZIP_SOURCE_TELL:
    case ZIP_SOURCE_STAT:
        return ReadSide(s, data, len, cmd);
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s.Error, data, len);
    case ZIP_SOURCE_FREE:
        DropTemp(s);
        if (s.ReadFd >= 0)
            close(s.ReadFd);
        zip_error_fini(&s.Error);
        delete &s;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
            ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS,
            ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_COMMIT_WRITE, ZIP_SOURCE_ROLLBACK_WRITE,
            ZIP_SOURCE_WRITE, ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_REMOVE, -1);
    default:
        return WriteSide(s, data, len, cmd);
    }
}

} // namespace

zip_source_t* CreatePrefixSource(const std::string& path, uint64_t readStart, uint64_t prefix,
                                 zip_error_t* error)
{
    auto* s = new TPrefixSource;
    s->Path = path;
    s->ReadStart = readStart;
    s->Prefix = prefix;
    zip_error_init(&s->Error);
    s->ReadFd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (s->ReadFd < 0 && errno == ENOENT) {
        // Not there yet: created on the first write.
    } else if (s->ReadFd < 0 || fstat(s->ReadFd, &s->Stat) != 0 ||
               uint64_t(s->Stat.st_size) < readStart) {
        zip_error_set(error, ZIP_ER_OPEN, errno);
        if (s->ReadFd >= 0)
            close(s->ReadFd);
        delete s;
        return nullptr;
    }
    s->Length = s->ReadFd >= 0 ? uint64_t(s->Stat.st_size) - readStart : 0;
    zip_source_t* source = zip_source_function_create(Callback, s, error);
    if (!source) {
        if (s->ReadFd >= 0)
            close(s->ReadFd);
        delete s;
    }
    return source;
}

} // namespace trvxlib
