#pragma once
// Whole-file reading and writing of plain text for the text editor.
//
// Reading takes the encoding the user chose, or else guesses it (viewers::GuessEncoding):
// a byte-order mark first, UTF-16 without one by its pattern of NUL bytes, UTF-8 when the
// bytes are valid UTF-8, and Windows-1252 otherwise, whose five unassigned bytes map to
// the control characters of the same number, so every byte reads and writes back as
// itself. A leading byte-order mark of the encoding is remembered and removed. Bytes a
// chosen encoding has no character for read as the converter's stand-in (U+FFFD, or
// U+001A for some), and the format says so: a changed text would write the stand-in. Line ends
// (LF, CRLF or CR) become "\n" in the text, and each line's own end is remembered.
//
// Writing never changes what the user did not change: a text equal to the one read writes
// the same bytes, and every line that is still there unchanged keeps its own line end;
// new or edited lines take the end of the line they replace, or of the line before them.
// The file keeps its encoding; a text it cannot hold is not written (FirstUnencodable
// finds the character; the caller may switch the format to UTF-8). Writes go through
// platform::SaveFile: a killed program never leaves part of the file under its name, a
// write error (a full disk included) leaves the old file whole and says the system's
// reason, hard links, the owner and the mode stay, and no file is created through a link.

#include "transfer/FileSave.h"
#include "viewers/TextEncodings.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace viewers
{

enum class TLineEnd : quint8 { None, LF, CRLF, CR };

// How a text is stored on disk, and the text as last read or written.
struct TTextFormat {
    const TEncoding* Encoding{TTextEncoding::Utf8}; // never nullptr
    bool ByteOrderMark{false};
    bool Replaced{false};           // bytes without a character read as a stand-in
    QString Text;                   // lines separated by "\n"
    std::vector<TLineEnd> LineEnds; // one per line of Text; None after the last
    QByteArray Bytes;               // the file's bytes for Text
};

// The encoding's name as shown to the user ("UTF-8", "Windows-1252", ...).
QString EncodingName(const TEncoding* encoding);

// Decodes a whole file in the encoding guessed from its bytes, or in `encoding`;
// Format.Text is the text.
TTextFormat DecodeText(const QByteArray& bytes);
TTextFormat DecodeText(const QByteArray& bytes, const TEncoding& encoding);

// Index in `text` of the first character `encoding` cannot hold, or -1.
qsizetype FirstUnencodable(const QString& text, const TEncoding* encoding);

// The bytes for `text` (lines separated by "\n") stored like `format`. Characters the
// encoding cannot hold must have been checked with FirstUnencodable.
QByteArray EncodeText(const QString& text, const TTextFormat& format);

// Both throw platform::EError with the system's reason when the file cannot be read or
// written; nothing is changed on disk by a failed write. A successful write makes
// `format` describe the file as written. `links` says what a write does with a link at
// `path` (see platform::SaveFile); a link that leads to no file is never written through.
// ReadTextFile guesses the encoding unless one is given.
TTextFormat ReadTextFile(const QString& path, const TEncoding* encoding = nullptr);
void WriteTextFile(const QString& path, const QString& text, TTextFormat& format,
                   platform::TLinkRule links = platform::TLinkRule::FollowToFile);

} // namespace viewers
