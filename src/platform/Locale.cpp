#include "platform/Locale.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

namespace platform
{

QString FormatNumber(qint64 value)
{
    return QLocale().toString(qlonglong(value));
}

namespace
{

bool IsZoneSeparator(QChar c)
{
    return c.isSpace() || c == u',';
}

// `format` without its time-zone field: the run of "t" outside quoted text, with the
// brackets around it ("(t)", "[t]") and the spaces and comma that part it from the time.
// File times are local times.
QString WithoutTimeZone(QString format)
{
    bool quoted = false;
    for (qsizetype at = 0; at < format.size(); ++at) {
        if (format[at] == u'\'')
            quoted = !quoted;
        if (quoted || format[at] != u't')
            continue;
        qsizetype end = at;
        while (end < format.size() && format[end] == u't')
            ++end;
        if (at > 0 && end < format.size() &&
            ((format[at - 1] == u'(' && format[end] == u')') ||
             (format[at - 1] == u'[' && format[end] == u']'))) {
            --at;
            ++end;
        }
        while (at > 0 && IsZoneSeparator(format[at - 1]))
            --at;
        if (at == 0)
            while (end < format.size() && IsZoneSeparator(format[end]))
                ++end;
        format.remove(at, end - at);
        --at;
    }
    return format.trimmed();
}

// The locale's long time format without a time zone, worked out once per locale and
// thread: every row of a panel asks for it.
QString LongTimeFormat(const QLocale& locale)
{
    thread_local QString localeName;
    thread_local QString format;
    const QString name = locale.name();
    if (name != localeName || format.isEmpty()) {
        format = WithoutTimeZone(locale.timeFormat(QLocale::LongFormat));
        localeName = name;
    }
    return format;
}

} // namespace

QString FormatDateTime(double dayCount)
{
    const double whole = std::floor(dayCount);
    qint64 seconds = qint64(std::llround((dayCount - whole) * 86400.0));
    qint64 days = qint64(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    const QLocale locale;
    const QDate date = QDate(1899, 12, 30).addDays(days);
    QString text = locale.toString(date, QLocale::ShortFormat);
    if (seconds != 0)
        text += ' ' + locale.toString(QTime(0, 0).addSecs(int(seconds)), LongTimeFormat(locale));
    return text;
}

TNameCollator::TNameCollator()
    : m_collator(QLocale()), m_foldForKeys(m_collator.locale().language() == QLocale::C)
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
}

int TNameCollator::compare(const QString& a, const QString& b) const
{
    const int r = m_collator.compare(a, b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

QCollatorSortKey TNameCollator::sortKey(const QString& s) const
{
    // In the C locale QCollator's keys are the plain code points, whatever the case
    // setting; keys of the case-folded text order names as compare() does.
    return m_collator.sortKey(m_foldForKeys ? s.toCaseFolded() : s);
}

} // namespace platform
