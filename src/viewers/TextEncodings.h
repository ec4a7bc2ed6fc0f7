#pragma once
// The text encodings the viewer and the editor read and write, and the guess of a file's
// encoding from its first bytes.
//
// Every encoding is named twice: the name shown to the user ("Windows-1251") and the name
// the converter knows ("windows-1251"). The single-byte encodings read every byte and write
// it back as itself. A guess takes a byte-order mark first; without one, UTF-16 is told by
// its pattern of NUL bytes, UTF-8 by its bytes being valid UTF-8, and anything else reads
// as Windows-1252, the encoding that most such files on a desktop are in.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <span>

namespace viewers
{

struct TEncoding {
    const char* Name;  // shown to the user
    const char* Codec; // known to QStringDecoder / QStringEncoder
};

// The encodings a file is recognised in without being asked, for code that names one.
struct TTextEncoding {
    static const TEncoding* const Utf8;
    static const TEncoding* const Windows1252;
    static const TEncoding* const Utf16LE;
    static const TEncoding* const Utf16BE;
};

// In the order of the Encoding menus.
std::span<const TEncoding> Encodings();

// The encoding shown or known as `name` (case does not matter), or nullptr.
const TEncoding* FindEncoding(QStringView name);

struct TEncodingGuess {
    const TEncoding* Encoding; // never nullptr
    int BomSize;               // bytes of the byte-order mark at the start, or 0
};

// The encoding of a file whose first bytes are `head`. `whole` says `head` is the whole
// file; when it is not, a UTF-8 sequence cut at the end of `head` does not count against
// UTF-8.
TEncodingGuess GuessEncoding(QByteArrayView head, bool whole);

// `bytes` read as `encoding`; bytes the encoding has no character for read as the
// converter's stand-in (U+FFFD, or U+001A for some, such as Shift JIS).
QString DecodeAs(QByteArrayView bytes, const TEncoding& encoding);

// Index in `text` of the first character `encoding` cannot hold, or -1.
qsizetype FirstUnencodableAs(QStringView text, const TEncoding& encoding);

// `text` in `encoding`, without a byte-order mark; check FirstUnencodableAs first.
QByteArray EncodeAs(QStringView text, const TEncoding& encoding);

} // namespace viewers
