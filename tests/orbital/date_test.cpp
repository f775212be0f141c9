#include <gtest/gtest.h>

#include "orbital/date.h"
#include "orbital/numeric_text.h"

using namespace zelvane;

TEST(DateTest, CalendarFieldsRoundTripAcrossEras)
{
    struct Case {
        std::int64_t y, m, d;
    };
    const Case cases[] = {{1970, 1, 1}, {2000, 2, 29}, {2024, 12, 31}, {1900, 3, 1}, {1957, 10, 4}, {2100, 2, 28}};
    for (const auto& c : cases) {
        const auto midnight = utcMidnight(c.y, c.m, c.d);
        ASSERT_TRUE(midnight);
        const auto f = utcFields(*midnight);
        EXPECT_EQ(f.year, c.y);
        EXPECT_EQ(f.month, c.m);
        EXPECT_EQ(f.day, c.d);
        EXPECT_EQ(f.hour, 0);
    }
    // Day numbers past a month's end run on into later months and years.
    EXPECT_EQ(utcMidnight(2024, 1, 32), utcMidnight(2024, 2, 1));
    EXPECT_EQ(utcMidnight(2024, 1, 367), utcMidnight(2025, 1, 1));
    EXPECT_EQ(utcMidnight(2024, 1, 0), utcMidnight(2023, 12, 31));
}

TEST(DateTest, KeepsNanosecondsAndSaturates)
{
    const auto d = Date::fromNanosecondsSince1970(1'700'000'000'123'456'789LL);
    const auto f = utcFields(d);
    EXPECT_EQ(f.nanosecond, 123'456'789);
    EXPECT_EQ(f.year, 2023);
    EXPECT_EQ(d.addingTimeInterval(1.5).timeIntervalSince(d), 1.5);
    EXPECT_EQ(d.addingTimeInterval(std::numeric_limits<double>::quiet_NaN()), d);
    EXPECT_GT(d.addingTimeInterval(1e300), d);
    EXPECT_FALSE(Date::fromSecondsSince1970(std::numeric_limits<double>::infinity()));
    const auto before = utcFields(Date::fromNanosecondsSince1970(-1));
    EXPECT_EQ(before.year, 1969);
    EXPECT_EQ(before.nanosecond, 999'999'999);
}

TEST(DateTest, FixedClock)
{
    const auto d = Date::fromNanosecondsSince1970(42);
    Clock::setFixed(d);
    EXPECT_EQ(Date::now(), d);
    Clock::clearFixed();
    EXPECT_GT(Date::now(), d);
}

TEST(NumericTextTest, ParsesAndFormatsWithoutLocale)
{
    EXPECT_EQ(parseDecimal("12.5"), 12.5);
    EXPECT_EQ(parseDecimal("+1e3"), 1000.0);
    EXPECT_EQ(parseDecimal("-.5"), -0.5);
    for (const char* bad : {"", "+", "inf", "nan", "0x10", "1.5x", " 1", "+-1", "1e999"}) {
        EXPECT_FALSE(parseDecimal(bad)) << bad;
    }
    EXPECT_EQ(parseInt64("-42"), -42);
    EXPECT_EQ(parseInt64("+7"), 7);
    EXPECT_FALSE(parseInt64("A1234"));
    EXPECT_FALSE(parseInt64("99999999999999999999"));
    EXPECT_EQ(formatFixed(2.5, 0), "2");
    EXPECT_EQ(formatFixed(3.45, 1), "3.5"); // 3.45 is stored above the half
    EXPECT_EQ(formatFixed(-0.2, 0), "-0");
    EXPECT_EQ(truncateToInt64(-1.9), -1);
    EXPECT_FALSE(truncateToInt64(9.3e18));
    EXPECT_FALSE(truncateToInt64(std::numeric_limits<double>::quiet_NaN()));
}
