#include <gtest/gtest.h>

#include <cmath>

#include "orbital/earth.h"

namespace zelvane {
namespace {

Date utc(std::int64_t y, std::int64_t mo, std::int64_t d, std::int64_t h, std::int64_t mi,
         std::int64_t s, std::int64_t ns = 0)
{
    const Date midnight = *utcMidnight(y, mo, d);
    return Date::fromNanosecondsSince1970(midnight.nanosecondsSince1970() +
                                          ((h * 60 + mi) * 60 + s) * 1'000'000'000LL + ns);
}

TEST(JulianDateTest, CalendarFieldsGiveKnownJulianDates)
{
    struct Case {
        std::int64_t y, mo, d, h, mi;
        double sec, jd, jdFrac;
    };
    const Case cases[] = {
        {2000, 1, 1, 12, 0, 0.0, 2451544.5, 0.5},
        {1970, 1, 1, 0, 0, 0.0, 2440587.5, 0.0},
        {2024, 1, 1, 12, 0, 0.0, 2460310.5, 0.5},
        {2024, 2, 1, 6, 0, 0.0, 2460341.5, 0.25},
        {1992, 8, 20, 12, 14, 0.0, 2448854.5, (12 * 3600.0 + 14 * 60.0) / 86400.0},
        // A leap second is not carried into the day: the fraction reaches 1.
        {2016, 12, 31, 23, 59, 60.0, 2457753.5, 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.y << "-" << c.mo << "-" << c.d);
        const JulianDate jd = jday(c.y, c.mo, c.d, c.h, c.mi, c.sec);
        EXPECT_EQ(jd.jd, c.jd);
        EXPECT_DOUBLE_EQ(jd.jdFrac, c.jdFrac);
    }
}

TEST(JulianDateTest, FromDateMatchesCalendarFieldsAndKeepsNanoseconds)
{
    const JulianDate noon = jdayFromDate(utc(2000, 1, 1, 12, 0, 0));
    EXPECT_EQ(noon.jd, 2451544.5);
    EXPECT_EQ(noon.jdFrac, 0.5);

    const JulianDate later = jdayFromDate(utc(2000, 1, 1, 12, 0, 0, 1));
    EXPECT_EQ(later.jd, 2451544.5);
    // One nanosecond is 1.16e-14 days; the fraction resolves it to about 1%.
    EXPECT_NEAR(later.jdFrac - 0.5, 1e-9 / 86400.0, 1e-16);

    const Date d = utc(2031, 7, 14, 3, 25, 47, 123'456'789);
    const JulianDate a = jdayFromDate(d);
    const JulianDate b = jday(2031, 7, 14, 3, 25, 47.123456789);
    EXPECT_EQ(a.jd, b.jd);
    EXPECT_DOUBLE_EQ(a.jdFrac, b.jdFrac);

    // Before 1970 the calendar split must still floor, not truncate.
    const JulianDate old = jdayFromDate(utc(1969, 12, 31, 18, 0, 0));
    EXPECT_EQ(old.jd, 2440586.5);
    EXPECT_EQ(old.jdFrac, 0.75);
}

TEST(JulianDateTest, DateFromJdayInvertsJdayFromDate)
{
    EXPECT_EQ(dateFromJday(2451544.5, 0.5), utc(2000, 1, 1, 12, 0, 0));
    EXPECT_EQ(dateFromJday(2440587.5, 0.0), Date::fromNanosecondsSince1970(0));
    for (const Date d : {utc(1985, 3, 9, 7, 1, 2, 500'000'000), utc(2024, 2, 29, 23, 59, 59),
                         utc(2056, 11, 30, 0, 0, 0, 1'000)}) {
        const JulianDate jd = jdayFromDate(d);
        EXPECT_NEAR(dateFromJday(jd.jd, jd.jdFrac).timeIntervalSince(d), 0.0, 2e-6);
    }
}

TEST(SiderealTimeTest, KnownValuesAndRange)
{
    EXPECT_NEAR(gstime(2451545.0), 4.894961212823059, 1e-12);
    EXPECT_NEAR(gstime(2451545.0) * rad2deg, 280.460618375, 1e-8);

    // 1992-08-20 12:14 UT1: 152.578787810 degrees (a textbook example).
    const JulianDate jd = jday(1992, 8, 20, 12, 14, 0.0);
    EXPECT_NEAR(gstime(jd.jd + jd.jdFrac) * rad2deg, 152.578787810, 1e-7);

    // Results stay in [0, 2 pi) before and after the reference epoch.
    for (double day = 2415020.0; day < 2488070.0; day += 365.3) {
        const double g = gstime(day + 0.123);
        EXPECT_GE(g, 0.0);
        EXPECT_LT(g, twoPi);
    }
    // One sidereal day later the angle is back where it was.
    const double siderealDay = 0.99726956633;
    EXPECT_NEAR(gstime(2460000.25 + siderealDay), gstime(2460000.25), 1e-7);
}

TEST(EarthConstantsTest, DerivedModuleConstants)
{
    EXPECT_DOUBLE_EQ(twoPi, 6.283185307179586);
    EXPECT_DOUBLE_EQ(xpdotp, 229.1831180523293);
    EXPECT_DOUBLE_EQ(WGS84::e2, WGS84::flattening * (2.0 - WGS84::flattening));
    EXPECT_NEAR(WGS84::tumin, 1.0 / WGS84::xke, 1e-11);
}

} // namespace
} // namespace zelvane
