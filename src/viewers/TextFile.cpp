#include "viewers/TextFile.h"

#include "platform/Messages.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace viewers
{

namespace
{

const QByteArray Utf8Bom("\xEF\xBB\xBF");

QString FirstLineEnd(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n')
            return QStringLiteral("\n");
        if (text[i] == u'\r')
            return i + 1 < text.size() && text[i + 1] == u'\n' ? QStringLiteral("\r\n")
                                                               : QStringLiteral("\r");
    }
    return QStringLiteral("\n");
}

} // namespace

TDecodedText DecodeText(const QByteArray& bytes)
{
    TDecodedText result;
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        text = QString::fromLatin1(bytes);
        result.Format.Encoding = TTextEncoding::Latin1;
    } else if (bytes.startsWith(Utf8Bom)) {
        result.Format.ByteOrderMark = true;
        text.remove(0, 1);
    }
    result.Format.LineEnd = FirstLineEnd(text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    result.Text = std::move(text);
    return result;
}

QByteArray EncodeText(const QString& text, TTextFormat& format)
{
    QString lines = text;
    if (format.LineEnd != QStringLiteral("\n"))
        lines.replace(u'\n', format.LineEnd);
    if (format.Encoding == TTextEncoding::Latin1) {
        const bool fits =
            std::all_of(lines.cbegin(), lines.cend(), [](QChar c) { return c.unicode() < 0x100; });
        if (fits)
            return lines.toLatin1();
        format.Encoding = TTextEncoding::Utf8;
    }
    QByteArray bytes = lines.toUtf8();
    if (format.ByteOrderMark)
        bytes.prepend(Utf8Bom);
    return bytes;
}

TDecodedText ReadTextFile(const QString& path)
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

void WriteTextFile(const QString& path, const QString& text, TTextFormat& format)
{
    TTextFormat chosen = format;
    const QByteArray bytes = EncodeText(text, chosen);
    QSaveFile file(path);
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!written) {
        throw platform::EError(
            QStringLiteral("Cannot write the file %1: %2").arg(path, file.errorString()));
    }
    format = chosen;
}

} // namespace viewers
