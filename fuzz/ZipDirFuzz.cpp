// Feeds arbitrary bytes to the ZIP directory reader: it must end in entries, the
// "no entries" message or one of its errors, never in a crash or a read past a buffer.
#include "platform/Messages.h"
#include "zip/ZipDirReader.h"

#include <QBuffer>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        platform::SetMessageHandler([](const QString&) {});
        return true;
    }();
    (void)quiet;
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    std::vector<ZipDirEntry> entries;
    try {
        ReadZipEntries(device, entries);
    } catch (const platform::EError&) {
    }
    // Every entry came from a 30-byte header plus its name inside the input.
    if (entries.size() * 30 > size)
        std::abort();
    for (const ZipDirEntry& e : entries) {
        if (e.FileName.size() > e.FileNameLength)
            std::abort();
    }
    return 0;
}
