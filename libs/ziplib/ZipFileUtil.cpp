#include "ZipFileUtil.h"

#include "PartFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace trvxlib
{

std::string LibzipError(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

namespace
{

void ProgressStep(zip_t*, double, void* reporter)
{
    static_cast<TReporter*>(reporter)->FileStep();
}

int CancelCheck(zip_t*, void* reporter)
{
    return static_cast<TReporter*>(reporter)->Poll();
}

} // namespace

std::string WriteFailure(zip_t* za, const std::string& archive)
{
    if (zip_error_code_zip(zip_get_error(za)) == ZIP_ER_CHANGED)
        return "Another program changed " + archive +
               " while it was being written; it was left as that program made it";
    return "Cannot write " + archive + ": " + zip_strerror(za);
}

void ReportWhileWriting(zip_t* za, TReporter& reporter)
{
    zip_register_progress_callback_with_state(za, 0.05, ProgressStep, nullptr, &reporter);
    zip_register_cancel_callback_with_state(za, CancelCheck, nullptr, &reporter);
}

namespace
{

bool CopyPrefix(const std::string& path, int to, uint64_t prefix)
{
    const int from = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0)
        return false;
    char buffer[1 << 16];
    uint64_t done = 0;
    while (done < prefix) {
        const ssize_t n =
            read(from, buffer, size_t(std::min<uint64_t>(sizeof buffer, prefix - done)));
        if (n <= 0 || write(to, buffer, size_t(n)) != n)
            break;
        done += uint64_t(n);
    }
    close(from);
    return done == prefix;
}

} // namespace

bool WriteEmptyArchive(const std::string& path, uint64_t prefix)
{
    unsigned char end[22] = {0x50, 0x4B, 0x05, 0x06};
    for (int i = 0; i < 4; ++i)
        end[16 + i] = static_cast<unsigned char>(std::min<uint64_t>(prefix, 0xFFFFFFFF) >> (8 * i));
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string temp;
    const int fd = dir < 0 ? -1 : CreatePartFile(dir, name, 0666, temp);
    if (fd < 0) {
        if (dir >= 0)
            close(dir);
        return false;
    }
    struct stat st {
    };
    if (stat(path.c_str(), &st) == 0)
        fchmod(fd, st.st_mode & 07777);
    const bool written =
        CopyPrefix(path, fd, prefix) && write(fd, end, sizeof end) == ssize_t(sizeof end);
    const bool synced = written && fsync(fd) == 0; // on the disk before it takes the name
    const bool ok = close(fd) == 0 && synced && renameat(dir, temp.c_str(), dir, name.c_str()) == 0;
    if (!ok)
        unlinkat(dir, temp.c_str(), 0);
    close(dir);
    return ok;
}

std::string RealArchivePath(const std::string& path)
{
    char* real = realpath(path.c_str(), nullptr);
    if (!real)
        return path;
    std::string resolved = real;
    free(real);
    return resolved;
}

bool SetArchiveTimeToNewest(const std::string& path)
{
    zip_t* za = zip_open(path.c_str(), ZIP_RDONLY, nullptr);
    if (!za)
        return false;
    time_t newest = 0;
    const zip_int64_t total = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < total; ++i) {
        zip_stat_t st;
        if (zip_stat_index(za, zip_uint64_t(i), 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME))
            newest = std::max(newest, st.mtime);
    }
    zip_discard(za);
    if (newest == 0)
        return false;
    const timespec times[2] = {{newest, 0}, {newest, 0}};
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

} // namespace trvxlib
