#pragma once
// The user's formats and collation, taken from the default QLocale.

#include <QCollator>
#include <QString>
#include <QtGlobal>

namespace platform
{

// A whole number with the locale's thousands separator ("#,##0").
QString FormatNumber(qint64 value);

// A day count since 30 December 1899 as the locale's short date, a blank and the long
// time; the time is left out when it is exactly 00:00:00.
QString FormatDateTime(double dayCount);

// Case-insensitive, locale-aware comparison of names. Sort keys make large sorts
// cheap: build one key per name, then compare keys.
class TNameCollator final
{
public:
    TNameCollator();
    int compare(const QString& a, const QString& b) const;
    QCollatorSortKey sortKey(const QString& s) const;

private:
    QCollator m_collator;
    bool m_foldForKeys{false}; // the C locale ("C", "C.UTF-8", "POSIX")
};

} // namespace platform
