#include "platform/FileBlocks.h"

#include "platform/FileNames.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{

TReadBlocks ReadFileBlocks(
    const QString& path, size_t block, size_t keep,
    const std::function<bool(const char* data, size_t size, size_t fresh, qint64 offset)>& scan)
{
    // O_NONBLOCK: a FIFO that slipped in must never hold the reader.
    const int fd = open(EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return TReadBlocks::Failed;
    struct stat st {
    };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return TReadBlocks::Failed;
    }
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    const auto buffer = std::make_unique_for_overwrite<char[]>(keep + block);
    size_t kept = 0;
    qint64 offset = 0; // file position of buffer[0]
    TReadBlocks result = TReadBlocks::Done;
    for (;;) {
        const ssize_t n = read(fd, buffer.get() + kept, block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result = TReadBlocks::Failed;
            break;
        }
        if (n == 0)
            break;
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
