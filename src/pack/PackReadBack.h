#pragma once
// Reads a finished archive back, every member's data through, so that what it holds can
// be compared with the originals before they are removed. Any thread.

#include "pack/PackFormat.h"
#include "platform/FileOpsProgress.h"

#include <QByteArray>
#include <QHash>
#include <QString>

struct TPackMember {
    enum class TKind { File, Folder, Link };
    TKind Kind{TKind::File};
    qint64 Size{0};        // bytes read back (files)
    quint32 Crc{0};        // CRC-32 of the bytes read back (files)
    QByteArray LinkTarget; // links
    bool Whole{false};     // every byte was read without an error
};

struct TPackReadBack {
    QHash<QByteArray, TPackMember> Members; // by name, without a trailing "/"
    QString Problem;                        // why the archive could not be read to its end
    bool Cancelled{false};
};

// Reads the archive `path` of `format` (ZIP members decrypted with `password`).
TPackReadBack ReadBackArchive(const QString& path, TPackFormat format, const QByteArray& password,
                              platform::TFileOpsProgress& progress);
