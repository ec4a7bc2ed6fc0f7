#include "zip/ZipMemberData.h"

#include "zip/ZipEndRecord.h"

#include <zlib.h>

namespace
{

constexpr quint32 kLocalHeader = 0x04034B50;
constexpr qint64 kLocalSize = 30;
constexpr qint64 kBlock = 256 * 1024;
constexpr quint16 kStored = 0, kDeflated = 8;

// Where the member's data starts, after its local header; -1 when no header is there.
qint64 DataStart(QIODevice& device, const ZipDirEntry& e)
{
    uchar header[kLocalSize];
    if (!device.seek(qint64(e.LocalHeaderPosition)) ||
        device.read(reinterpret_cast<char*>(header), kLocalSize) != kLocalSize ||
        ZipLe32(header) != kLocalHeader)
        return -1;
    return qint64(e.LocalHeaderPosition) + kLocalSize + ZipLe16(header + 26) + ZipLe16(header + 28);
}

// Inflates the member's deflated data, read on from the device's position.
TZipData Inflate(QIODevice& device, const ZipDirEntry& e, qint64 limit, QByteArray& data,
                 const std::function<bool()>& goOn)
{
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return TZipData::Damaged;
    QByteArray in;
    qint64 left = qint64(e.CompressedSize);
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (goOn && !goOn()) {
            inflateEnd(&z);
            return TZipData::Cancelled;
        }
        if (z.avail_in == 0) {
            in = device.read(std::min(left, kBlock));
            if (in.isEmpty())
                break; // the data ends before the stream does
            left -= in.size();
            z.next_in = reinterpret_cast<Bytef*>(in.data());
            z.avail_in = uInt(in.size());
        }
        const qsizetype at = data.size();
        data.resize(at + kBlock);
        z.next_out = reinterpret_cast<Bytef*>(data.data() + at);
        z.avail_out = uInt(kBlock);
        status = inflate(&z, Z_NO_FLUSH);
        data.resize(at + kBlock - qsizetype(z.avail_out));
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
            break;
        if (data.size() > limit) {
            inflateEnd(&z);
            data.clear();
            return TZipData::TooLarge;
        }
    }
    inflateEnd(&z);
    return status == Z_STREAM_END ? TZipData::Read : TZipData::Damaged;
}

} // namespace

TZipData ReadZipMember(QIODevice& device, const ZipDirEntry& e, qint64 limit, QByteArray& data,
                       QString& why, const std::function<bool()>& goOn)
{
    data.clear();
    why.clear();
    if (e.GeneralFlags & 1) {
        why = QStringLiteral("encrypted");
        return TZipData::Unsupported;
    }
    if (e.CompressionMethod != kStored && e.CompressionMethod != kDeflated) {
        why = QStringLiteral("compressed by method %1, which is not read here")
                  .arg(e.CompressionMethod);
        return TZipData::Unsupported;
    }
    if (qint64(e.UncompressedSize) > limit)
        return TZipData::TooLarge;
    const qint64 start = DataStart(device, e);
    if (start < 0 || !device.seek(start)) {
        why = QStringLiteral("its local header is missing");
        return TZipData::Damaged;
    }
    TZipData result = TZipData::Read;
    if (e.CompressionMethod == kStored) {
        if (goOn && !goOn())
            return TZipData::Cancelled;
        data = device.read(qint64(e.CompressedSize));
        if (data.size() != qint64(e.CompressedSize))
            result = TZipData::Damaged;
    } else {
        result = Inflate(device, e, limit, data, goOn);
    }
    if (result == TZipData::Read && qint64(data.size()) != qint64(e.UncompressedSize))
        result = TZipData::Damaged;
    if (result == TZipData::Read &&
        crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())) != e.CRC32)
        result = TZipData::Damaged;
    if (result == TZipData::Damaged) {
        why = QStringLiteral("its data is damaged");
        data.clear();
    }
    return result;
}
