#include "zip/ZipCentralDir.h"

#include "platform/FileNames.h"
#include "zip/ZipEndRecord.h"
#include "zip/ZipNames.h"

#include <QByteArray>
#include <QDate>

namespace
{

constexpr quint32 kCentralHeader = 0x02014B50;
constexpr quint32 kDigitalSignature = 0x05054B50;
constexpr qsizetype kCentralSize = 46;

// Parses the record at `p` (at least kCentralSize bytes, `available` in all); returns
// its length, or 0 when it does not fit.
qsizetype ParseRecord(const uchar* p, qsizetype available, quint64 shift, ZipDirEntry& e)
{
    const qsizetype nameLength = ZipLe16(p + 28);
    const qsizetype extraLength = ZipLe16(p + 30);
    const qsizetype length = kCentralSize + nameLength + extraLength + ZipLe16(p + 32);
    if (length > available)
        return 0;
    e.VersionNeeded = ZipLe16(p + 6);
    e.GeneralFlags = ZipLe16(p + 8);
    e.CompressionMethod = ZipLe16(p + 10);
    e.FileTime = ZipLe16(p + 12);
    e.FileDate = ZipLe16(p + 14);
    e.CRC32 = ZipLe32(p + 16);
    e.CompressedSize = ZipLe32(p + 20);
    e.UncompressedSize = ZipLe32(p + 24);
    e.FileNameLength = quint16(nameLength);
    e.ExtraFieldLength = quint16(extraLength);
    constexpr uchar kMadeOnUnix = 3; // the high byte of "version made by"
    const std::string name = DecodeZipName(reinterpret_cast<const char*>(p + kCentralSize),
                                           size_t(nameLength), e.GeneralFlags, p[5] == kMadeOnUnix,
                                           p + kCentralSize + nameLength, size_t(extraLength));
    e.FileName = platform::DecodeFileName(QByteArray::fromStdString(name));
    TZip64Fields wide{e.UncompressedSize, e.CompressedSize, ZipLe32(p + 42)};
    ApplyZip64Extra(p + kCentralSize + nameLength, size_t(extraLength), wide);
    e.UncompressedSize = wide.UncompressedSize;
    e.CompressedSize = wide.CompressedSize;
    e.LocalHeaderPosition = wide.LocalOffset + shift;
    return length;
}

// The records fill the directory; a digital signature record may close it. The count
// must agree with the end record's; without ZIP64 records, modulo 65,536 (some writers
// wrap it), and 0xFFFF stands for any larger count (others write that).
bool ParseDirectory(const QByteArray& dir, const TZipEnd& end, std::vector<ZipDirEntry>& out)
{
    const auto* p = reinterpret_cast<const uchar*>(dir.constData());
    const qsizetype size = dir.size();
    qsizetype at = 0;
    while (at + kCentralSize <= size && ZipLe32(p + at) == kCentralHeader) {
        ZipDirEntry& e = out.emplace_back();
        const qsizetype length = ParseRecord(p + at, size - at, end.Shift, e);
        if (length == 0)
            return false;
        at += length;
    }
    if (at != size && !(at + 4 <= size && ZipLe32(p + at) == kDigitalSignature))
        return false;
    if (end.Zip64)
        return out.size() == end.Entries;
    return (out.size() & 0xFFFF) == end.Entries || (end.Entries == 0xFFFF && out.size() > 0xFFFF);
}

} // namespace

bool ReadCentralDirectory(QIODevice& device, std::vector<ZipDirEntry>& entries)
{
    const TReadAt read = [&device](uint64_t position, void* out, size_t count) -> int64_t {
        if (!device.seek(qint64(position)))
            return -1;
        return device.read(static_cast<char*>(out), qint64(count));
    };
    TZipEnd end;
    if (!FindZipEnd(read, quint64(device.size()), end))
        return false;
    QByteArray dir(qsizetype(end.DirSize), Qt::Uninitialized);
    if (read(end.DirStart, dir.data(), size_t(dir.size())) != dir.size())
        return false;
    std::vector<ZipDirEntry> parsed;
    parsed.reserve(size_t(std::min<quint64>(end.Entries, end.DirSize / kCentralSize)));
    if (!ParseDirectory(dir, end, parsed))
        return false;
    entries.insert(entries.end(), std::make_move_iterator(parsed.begin()),
                   std::make_move_iterator(parsed.end()));
    return true;
}

double DosDayCount(quint16 date, quint16 time)
{
    const QDate day(1980 + (date >> 9), (date >> 5) & 0x0F, date & 0x1F);
    if (!day.isValid())
        return 0;
    static const qint64 kDayZero = QDate(1899, 12, 30).toJulianDay();
    const int seconds = (time >> 11) * 3600 + ((time >> 5) & 0x3F) * 60 + (time & 0x1F) * 2;
    return double(day.toJulianDay() - kDayZero) + seconds / 86400.0;
}
