#include "platform/Locale.h"

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
