#include "zip/ZipBytes.h"

#include <QtEndian>

namespace
{

void Put16(QByteArray& out, quint32 v)
{
    out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}

void Put32(QByteArray& out, quint32 v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// Version needed, flags, method, time, date, CRC, sizes, name length, extra length.
void PutCommon(QByteArray& out, const TMemberBytes& m, bool zeroSizes, quint32 extra = 0)
{
    Put16(out, 20);
    Put16(out, m.Flags | (m.Descriptor ? 0x08 : 0));
    Put16(out, 0);
    Put16(out, 0x6000); // 12:00:00
    Put16(out, 0x5A21); // 2025-01-01
    Put32(out, zeroSizes ? 0 : Crc32(m.Data));
    Put32(out, zeroSizes ? 0 : quint32(m.Data.size()));
    Put32(out, zeroSizes ? 0 : quint32(m.Data.size()));
    Put16(out, quint32(m.Name.size()));
    Put16(out, extra);
}

} // namespace

quint32 Crc32(const QByteArray& data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray BuildZip(const std::vector<TMemberBytes>& members, bool central)
{
    QByteArray out;
    QByteArray directory;
    for (const TMemberBytes& m : members) {
        const quint32 offset = quint32(out.size());
        Put32(out, 0x04034B50);
        PutCommon(out, m, m.Descriptor);
        out.append(m.Name).append(m.Data);
        if (m.Descriptor) {
            Put32(out, 0x08074B50);
            Put32(out, Crc32(m.Data));
            Put32(out, quint32(m.Data.size()));
            Put32(out, quint32(m.Data.size()));
        }
        Put32(directory, 0x02014B50);
        Put16(directory, m.UnixMode ? (3u << 8) | 20 : 20);
        PutCommon(directory, m, false, quint32(m.Extra.size()));
        Put16(directory, 0); // comment length
        Put16(directory, 0); // disk
        Put16(directory, 0); // internal attributes
        Put32(directory, m.UnixMode << 16);
        Put32(directory, offset);
        directory.append(m.Name).append(m.Extra);
    }
    if (!central)
        return out;
    const quint32 directoryOffset = quint32(out.size());
    out.append(directory);
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, quint32(members.size()));
    Put16(out, quint32(members.size()));
    Put32(out, quint32(directory.size()));
    Put32(out, directoryOffset);
    Put16(out, 0);
    return out;
}

QByteArray UnicodePathExtra(const QByteArray& stored, const QByteArray& utf8)
{
    QByteArray extra;
    Put16(extra, 0x7075);
    Put16(extra, quint32(5 + utf8.size()));
    extra.append(char(1));
    Put32(extra, Crc32(stored));
    return extra.append(utf8);
}

QByteArray EmptyZip()
{
    return BuildZip({});
}
