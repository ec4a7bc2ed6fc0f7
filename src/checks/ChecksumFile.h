#pragma once
// The text of checksum files as sha256sum, sha1sum, md5sum and b2sum write and read them:
//
//     <hex>  <name>          (or "<hex> *<name>", the binary marker, read the same)
//     \<hex>  <escaped name> (a name holding a backslash, a line feed or a carriage
//                             return: "\\", "\n", "\r")
//     SHA256 (<name>) = <hex>  (the BSD style of "--tag", read too)
//
// Names are the file system's bytes. Lines that begin with '#' are comments; a carriage
// return that ends a line is dropped (files written on Windows).

#include "checks/Digest.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// One line of a checksum file, as written.
QByteArray ChecksumLine(const QByteArray& hex, const QByteArray& name);

// One line read.
struct TChecksumEntry {
    TDigestKind Kind{TDigestKind::Sha256};
    QByteArray Hex; // lower case
    QByteArray Name;
    int Line{0}; // 1-based line number in the file
};

struct TChecksumList {
    std::vector<TChecksumEntry> Entries;
    int BadLines{0}; // lines that are no checksum line of the file's algorithm
};

// The algorithm a checksum file's name says ("x.sha256", "SHA256SUMS", "x.md5", "x.b2",
// ...), or none.
std::optional<TDigestKind> DigestKindOfName(const QString& fileName);

// Reads a checksum file's text. Plain lines are of `kind` when given (from the file's
// name), else of the algorithm whose digest length the first plain line's digest has;
// BSD-style lines name their own. A line whose digest has another length, or is no
// hexadecimal, or whose name is empty, holds a NUL or an unknown escape, counts as bad.
TChecksumList ParseChecksums(const QByteArray& text, std::optional<TDigestKind> kind);
