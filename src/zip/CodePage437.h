#pragma once
// Code page 437, the encoding of ZIP member names that do not declare UTF-8.

#include <QByteArray>
#include <QString>

// Decodes every byte: 0x00 to 0x7F as ASCII, 0x80 to 0xFF by the IBM PC table.
QString DecodeCodePage437(const char* data, qsizetype size);

// A member name as stored: up to its first zero byte, as UTF-8 when general-purpose flag
// bit 11 is set in `flags`, otherwise as code page 437.
QString DecodeMemberName(const char* data, qsizetype size, quint16 flags);
