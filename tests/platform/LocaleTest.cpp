#include "platform/Locale.h"

#include <QDateTime>
#include <QLocale>
#include <gtest/gtest.h>

TEST(Locale, NumbersAndDatesInEnUs)
{
    EXPECT_EQ(platform::FormatNumber(1234567), "1,234,567");
    // 30 December 1899, day zero, without a time.
    EXPECT_EQ(platform::FormatDateTime(0), "12/30/99");
    // 2 January 1900 at 06:00:00.
    EXPECT_EQ(platform::FormatDateTime(3.25), "1/2/00 6:00:00 AM");
    // Midnight shows no time.
    EXPECT_EQ(platform::FormatDateTime(36526), "1/1/00");
}

TEST(Locale, CollationIgnoresCase)
{
    const platform::TNameCollator c;
    EXPECT_EQ(c.compare("README", "readme"), 0);
    EXPECT_LT(c.compare("alpha", "Beta"), 0);
    EXPECT_GT(c.compare("b", "A"), 0);
}

// A file time is a local time: no locale shows a zone with it, nor the brackets, comma
// or spaces that part the zone from the time in its long format ("h:mm:ss AP, t",
// "Bh:mm:ss [t]", "t HH:mm:ss", "HH:mm:ss (t)").
TEST(Locale, FileTimesShowNoTimeZoneInAnyLocale)
{
    const QLocale previous;
    const QString zone = QDateTime::currentDateTime().timeZoneAbbreviation();
    ASSERT_FALSE(zone.isEmpty());
    const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    int withZone = 0;
    for (const QLocale& locale : locales) {
        if (!locale.timeFormat(QLocale::LongFormat).contains(u't'))
            continue;
        ++withZone;
        QLocale::setDefault(locale);
        // 2 January 1900 at 06:07:08.
        const QString text = platform::FormatDateTime(3 + (6 * 3600 + 7 * 60 + 8) / 86400.0);
        EXPECT_FALSE(text.contains(zone)) << qPrintable(locale.name() + ": " + text);
        EXPECT_FALSE(text.contains(QLatin1String("[]")) || text.contains(QLatin1String("()")))
            << qPrintable(locale.name() + ": " + text);
        EXPECT_FALSE(text.endsWith(u',') || text != text.trimmed())
            << qPrintable(locale.name() + ": " + text);
    }
    QLocale::setDefault(previous);
    EXPECT_GT(withZone, 100);
}
