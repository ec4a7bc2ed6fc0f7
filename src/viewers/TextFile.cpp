#include "viewers/TextFile.h"

#include "platform/Messages.h"
#include "transfer/FileOpsSupport.h"
#include "transfer/FileSave.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringView>
#include <algorithm>

namespace viewers
{

namespace
{

// The byte-order mark of a Unicode encoding; empty for the others.
QByteArray ByteOrderMark(const TEncoding* encoding)
{
    if (encoding == TTextEncoding::Utf8)
        return QByteArray("\xEF\xBB\xBF");
    if (encoding == TTextEncoding::Utf16LE)
        return QByteArray("\xFF\xFE");
    if (encoding == TTextEncoding::Utf16BE)
        return QByteArray("\xFE\xFF");
    return {};
}

// `body` in the format's encoding. A U+FEFF at its start is a character of the text (the
// mark, if any, is gone already); bytes without a character are noted in the format.
QString DecodeBody(QByteArrayView body, TTextFormat& format)
{
    QStringDecoder decoder(format.Encoding->Codec,
                           QStringConverter::Flag::Stateless |
                               QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(body);
    format.Replaced = decoder.hasError();
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
    const QByteArray mark = format.ByteOrderMark ? ByteOrderMark(format.Encoding) : QByteArray();
    return mark + EncodeAs(text, *format.Encoding);
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

QString EncodingName(const TEncoding* encoding)
{
    return QString::fromLatin1(encoding->Name);
}

TTextFormat DecodeText(const QByteArray& bytes)
{
    const TEncodingGuess guess = GuessEncoding(bytes, true);
    TTextFormat format;
    format.Encoding = guess.Encoding;
    format.ByteOrderMark = guess.BomSize > 0;
    SplitLines(DecodeBody(QByteArrayView(bytes).sliced(guess.BomSize), format), format);
    format.Bytes = bytes;
    return format;
}

TTextFormat DecodeText(const QByteArray& bytes, const TEncoding& encoding)
{
    TTextFormat format;
    format.Encoding = &encoding;
    const QByteArray mark = ByteOrderMark(&encoding);
    format.ByteOrderMark = !mark.isEmpty() && bytes.startsWith(mark);
    const qsizetype skip = format.ByteOrderMark ? mark.size() : 0;
    SplitLines(DecodeBody(QByteArrayView(bytes).sliced(skip), format), format);
    format.Bytes = bytes;
    return format;
}

qsizetype FirstUnencodable(const QString& text, const TEncoding* encoding)
{
    // The Unicode encodings hold every character.
    if (encoding == TTextEncoding::Utf8 || encoding == TTextEncoding::Utf16LE ||
        encoding == TTextEncoding::Utf16BE)
        return -1;
    return FirstUnencodableAs(text, *encoding);
}

QByteArray EncodeText(const QString& text, const TTextFormat& format)
{
    if (text == format.Text)
        return format.Bytes;
    return EncodeBody(WithLineEnds(text, LineEndsFor(text, format)), format);
}

TTextFormat ReadTextFile(const QString& path, const TEncoding* encoding)
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
    return encoding ? DecodeText(bytes, *encoding) : DecodeText(bytes);
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
    // Bytes written from the text hold the stand-ins as characters of their own now.
    format.Replaced = format.Replaced && text == format.Text;
    format.Text = text;
    format.LineEnds = std::move(ends);
    format.Bytes = bytes;
}

} // namespace viewers
