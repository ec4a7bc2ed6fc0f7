#pragma once
// Whole-file reading and writing of plain text for the text editor.
//
// Reading decodes UTF-8 when the bytes are valid UTF-8 (a leading byte-order mark is
// remembered and removed) and Latin-1 otherwise, which maps every byte to a character, so
// any file reads. Line ends become "\n" in the text; the first line end of the file
// (LF, CRLF or CR) is remembered and used for every line when writing. Writing encodes
// with the remembered encoding; a text that Latin-1 cannot hold is written as UTF-8
// rather than losing characters. Writes go through QSaveFile: the old file stays whole
// until the new one is complete.

#include <QByteArray>
#include <QString>

namespace viewers
{

enum class TTextEncoding { Utf8, Latin1 };

struct TTextFormat {
    TTextEncoding Encoding{TTextEncoding::Utf8};
    QString LineEnd{QStringLiteral("\n")};
    bool ByteOrderMark{false};
};

struct TDecodedText {
    QString Text; // lines separated by "\n"
    TTextFormat Format;
};

TDecodedText DecodeText(const QByteArray& bytes);

// Encodes `text` (lines separated by "\n"); may switch `format` from Latin-1 to UTF-8.
QByteArray EncodeText(const QString& text, TTextFormat& format);

// Both throw platform::EError with the system's reason when the file cannot be read or
// written; nothing is changed on disk by a failed write.
TDecodedText ReadTextFile(const QString& path);
void WriteTextFile(const QString& path, const QString& text, TTextFormat& format);

} // namespace viewers
