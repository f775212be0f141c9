#include <gtest/gtest.h>

#include "elements/tle_data.h"

using namespace zelvane;

namespace {
TLEData epochSet(std::int64_t year, double days)
{
    TLEData t;
    t.epochYear = year;
    t.epochDays = days;
    return t;
}
} // namespace

TEST(TLEDataTest, EpochDate)
{
    EXPECT_EQ(epochSet(2024, 1.0).epochDate(), utcMidnight(2024, 1, 1));
    EXPECT_EQ(epochSet(2024, 1.5).epochDate(), utcMidnight(2024, 1, 1)->addingTimeInterval(43200));
    EXPECT_EQ(epochSet(2024, 32.25).epochDate(), utcMidnight(2024, 2, 1)->addingTimeInterval(21600));
    EXPECT_EQ(epochSet(2024, 366.5).epochDate(), utcMidnight(2024, 12, 31)->addingTimeInterval(43200));
    EXPECT_EQ(epochSet(2024, 0.5).epochDate(), utcMidnight(2023, 12, 31)->addingTimeInterval(43200));
    EXPECT_FALSE(epochSet(2024, std::numeric_limits<double>::quiet_NaN()).epochDate());
    EXPECT_FALSE(epochSet(2024, 1e300).epochDate());
    EXPECT_EQ(epochSet(2024, 1e300).ageString(), "?");
    EXPECT_EQ(TLEData{}.source, "");
}

TEST(TLEDataTest, AgeString)
{
    const Date epoch = *utcMidnight(2024, 3, 1);
    struct Case {
        double hoursLater;
        const char* text;
    };
    const Case cases[] = {{6, "6h"}, {36, "1.5d"}, {24, "1.0d"}, {240, "10d"}, {288, "12d"}, {-3, "-3h"}};
    for (const auto& c : cases) {
        Clock::setFixed(epoch.addingTimeInterval(c.hoursLater * 3600));
        EXPECT_EQ(epochSet(2024, 61.0).ageString(), c.text) << c.hoursLater;
    }
    Clock::clearFixed();
}
