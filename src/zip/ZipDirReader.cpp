#include "zip/ZipDirReader.h"

#include "platform/FileNames.h"
#include "platform/Messages.h"
#include "zip/ZipCentralDir.h"
#include "zip/ZipNames.h"

#include <QByteArray>
#include <cstring>

namespace
{

constexpr quint32 kLocalHeader = 0x04034B50;
constexpr quint32 kCentralHeader = 0x02014B50;
constexpr quint32 kEndOfCentralDir = 0x06054B50;
constexpr qint64 kEndRecordSize = 22;
constexpr qint64 kBlockSize = 64 * 1024;

// Sequential reads and forward skips over a device through one block buffer, so that
// byte-wise scans and the small header reads cost no system call each.
class TBlockReader final
{
public:
    explicit TBlockReader(QIODevice& device) : m_device(device), m_size(device.size()) {}

    qint64 Size() const { return m_size; }
    qint64 Pos() const { return m_blockStart + m_blockPos; }

    bool ReadByte(quint8& byte)
    {
        if (m_blockPos == m_blockLength && !Refill())
            return false;
        byte = quint8(m_block[m_blockPos++]);
        return true;
    }

    // Returns the number of bytes copied to `out`; fewer than `count` at the end.
    qint64 Read(char* out, qint64 count)
    {
        qint64 done = 0;
        while (done < count) {
            if (m_blockPos == m_blockLength && !Refill())
                break;
            const qint64 n = std::min(count - done, qint64(m_blockLength - m_blockPos));
            std::memcpy(out + done, m_block.constData() + m_blockPos, size_t(n));
            m_blockPos += int(n);
            done += n;
        }
        return done;
    }

    // Moves forward by `count` bytes, never beyond the end; returns the new position.
    qint64 Skip(qint64 count)
    {
        const qint64 target = std::min(Pos() + count, m_size);
        if (target <= m_blockStart + m_blockLength) {
            m_blockPos = int(target - m_blockStart);
        } else {
            m_blockStart = target;
            m_blockPos = m_blockLength = 0;
        }
        return Pos();
    }

private:
    bool Refill()
    {
        const qint64 at = Pos();
        if (m_device.pos() != at && !m_device.seek(at))
            return false;
        if (m_block.size() < kBlockSize)
            m_block.resize(kBlockSize);
        const qint64 n = m_device.read(m_block.data(), kBlockSize);
        m_blockStart = at;
        m_blockPos = 0;
        m_blockLength = n > 0 ? int(n) : 0;
        return m_blockLength > 0;
    }

    QIODevice& m_device;
    qint64 m_size{0};
    QByteArray m_block;
    qint64 m_blockStart{0};
    int m_blockPos{0};
    int m_blockLength{0};
};

quint16 Le16(const uchar* p)
{
    return quint16(p[0] | (p[1] << 8));
}
quint32 Le32(const uchar* p)
{
    return quint32(Le16(p)) | (quint32(Le16(p + 2)) << 16);
}

QString NoEntriesMessage()
{
    return QStringLiteral("No valid zip entries found");
}

} // namespace

QString ZipDirectoryDamagedMessage()
{
    return QStringLiteral("The archive's central directory is damaged or missing: its members "
                          "are listed from their local headers, and the list may be incomplete");
}

namespace
{

[[noreturn]] void Fail(int number)
{
    if (number == 1)
        throw platform::EError(QStringLiteral("Error reading Zip File"));
    throw platform::EError(QStringLiteral("Error %1 reading Zip file").arg(number));
}

// Finds "P K 03 04" byte by byte. A byte that breaks the match after the "P" is not
// tested as a new "P", and only the bytes tested as "P" count towards the limit.
bool FindFirstHeader(TBlockReader& in)
{
    static constexpr quint8 kRest[3] = {0x4B, 0x03, 0x04};
    int steps = 0;
    quint8 byte = 0;
    for (;;) {
        if (!in.ReadByte(byte) || ++steps > ZipHeaderScanLimit)
            return false;
        if (byte != 0x50)
            continue;
        bool matched = true;
        for (quint8 expected : kRest) {
            if (!in.ReadByte(byte))
                return false;
            if (byte != expected) {
                matched = false;
                break;
            }
        }
        if (matched)
            return true;
    }
}

ZipDirEntry ParseHeader(const uchar* h)
{
    ZipDirEntry e;
    e.VersionNeeded = Le16(h);
    e.GeneralFlags = Le16(h + 2);
    e.CompressionMethod = Le16(h + 4);
    e.FileTime = Le16(h + 6);
    e.FileDate = Le16(h + 8);
    e.CRC32 = Le32(h + 10);
    e.CompressedSize = Le32(h + 14);
    e.UncompressedSize = Le32(h + 18);
    e.FileNameLength = Le16(h + 22);
    e.ExtraFieldLength = Le16(h + 24);
    return e;
}

// Reads one local header after its signature and skips the member's data.
void ReadMember(TBlockReader& in, std::vector<ZipDirEntry>& entries)
{
    uchar header[26];
    if (in.Read(reinterpret_cast<char*>(header), sizeof header) != qint64(sizeof header))
        Fail(2);
    ZipDirEntry entry = ParseHeader(header);
    QByteArray name(entry.FileNameLength, Qt::Uninitialized);
    if (in.Read(name.data(), name.size()) != name.size())
        Fail(2);
    // A local header does not say which system made the archive: Unix is not assumed.
    entry.FileName = platform::DecodeFileName(QByteArray::fromStdString(
        DecodeZipName(name.constData(), size_t(name.size()), entry.GeneralFlags, false)));
    const qint64 extra = entry.ExtraFieldLength;
    const qint64 data = entry.CompressedSize;
    entries.push_back(std::move(entry));

    if (in.Pos() + extra + data > in.Size() - kEndRecordSize)
        Fail(3);
    qint64 before = in.Pos();
    if (extra > 0 && in.Skip(extra) != before + extra)
        Fail(4);
    before = in.Pos();
    if (in.Skip(data) != before + data)
        Fail(5);
}

} // namespace

void ReadLocalHeaders(QIODevice& device, std::vector<ZipDirEntry>& entries)
{
    TBlockReader in(device);
    if (!FindFirstHeader(in)) {
        platform::ShowMessage(NoEntriesMessage());
        return;
    }
    quint32 signature = kLocalHeader;
    for (;;) {
        if (signature == kLocalHeader)
            ReadMember(in, entries);
        else if (signature == kCentralHeader || signature == kEndOfCentralDir)
            return;
        uchar bytes[4];
        if (in.Read(reinterpret_cast<char*>(bytes), 4) != 4)
            Fail(1);
        signature = Le32(bytes);
    }
}

void ReadZipEntries(QIODevice& device, std::vector<ZipDirEntry>& entries)
{
    // An archive whose central directory is whole but empty (every member moved out)
    // is no error: it lists nothing, without a message.
    if (ReadCentralDirectory(device, entries))
        return;
    // Listed from the local headers alone, which unzip refuses to do: the user is told
    // that the list is not the one the archive's writer recorded. An error raised by the
    // walk says so on its own.
    const size_t before = entries.size();
    ReadLocalHeaders(device, entries);
    if (entries.size() > before)
        platform::ShowMessage(ZipDirectoryDamagedMessage());
}
