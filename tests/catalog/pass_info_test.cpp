#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>

#include "catalog/pass_info.h"
#include "catalog/satellite.h"

namespace zelvane {
namespace {

Date at(std::int64_t y, std::int64_t mo, std::int64_t d, std::int64_t h, std::int64_t mi, double s)
{
    return utcMidnight(y, mo, d)->addingTimeInterval(h * 3600.0 + mi * 60.0 + s);
}

PredictedPass makePass(Date rise, double duration, double riseAz, double setAz, double maxEl)
{
    PredictedPass p;
    p.riseTime = rise;
    p.peakTime = rise.addingTimeInterval(duration / 2);
    p.setTime = rise.addingTimeInterval(duration);
    p.duration = duration;
    p.riseAzimuth = riseAz;
    p.setAzimuth = setAz;
    p.maxElevation = maxEl;
    return p;
}

// Sets the process's time zone for one test and restores it afterwards.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* tz)
    {
        if (const char* old = std::getenv("TZ")) {
            old_ = old;
        }
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~ZoneGuard()
    {
        if (old_) {
            ::setenv("TZ", old_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::optional<std::string> old_;
};

TEST(PassInfo, CompassDirections)
{
    struct Case {
        double azimuth;
        const char* name;
    };
    const Case cases[] = {
        {0, "N"},       {11.249, "N"},   {11.25, "NNE"}, {33.75, "NE"},   {90, "E"},
        {135, "SE"},    {180, "S"},      {200, "SSW"},   {270, "W"},      {337.5, "NNW"},
        {348.749, "NNW"}, {348.75, "N"}, {359.99, "N"},  {360, "N"},
        // outside the look-angle range: still a name, never a crash
        {-100, "WNW"},  {720, "N"},      {std::numeric_limits<double>::quiet_NaN(), "N"},
        {std::numeric_limits<double>::infinity(), "N"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PassInfo::compassDirection(c.azimuth), c.name) << c.azimuth;
    }
}

TEST(PassInfo, DurationElevationAndDirectionTexts)
{
    auto iss = std::make_shared<Satellite>("ISS (ZARYA)", 25544);
    struct Case {
        double duration;
        const char* text;
    };
    const Case cases[] = {{59.9, "0m 59s"}, {60, "1m 00s"},     {605.9, "10m 05s"},
                          {3600, "60m 00s"}, {0, "0m 00s"},     {719.999, "11m 59s"}};
    for (const auto& c : cases) {
        const PassInfo info(iss, makePass(Date(), c.duration, 0, 0, 0), std::nullopt);
        EXPECT_EQ(info.durationString(), c.text) << c.duration;
    }
    EXPECT_EQ(PassInfo(iss, makePass(Date(), 1e300, 0, 0, 0), std::nullopt).durationString(), "0m 00s");

    const PassInfo info(iss, makePass(Date(), 600, 200, 20, 45.06), std::nullopt);
    EXPECT_EQ(info.maxElString(), "45.1\u00b0");
    EXPECT_EQ(info.directionString(), "SSW \u2192 NNE");
    EXPECT_EQ(PassInfo(iss, makePass(Date(), 600, 0, 0, 90), std::nullopt).maxElString(), "90.0\u00b0");
    EXPECT_EQ(info.satName(), "ISS (ZARYA)");
    EXPECT_EQ(info.noradId(), 25544);
    EXPECT_FALSE(info.transmitter);

    // Each summary is its own value.
    const PassInfo again(iss, info.pass, Transmitter(145.8e6, std::nullopt, std::nullopt, "FM", "", "down"));
    EXPECT_NE(again.id, info.id);
    EXPECT_EQ(again.id.size(), 36u);
    EXPECT_EQ(again.transmitter->freq, 145.8e6);

    auto sun = std::make_shared<Satellite>("Sun", -1);
    EXPECT_EQ(PassInfo(sun, info.pass, std::nullopt).noradId(), -1);
}

TEST(PassInfo, UtcAndLocalTimes)
{
    auto moon = std::make_shared<Satellite>("Moon", -2);
    const PassInfo info(moon, makePass(at(2024, 3, 9, 23, 59, 30.75), 61.5, 0, 0, 0), std::nullopt);
    EXPECT_EQ(info.riseTimeUTC(), "23:59:30 UTC");
    EXPECT_EQ(info.peakTimeUTC(), "00:00:01 UTC");
    EXPECT_EQ(info.setTimeUTC(), "00:00:32 UTC");
    {
        ZoneGuard zone("ZLV-2"); // two hours ahead of UTC
        EXPECT_EQ(info.riseTimeLocal(), "01:59:30");
        EXPECT_EQ(info.setTimeLocal(), "02:00:32");
    }
    {
        ZoneGuard zone("ZLV+5:30"); // five and a half hours behind
        EXPECT_EQ(info.riseTimeLocal(), "18:29:30");
        EXPECT_EQ(info.peakTimeLocal(), "18:30:01");
    }
    {
        ZoneGuard zone("UTC0");
        EXPECT_EQ(info.riseTimeLocal(), "23:59:30");
    }
    // Before 1970 the clock still shows the second that has begun.
    EXPECT_EQ(formatTimeUTC(Date::fromNanosecondsSince1970(-1)), "23:59:59");
}

TEST(PassIdentity, SameSatelliteAndOverlappingTimesAreOnePass)
{
    const Date t0 = at(2026, 12, 10, 20, 17, 31);
    const PredictedPass base = makePass(t0, 600, 200, 20, 40);
    struct Case {
        const char* what;
        std::int64_t otherSatellite;
        PredictedPass other;
        bool same;
    };
    PredictedPass nudged = base;
    nudged.riseTime = t0.addingTimeInterval(14e-6);
    PredictedPass point = makePass(t0.addingTimeInterval(300), 0, 0, 0, 0);
    const Case cases[] = {
        {"rise moved by microseconds", 25544, nudged, true},
        {"rise moved by seconds", 25544, makePass(t0.addingTimeInterval(-4), 600, 200, 20, 40), true},
        {"a pass cut to nothing inside it", 25544, point, true},
        {"another satellite, same times", 43017, base, false},
        {"the next pass, starting at this set", 25544, makePass(t0.addingTimeInterval(600), 600, 0, 0, 0), false},
        {"an earlier pass ending at this rise", 25544, makePass(t0.addingTimeInterval(-600), 600, 0, 0, 0), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(samePass(25544, base, c.otherSatellite, c.other), c.same) << c.what;
        EXPECT_EQ(samePass(c.otherSatellite, c.other, 25544, base), c.same) << c.what << " (swapped)";
    }
}

} // namespace
} // namespace zelvane
