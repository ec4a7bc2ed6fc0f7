#include "viewers/TextFile.h"

#include "platform/FileOpsSupport.h"
#include "platform/FileSave.h"
#include "platform/Messages.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringView>
#include <algorithm>
#include <array>

namespace viewers
{

namespace
{

const QByteArray Utf8Bom("\xEF\xBB\xBF");
const QByteArray Utf16LEBom("\xFF\xFE");
const QByteArray Utf16BEBom("\xFE\xFF");

// Windows-1252 bytes 0x80 to 0x9F; the five unassigned ones keep their own number.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString DecodeCp1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = b >= 0x80 && b < 0xA0 ? QChar(Cp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

// The Windows-1252 byte of `c`, or -1 when there is none.
int Cp1252Byte(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u < 0x100))
        return u;
    for (int i = 0; i < int(Cp1252High.size()); ++i)
        if (Cp1252High[i] == u)
            return 0x80 + i;
    return -1;
}

QByteArray EncodeCp1252(const QString& text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (const QChar c : text)
        *out++ = char(Cp1252Byte(c));
    return bytes;
}

QString DecodeBody(const QByteArray& bytes, TTextFormat& format)
{
    const auto decode = [&format](QStringConverter::Encoding e, const QByteArray& body) {
        format.ByteOrderMark = true;
        QStringDecoder decoder(e, QStringConverter::Flag::Stateless);
        return QString(decoder.decode(body));
    };
    if (bytes.startsWith(Utf16LEBom)) {
        format.Encoding = TTextEncoding::Utf16LE;
        return decode(QStringConverter::Utf16LE, bytes.mid(2));
    }
    if (bytes.startsWith(Utf16BEBom)) {
        format.Encoding = TTextEncoding::Utf16BE;
        return decode(QStringConverter::Utf16BE, bytes.mid(2));
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const bool bom = bytes.startsWith(Utf8Bom);
    QString text = utf8.decode(bom ? bytes.mid(3) : bytes);
    if (utf8.hasError()) {
        format.Encoding = TTextEncoding::Windows1252;
        return DecodeCp1252(bytes);
    }
    format.Encoding = TTextEncoding::Utf8;
    format.ByteOrderMark = bom;
    return text;
}

// Splits `raw` at its line ends: the text with "\n" only, and each line's own end.
void SplitLines(const QString& raw, TTextFormat& format)
{
    QString text(raw.size(), Qt::Uninitialized);
    QChar* out = text.data();
    std::vector<TLineEnd>& ends = format.LineEnds;
    ends.clear();
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != u'\n' && c != u'\r') {
            *out++ = c;
            continue;
        }
        *out++ = u'\n';
        const bool pair = c == u'\r' && i + 1 < raw.size() && raw[i + 1] == u'\n';
        ends.push_back(c == u'\n' ? TLineEnd::LF : pair ? TLineEnd::CRLF : TLineEnd::CR);
        i += pair ? 1 : 0;
    }
    ends.push_back(TLineEnd::None);
    text.truncate(out - text.constData());
    format.Text = std::move(text);
}

QLatin1StringView EndText(TLineEnd end)
{
    switch (end) {
    case TLineEnd::LF:
        return QLatin1StringView("\n");
    case TLineEnd::CRLF:
        return QLatin1StringView("\r\n");
    case TLineEnd::CR:
        return QLatin1StringView("\r");
    case TLineEnd::None:
        break;
    }
    return QLatin1StringView("");
}

// Gives every line but the last an end, and the last none: a line without one takes the
// end of the line before it, the first line the file's first end.
void CloseGaps(std::vector<TLineEnd>& ends, const std::vector<TLineEnd>& wasEnds)
{
    TLineEnd previous = TLineEnd::LF;
    const auto first = std::find_if(wasEnds.begin(), wasEnds.end(),
                                    [](TLineEnd end) { return end != TLineEnd::None; });
    if (first != wasEnds.end())
        previous = *first;
    for (size_t i = 0; i < ends.size(); ++i) {
        TLineEnd& end = ends[i];
        end = i + 1 == ends.size() ? TLineEnd::None : end == TLineEnd::None ? previous : end;
        previous = end == TLineEnd::None ? previous : end;
    }
}

// The line ends for `now`: the unchanged lines before and after the changed part keep
// their own. Inside it, a line equal to an old line a little further on takes that
// line's end; any other line takes the end of the old line at its place.
std::vector<TLineEnd> EndsFor(const QList<QStringView>& now, const QList<QStringView>& was,
                              const std::vector<TLineEnd>& wasEnds)
{
    constexpr qsizetype LookAhead = 64;
    const qsizetype n = now.size();
    const qsizetype m = was.size();
    qsizetype head = 0;
    while (head < n && head < m && now[head] == was[head])
        ++head;
    qsizetype tail = 0;
    while (tail < n - head && tail < m - head && now[n - 1 - tail] == was[m - 1 - tail])
        ++tail;
    std::vector<TLineEnd> ends(wasEnds.begin(), wasEnds.begin() + head);
    ends.resize(size_t(n), TLineEnd::None);
    for (qsizetype k = 0; k < tail; ++k)
        ends[size_t(n - 1 - k)] = wasEnds[size_t(m - 1 - k)];
    const qsizetype stop = m - tail;
    for (qsizetype i = head, j = head; i < n - tail; ++i) {
        qsizetype k = j;
        while (k < stop && k < j + LookAhead && now[i] != was[k])
            ++k;
        if (k < stop && k < j + LookAhead)
            j = k;
        if (j < stop)
            ends[size_t(i)] = wasEnds[size_t(j++)];
    }
    CloseGaps(ends, wasEnds);
    return ends;
}

QByteArray EncodeBody(const QString& text, const TTextFormat& format)
{
    switch (format.Encoding) {
    case TTextEncoding::Windows1252:
        return EncodeCp1252(text);
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE: {
        const bool little = format.Encoding == TTextEncoding::Utf16LE;
        QStringEncoder encoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        const QByteArray bom = little ? Utf16LEBom : Utf16BEBom;
        return (format.ByteOrderMark ? bom : QByteArray()) + QByteArray(encoder.encode(text));
    }
    case TTextEncoding::Utf8:
        break;
    }
    return (format.ByteOrderMark ? Utf8Bom : QByteArray()) + text.toUtf8();
}

std::vector<TLineEnd> LineEndsFor(const QString& text, const TTextFormat& format)
{
    const QList<QStringView> was = QStringView(format.Text).split(u'\n');
    std::vector<TLineEnd> wasEnds = format.LineEnds;
    wasEnds.resize(size_t(was.size()), TLineEnd::None);
    return EndsFor(QStringView(text).split(u'\n'), was, wasEnds);
}

QString WithLineEnds(const QString& text, const std::vector<TLineEnd>& ends)
{
    QString out;
    out.reserve(text.size() + qsizetype(ends.size()));
    qsizetype line = 0;
    for (const QStringView part : QStringView(text).split(u'\n'))
        out.append(part).append(EndText(ends[size_t(line++)]));
    return out;
}

} // namespace

QString EncodingName(TTextEncoding encoding)
{
    switch (encoding) {
    case TTextEncoding::Windows1252:
        return QStringLiteral("Windows-1252");
    case TTextEncoding::Utf16LE:
        return QStringLiteral("UTF-16 LE");
    case TTextEncoding::Utf16BE:
        return QStringLiteral("UTF-16 BE");
    case TTextEncoding::Utf8:
        break;
    }
    return QStringLiteral("UTF-8");
}

TTextFormat DecodeText(const QByteArray& bytes)
{
    TTextFormat format;
    SplitLines(DecodeBody(bytes, format), format);
    format.Bytes = bytes;
    return format;
}

qsizetype FirstUnencodable(const QString& text, TTextEncoding encoding)
{
    if (encoding != TTextEncoding::Windows1252)
        return -1;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (Cp1252Byte(text[i]) < 0)
            return i;
    return -1;
}

QByteArray EncodeText(const QString& text, const TTextFormat& format)
{
    if (text == format.Text)
        return format.Bytes;
    return EncodeBody(WithLineEnds(text, LineEndsFor(text, format)), format);
}

TTextFormat ReadTextFile(const QString& path)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        const QString why =
            QFileInfo(path).isDir() ? QStringLiteral("It is a directory") : file.errorString();
        throw platform::EError(QStringLiteral("Cannot read the file %1: %2").arg(path, why));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw platform::EError(
            QStringLiteral("Cannot read the file %1: %2").arg(path, file.errorString()));
    }
    return DecodeText(bytes);
}

void WriteTextFile(const QString& path, const QString& text, TTextFormat& format,
                   platform::TLinkRule links)
{
    if (FirstUnencodable(text, format.Encoding) >= 0) {
        throw platform::EError(QStringLiteral("Cannot write the file %1: %2 cannot hold its text.")
                                   .arg(path, EncodingName(format.Encoding)));
    }
    std::vector<TLineEnd> ends = LineEndsFor(text, format);
    const QByteArray bytes =
        text == format.Text ? format.Bytes : EncodeBody(WithLineEnds(text, ends), format);
    const platform::TSaveTarget target = platform::InspectSaveTarget(path);
    if (target.Kind == platform::TSaveTarget::TKind::Link &&
        links == platform::TLinkRule::FollowToFile && !target.LinkToFile) {
        throw platform::EError(QStringLiteral("Cannot write the file %1: it is a link to %2, "
                                              "where there is no file to write.")
                                   .arg(path, target.LinkTarget));
    }
    QString copy;
    if (const int error = platform::SaveFile(path, bytes, links, &copy)) {
        const QString text =
            QStringLiteral("Cannot write the file %1: %2").arg(path, platform::ErrorText(error));
        throw platform::EError(copy.isEmpty()
                                   ? text
                                   : text + QStringLiteral(". The file may be written in part; the "
                                                           "whole new text is in %1.")
                                                .arg(copy));
    }
    format.Text = text;
    format.LineEnds = std::move(ends);
    format.Bytes = bytes;
}

} // namespace viewers
