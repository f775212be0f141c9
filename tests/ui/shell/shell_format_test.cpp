#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ui/shell/shell_format.h"

namespace zelvane::shell {
namespace {

TEST(ShellFormat, FrequencyTexts)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double hz;
        const char* figure;
        const char* mhz;
        const char* signedHz;
    } rows[] = {
        {145800000.0, "145.800.000", "145.800000 MHz", "+145800000 Hz"},
        {435012345.6, "435.012.345", "435.012346 MHz", "+435012346 Hz"},
        {999.9, "0.000.999", "0.001000 MHz", "+1000 Hz"},
        {0.0, "\u2014", "\u2014", "0 Hz"},
        {0.4, "0.000.000", "0.000000 MHz", "0 Hz"},
        {-0.4, "0.000.000", "-0.000000 MHz", "0 Hz"},
        {0.6, "0.000.000", "0.000001 MHz", "+1 Hz"},
        // A negative figure carries its sign once, in front of the groups.
        {-37.6, "-0.000.037", "-0.000038 MHz", "-38 Hz"},
        {-1500.0, "-0.001.500", "-0.001500 MHz", "-1500 Hz"},
        {-145800000.9, "-145.800.000", "-145.800001 MHz", "-145800001 Hz"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.hz);
        EXPECT_EQ(formatBigFreq(row.hz), row.figure);
        EXPECT_EQ(formatMHz(row.hz), row.mhz);
        EXPECT_EQ(formatHzSigned(row.hz), row.signedHz);
    }
    // The most negative whole figure has no positive counterpart to negate.
    EXPECT_EQ(formatBigFreq(-9223372036854775808.0), "-9223372036854.775.808");
    // A figure beyond 64-bit whole hertz, or none at all, shows as no frequency.
    for (double odd : {1e30, -1e30, nan, std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(formatBigFreq(odd), "\u2014") << odd;
    }
}

TEST(ShellFormat, ReadoutTexts)
{
    EXPECT_EQ(formatDegrees(359.96), "360.0\u00B0");
    EXPECT_EQ(formatDegrees(-0.04), "-0.0\u00B0");
    EXPECT_EQ(formatDegrees(0.0), "0.0\u00B0");
    EXPECT_EQ(formatRangeKm(41.7), "42 km");
    EXPECT_EQ(formatRangeKm(0.0), "0 km");
    EXPECT_EQ(formatDopplerRate(0.0), "+0.0 Hz/s");
    EXPECT_EQ(formatDopplerRate(-2.34), "-2.3 Hz/s");
    EXPECT_EQ(formatDopplerRate(12.35), "+12.3 Hz/s"); // binary value lies below .35
    EXPECT_EQ(formatUpdateRate(10.0), "10 Hz");
}

TEST(ShellFormat, ObserverPosition)
{
    EXPECT_EQ(observerPositionText(33.87, -84.34), "33.8700\u00B0N 84.3400\u00B0W");
    EXPECT_EQ(observerPositionText(0.0, 0.0), "0.0000\u00B0N 0.0000\u00B0E");
    EXPECT_EQ(observerPositionText(-0.0, -0.0), "0.0000\u00B0N 0.0000\u00B0E");
    EXPECT_EQ(observerPositionText(-33.5, 151.25), "33.5000\u00B0S 151.2500\u00B0E");
    EXPECT_EQ(observerPositionText(-0.00001, 179.99994), "0.0000\u00B0S 179.9999\u00B0E");
}

TEST(ShellFormat, ZoomSteps)
{
    const struct {
        double from;
        double in;
        double out;
    } rows[] = {{12, 11, 13}, {2, 2, 3}, {2.5, 2, 3.5}, {1, 2, 2}, {48, 47, 48}, {47.5, 46.5, 48}, {60, 59, 48}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.from);
        EXPECT_DOUBLE_EQ(zoomedInHours(row.from), row.in);
        EXPECT_DOUBLE_EQ(zoomedOutHours(row.from), row.out);
    }
    double hours = 12;
    for (int i = 0; i < 10; ++i) {
        hours = zoomedInHours(hours);
    }
    EXPECT_DOUBLE_EQ(hours, 2);
    EXPECT_DOUBLE_EQ(zoomedInHours(hours), 2);
}

TEST(ShellFormat, TimelineStarts)
{
    const Date now = *Date::fromSecondsSince1970(1'700'000'000.0);
    const struct {
        double hours;
        double appearanceLead;
        double scrollLead;
    } rows[] = {{12, 72 * 60, 3 * 3600}, {2, 12 * 60, 30 * 60}, {48, 4.8 * 3600, 12 * 3600}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.hours);
        EXPECT_NEAR(now.timeIntervalSince(timelineStartOnAppearance(now, row.hours)), row.appearanceLead, 1e-6);
        EXPECT_NEAR(now.timeIntervalSince(timelineStartScrolledToNow(now, row.hours)), row.scrollLead, 1e-6);
    }
}

} // namespace
} // namespace zelvane::shell
