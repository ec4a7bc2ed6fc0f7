#pragma once
// Reading a file's bytes from the start in blocks, for scans over its content (the file
// search): each block comes with the last bytes of the one before, so a scan finds what
// spans two blocks without copying.

#include <QString>
#include <QtGlobal>
#include <cstddef>
#include <functional>

namespace platform
{

enum class TReadBlocks { Done, Stopped, Failed };

// Reads the regular file at `path` (links followed) in blocks of up to `block` bytes.
// `scan(data, size, fresh, offset)` sees the block's bytes after the last `keep` bytes
// of what came before (fewer at the start): `fresh` is where the new bytes begin and
// `offset` the file position of data[0]; it returns false to stop. Failed when the
// path is no regular file or cannot be opened or read; Stopped when `scan` stopped.
// Cost: one pass over the file; memory about block + keep bytes. Any thread.
TReadBlocks ReadFileBlocks(
    const QString& path, size_t block, size_t keep,
    const std::function<bool(const char* data, size_t size, size_t fresh, qint64 offset)>& scan);

} // namespace platform
