#pragma once
// Reading a file's bytes from the start in blocks, for scans over its content (the file
// search): each block comes with the last bytes of the one before, so a scan finds what
// spans two blocks without copying.

#include <QString>

class QFile;
#include <QtGlobal>
#include <cstddef>
#include <functional>

namespace platform
{

enum class TReadBlocks { Done, Stopped, Failed, TooLong };

// Reads the regular file at `path` (links followed) in blocks of up to `block` bytes.
// `scan(data, size, fresh, offset)` sees the block's bytes after the last `keep` bytes
// of what came before (fewer at the start): `fresh` is where the new bytes begin and
// `offset` the file position of data[0]; it returns false to stop. Failed when the
// path is no regular file or cannot be opened or read; Stopped when `scan` stopped.
// With `limit` above 0 no more than `limit` bytes are scanned, whatever size the file
// reports (a file under /proc says 0 and may never end): TooLong when it holds more.
// Cost: one pass over the file, or its first `limit` bytes; memory about block + keep
// bytes. Any thread.
TReadBlocks ReadFileBlocks(
    const QString& path, size_t block, size_t keep,
    const std::function<bool(const char* data, size_t size, size_t fresh, qint64 offset)>& scan,
    qint64 limit = 0);

// Opens `file` on the regular file at `path` (links followed) for reading. The file is
// opened without waiting and its kind taken from the opened descriptor, so a FIFO or a
// device under an archive's name is never waited on, also when it takes the name between
// a look and the open. False, `file` closed, for anything else. Any thread.
bool OpenRegularFile(const QString& path, QFile& file);

} // namespace platform
