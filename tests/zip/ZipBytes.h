#pragma once
// Hand-written ZIP archives for tests: every byte is chosen here, so archives can be
// made that no ZIP tool would write (prefixes, data descriptors, truncation, hostile
// member names, link members).

#include <QByteArray>
#include <vector>

struct TMemberBytes {
    QByteArray Name;
    QByteArray Data;        // stored uncompressed
    quint16 Flags{0};       // bit 3 is set by Descriptor, bit 11 marks UTF-8 names
    bool Descriptor{false}; // zero sizes in the local header, a data descriptor after the data
    quint32 UnixMode{0};    // when not 0: made by Unix, external attributes = mode << 16
    QByteArray Extra;       // the central record's extra field
};

// A Unicode Path extra field (0x7075) naming `utf8` for the stored name `stored`.
QByteArray UnicodePathExtra(const QByteArray& stored, const QByteArray& utf8);

// Local headers and data, then (with `central`) the central directory and its end record.
QByteArray BuildZip(const std::vector<TMemberBytes>& members, bool central = true);

// The 22-byte end record of an archive without members.
QByteArray EmptyZip();

quint32 Crc32(const QByteArray& data);
