#pragma once
// One member of a ZIP archive as the directory reader finds it: from its central
// directory record, or from its local header when the archive has no central directory.

#include <QString>
#include <QtGlobal>

struct ZipDirEntry {
    // The fields a local header and a central record share, in the local header's order.
    quint16 VersionNeeded{0};
    quint16 GeneralFlags{0};
    quint16 CompressionMethod{0};
    quint16 FileTime{0}; // DOS time
    quint16 FileDate{0}; // DOS date
    quint32 CRC32{0};
    quint64 CompressedSize{0}; // 64-bit when a ZIP64 extra field gives them
    quint64 UncompressedSize{0};
    quint16 FileNameLength{0};
    quint16 ExtraFieldLength{0};
    // The stored name, separators as stored (normally "/"), ending early at a zero byte;
    // decoded as unzip on Linux decodes it (ZipNames.h).
    QString FileName;
    // Where the member's local header lies in the file; from the central directory only.
    quint64 LocalHeaderPosition{0};
};
