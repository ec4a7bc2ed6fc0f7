#include "platform/Locale.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace platform
{

QString FormatNumber(qint64 value)
{
    return QLocale().toString(qlonglong(value));
}

namespace
{

// The locale's long time format without a time zone: file times are local times.
QString LongTimeFormat(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*\\(?t+\\)?")));
    return format.trimmed();
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
