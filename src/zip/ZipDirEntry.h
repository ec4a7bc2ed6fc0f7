#pragma once
// One local file header of a ZIP archive as the directory reader finds it.

#include <QString>
#include <QtGlobal>

struct ZipDirEntry {
    // The 26 bytes after the header's signature, in the file's order (little-endian there).
    quint16 VersionNeeded{0};
    quint16 GeneralFlags{0};
    quint16 CompressionMethod{0};
    quint16 FileTime{0}; // DOS time
    quint16 FileDate{0}; // DOS date
    quint32 CRC32{0};
    quint32 CompressedSize{0};
    quint32 UncompressedSize{0};
    quint16 FileNameLength{0};
    quint16 ExtraFieldLength{0};
    // The stored name, separators as stored (normally "/"), ending early at a zero byte;
    // decoded as UTF-8 when general-purpose flag bit 11 is set, otherwise as code page 437.
    QString FileName;
};
