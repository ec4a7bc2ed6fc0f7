#include "platform/ProfileString.h"

#include <QFile>
#include <QStringDecoder>

namespace platform
{

namespace
{

bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString TrimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text.at(begin)))
        ++begin;
    while (end > begin && IsBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin).toString();
}

// Cuts to the longest value a caller gets, never between the halves of a surrogate pair.
QString Limit(QString value)
{
    if (value.size() > kProfileStringMax) {
        qsizetype keep = kProfileStringMax;
        if (value.at(keep - 1).isHighSurrogate())
            --keep;
        value.truncate(keep);
        return TrimBlanks(value); // the cut may have left a blank at the end
    }
    return value;
}

QString Fold(const QString& name)
{
    return name.toCaseFolded();
}

} // namespace

QString DecodeText(const QByteArray& bytes, bool* wasUtf8)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    const bool valid = !utf8.hasError();
    if (wasUtf8)
        *wasUtf8 = valid;
    return valid ? text : QString::fromLatin1(bytes);
}

TProfileFile::TProfileFile(const QByteArray& text)
{
    const QString all = DecodeText(text);
    QString section;
    bool inSection = false;
    for (QStringView line : QStringView(all).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = TrimBlanks(line);
        if (trimmed.startsWith(QLatin1Char('['))) {
            const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
            section = Fold(TrimBlanks(QStringView(trimmed).mid(1, close < 0 ? -1 : close - 1)));
            inSection = true;
            continue;
        }
        const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
        if (!inSection || equals < 0)
            continue;
        m_entries.push_back({section, Fold(TrimBlanks(QStringView(trimmed).left(equals))),
                             TrimBlanks(QStringView(trimmed).mid(equals + 1))});
    }
}

TProfileFile TProfileFile::Load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return TProfileFile();
    return TProfileFile(file.readAll());
}

QString TProfileFile::ReadString(const QString& section, const QString& key,
                                 const QString& defaultValue) const
{
    const QString wantedSection = Fold(TrimBlanks(section));
    const QString wantedKey = Fold(TrimBlanks(key));
    for (const TEntry& e : m_entries) {
        if (e.Section == wantedSection && e.Key == wantedKey)
            return Limit(e.Value);
    }
    return Limit(TrimBlanks(defaultValue));
}

} // namespace platform
