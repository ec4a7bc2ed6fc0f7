#include "platform/FileBlocks.h"

#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{

namespace
{

// The regular file at `path` opened for reading without waiting, or -1.
int OpenRegular(const QString& path)
{
    // O_NONBLOCK: a FIFO that slipped in must never hold the reader.
    const int fd = open(EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st {
    };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

bool OpenRegularFile(const QString& path, QFile& file)
{
    file.close();
    const int fd = OpenRegular(path);
    if (fd < 0)
        return false;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    close(fd);
    return false;
}

TReadBlocks ReadFileBlocks(
    const QString& path, size_t block, size_t keep,
    const std::function<bool(const char* data, size_t size, size_t fresh, qint64 offset)>& scan,
    qint64 limit)
{
    const int fd = OpenRegular(path);
    if (fd < 0)
        return TReadBlocks::Failed;
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    const auto buffer = std::make_unique_for_overwrite<char[]>(keep + block);
    size_t kept = 0;
    qint64 offset = 0; // file position of buffer[0]
    qint64 total = 0;  // bytes read
    TReadBlocks result = TReadBlocks::Done;
    for (;;) {
        // At the limit one more byte is asked for: whether the file ends there.
        const bool atLimit = limit > 0 && total >= limit;
        const size_t want =
            limit > 0 ? size_t(std::clamp<qint64>(limit - total, 1, qint64(block))) : block;
        const int fault = FileOpsFault(TFileOpsStep::FileBlockRead, path);
        const ssize_t n = fault != 0 ? -1 : read(fd, buffer.get() + kept, want);
        if (n < 0 && fault == 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result = TReadBlocks::Failed;
            break;
        }
        if (n == 0)
            break;
        if (atLimit) {
            result = TReadBlocks::TooLong;
            break;
        }
        total += n;
        const size_t size = kept + size_t(n);
        if (!scan(buffer.get(), size, kept, offset)) {
            result = TReadBlocks::Stopped;
            break;
        }
        const size_t next = std::min(keep, size);
        std::memmove(buffer.get(), buffer.get() + size - next, next);
        offset += qint64(size - next);
        kept = next;
    }
    close(fd);
    return result;
}

} // namespace platform
