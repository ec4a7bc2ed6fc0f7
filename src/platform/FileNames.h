#pragma once
// File names between the file system's bytes and QString, without loss: valid UTF-8 is
// decoded as such, and every byte that is not part of valid UTF-8 becomes the lone
// surrogate U+DC80 + (byte - 0x80), which encoding turns back into that byte. So a name
// that is not valid UTF-8 still names its own file, and never a look-alike whose bytes
// happen to spell the replacement character.

#include <QByteArray>
#include <QString>

namespace platform
{

QString DecodeFileName(const QByteArray& bytes);
QByteArray EncodeFileName(const QString& name);

// `name` as a user reads it: every byte that was not UTF-8 shows as U+FFFD. For captions,
// cells and messages only: the text it gives is never a name to hand to the system.
QString DisplayName(const QString& name);

// A fresh temporary name for the file `name` (file-system bytes) of this process. NAME is
// shortened, at a character boundary, where the whole would pass the 255-byte limit.
QByteArray PartFileName(const QByteArray& name);

} // namespace platform
