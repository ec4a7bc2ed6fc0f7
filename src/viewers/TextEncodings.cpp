#include "viewers/TextEncodings.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>

namespace viewers
{

namespace
{

constexpr std::array<TEncoding, 17> Known = {{
    {"UTF-8", "UTF-8"},
    {"UTF-16 LE", "UTF-16LE"},
    {"UTF-16 BE", "UTF-16BE"},
    {"Windows-1250", "windows-1250"},
    {"Windows-1251", "windows-1251"},
    {"Windows-1252", "windows-1252"},
    {"ISO-8859-1", "ISO-8859-1"},
    {"ISO-8859-2", "ISO-8859-2"},
    {"ISO-8859-15", "ISO-8859-15"},
    {"KOI8-R", "KOI8-R"},
    {"CP437", "IBM437"},
    {"CP850", "IBM850"},
    {"CP866", "IBM866"},
    {"Shift JIS", "Shift_JIS"},
    {"GB18030", "GB18030"},
    {"EUC-KR", "EUC-KR"},
    {"Big5", "Big5"},
}};

const TEncoding& Utf8 = Known[0];
const TEncoding& Utf16LE = Known[1];
const TEncoding& Utf16BE = Known[2];
const TEncoding& Windows1252 = Known[5];

// UTF-16 text of mostly Latin characters has a NUL in every other byte: at odd offsets
// for little endian, at even ones for big endian. A quarter of the pairs is enough to
// tell it from a binary file's stray NULs while still reading non-Latin text.
const TEncoding* Utf16ByNuls(QByteArrayView head)
{
    const qsizetype pairs = std::min<qsizetype>(head.size() / 2, 4096);
    if (pairs < 2)
        return nullptr;
    qsizetype even = 0;
    qsizetype odd = 0;
    for (qsizetype i = 0; i < pairs; ++i) {
        even += head[2 * i] == '\0' ? 1 : 0;
        odd += head[2 * i + 1] == '\0' ? 1 : 0;
    }
    if (odd * 4 >= pairs && even * 16 < odd)
        return &Utf16LE;
    if (even * 4 >= pairs && odd * 16 < even)
        return &Utf16BE;
    return nullptr;
}

// The length of a UTF-8 sequence cut off at the end of `bytes`, or 0.
qsizetype CutUtf8Tail(QByteArrayView bytes)
{
    for (qsizetype back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto b = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((b & 0xC0) != 0x80) {
            const int need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
            return need > back ? back : 0;
        }
    }
    return 0;
}

bool IsUtf8(QByteArrayView bytes, bool whole)
{
    const QByteArrayView body = whole ? bytes : bytes.first(bytes.size() - CutUtf8Tail(bytes));
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    // decode() converts only when its result is taken.
    const QString text = decoder.decode(body);
    return !decoder.hasError();
}

bool HasError(QStringView text, const TEncoding& encoding)
{
    QStringEncoder encoder(encoding.Codec);
    const QByteArray bytes = encoder.encode(text);
    return encoder.hasError();
}

} // namespace

const TEncoding* const TTextEncoding::Utf8 = &Known[0];
const TEncoding* const TTextEncoding::Utf16LE = &Known[1];
const TEncoding* const TTextEncoding::Utf16BE = &Known[2];
const TEncoding* const TTextEncoding::Windows1252 = &Known[5];

std::span<const TEncoding> Encodings()
{
    return Known;
}

const TEncoding* FindEncoding(QStringView name)
{
    for (const TEncoding& e : Known)
        if (name.compare(QLatin1StringView(e.Name), Qt::CaseInsensitive) == 0 ||
            name.compare(QLatin1StringView(e.Codec), Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

TEncodingGuess GuessEncoding(QByteArrayView head, bool whole)
{
    if (head.startsWith("\xEF\xBB\xBF"))
        return {&Utf8, 3};
    if (head.startsWith("\xFF\xFE"))
        return {&Utf16LE, 2};
    if (head.startsWith("\xFE\xFF"))
        return {&Utf16BE, 2};
    if (const TEncoding* utf16 = Utf16ByNuls(head))
        return {utf16, 0};
    return {IsUtf8(head, whole) ? &Utf8 : &Windows1252, 0};
}

QString DecodeAs(QByteArrayView bytes, const TEncoding& encoding)
{
    QStringDecoder decoder(encoding.Codec, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

qsizetype FirstUnencodableAs(QStringView text, const TEncoding& encoding)
{
    if (!HasError(text, encoding))
        return -1;
    // Halve the text until the first failing character is found: a few encodes of
    // shrinking parts instead of one per character.
    qsizetype from = 0;
    qsizetype to = text.size();
    while (to - from > 1) {
        qsizetype mid = from + (to - from) / 2;
        if (mid > from && text[mid].isLowSurrogate())
            --mid;
        if (mid == from)
            break;
        if (HasError(text.sliced(from, mid - from), encoding))
            to = mid;
        else
            from = mid;
    }
    return from;
}

QByteArray EncodeAs(QStringView text, const TEncoding& encoding)
{
    QStringEncoder encoder(encoding.Codec);
    return encoder.encode(text);
}

} // namespace viewers
