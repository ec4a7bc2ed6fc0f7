#include "platform/FileNames.h"

#include "platform/base/PartName.h"

#include <QByteArrayView>
#include <QRandomGenerator>

namespace platform
{

namespace
{

constexpr char16_t kEscapeBase = 0xDC00; // U+DC80..U+DCFF stand for bytes 0x80..0xFF

// The length of the valid UTF-8 sequence at `at`, or 0 when there is none.
int SequenceLength(const QByteArray& b, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return i < b.size() ? uchar(b[i]) : 0u; };
    const uint lead = byte(at);
    const auto cont = [&](qsizetype i) { return (byte(i) & 0xC0) == 0x80; };
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return cont(at + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const uint second = byte(at + 1);
        const bool ok =
            (lead == 0xE0 ? second >= 0xA0 : true) && (lead == 0xED ? second < 0xA0 : true);
        return ok && cont(at + 1) && cont(at + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const uint second = byte(at + 1);
        const bool ok =
            (lead == 0xF0 ? second >= 0x90 : true) && (lead == 0xF4 ? second < 0x90 : true);
        return ok && cont(at + 1) && cont(at + 2) && cont(at + 3) ? 4 : 0;
    }
    return 0;
}

// Whether the unit at `i` stands for a raw byte: a low surrogate in U+DC80..U+DCFF that
// is not the second half of a surrogate pair (U+1F4A9 is U+D83D U+DCA9, a character).
bool IsEscapeAt(QStringView name, qsizetype i)
{
    const char16_t c = name[i].unicode();
    if (c < kEscapeBase + 0x80 || c > kEscapeBase + 0xFF)
        return false;
    return i == 0 || !name[i - 1].isHighSurrogate();
}

bool HasEscape(QStringView name)
{
    for (qsizetype i = 0; i < name.size(); ++i)
        if (IsEscapeAt(name, i))
            return true;
    return false;
}

} // namespace

QString DecodeFileName(const QByteArray& bytes)
{
    if (QByteArrayView(bytes).isValidUtf8())
        return QString::fromUtf8(bytes);
    QString name;
    name.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        const int length = SequenceLength(bytes, at);
        if (length == 0) {
            name += QChar(char16_t(kEscapeBase + uchar(bytes[at])));
            ++at;
            continue;
        }
        name += QString::fromUtf8(bytes.constData() + at, length);
        at += length;
    }
    return name;
}

QByteArray EncodeFileName(const QString& name)
{
    if (!HasEscape(name))
        return name.toUtf8();
    QByteArray bytes;
    bytes.reserve(name.size() * 2);
    qsizetype from = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !IsEscapeAt(name, i))
            continue;
        bytes += QStringView(name).mid(from, i - from).toUtf8();
        if (i < name.size())
            bytes += char(name[i].unicode() - kEscapeBase);
        from = i + 1;
    }
    return bytes;
}

QString DisplayName(const QString& name)
{
    if (!HasEscape(name))
        return name;
    QString shown = name;
    for (qsizetype i = 0; i < name.size(); ++i)
        if (IsEscapeAt(name, i))
            shown[i] = QChar::ReplacementCharacter;
    return shown;
}

namespace
{

constexpr char kPartAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

} // namespace

QByteArray PartFileName(const QByteArray& name)
{
    // One draw of the shared generator gives all six characters (62^6 < 2^64): a copy
    // asks for a name per file, and each draw takes the generator's lock.
    char random[trvxbase::kPartRandomChars];
    quint64 bits = QRandomGenerator::global()->generate64();
    for (char& c : random) {
        c = kPartAlphabet[bits % (sizeof kPartAlphabet - 1)];
        bits /= sizeof kPartAlphabet - 1;
    }
    const std::string part =
        trvxbase::PartFileName(std::string_view(name.constData(), size_t(name.size())),
                               std::string_view(random, sizeof random));
    return QByteArray(part.data(), qsizetype(part.size()));
}

} // namespace platform
