#include "orbital/doppler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "orbit_fixtures.h"
#include "orbital/pass_predictor.h"

namespace zelvane {
namespace {

TEST(DopplerTest, ShiftSignAndSize)
{
    struct Case {
        double freq, rangeRate, shift;
    };
    // 100 MHz * 3 km/s / 299792.458 km/s = 1000.6922855944561 Hz.
    const Case cases[] = {
        {100e6, -3.0, 1000.6922855944561},
        {100e6, 3.0, -1000.6922855944561},
        {100e6, 0.0, 0.0},
        {0.0, 3.0, 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(DopplerCalc::compute(c.freq, c.rangeRate), c.shift, 1e-9);
    }
}

struct IssPass : testing::Test {
    static constexpr double lat = 51.5, lon = -0.1, altM = 50.0;
    static constexpr double freq = 437.8e6;
    std::shared_ptr<SatRec> rec = test::makeRecord(test::issElements());
    PredictedPass highest;

    void SetUp() override
    {
        const PassPredictor predictor(std::shared_ptr<const SatRec>(rec), lat, lon, altM);
        const auto passes = predictor.findPasses(test::recordEpoch(*rec), 24.0, 2.0);
        ASSERT_FALSE(passes.empty());
        highest = *std::max_element(passes.begin(), passes.end(), [](const auto& a, const auto& b) {
            return a.maxElevation < b.maxElevation;
        });
        ASSERT_GT(highest.maxElevation, 20.0);
    }
};

TEST_F(IssPass, ApproachingRaisesTheDownlinkAndRecedingLowersIt)
{
    const auto rising = DopplerCalc::computeFull(*rec, highest.riseTime, freq, lat, lon, altM);
    const auto setting = DopplerCalc::computeFull(*rec, highest.setTime, freq, lat, lon, altM);
    ASSERT_TRUE(rising && setting);
    EXPECT_LT(rising->rangeRateKmS, -3.0);
    EXPECT_GT(rising->dopplerShiftHz, 0.0);
    EXPECT_DOUBLE_EQ(rising->correctedFreqHz, freq + rising->dopplerShiftHz);
    EXPECT_GT(setting->rangeRateKmS, 3.0);
    EXPECT_LT(setting->dopplerShiftHz, 0.0);
    // At most v/c of the carrier: under 8 km/s.
    EXPECT_LT(rising->dopplerShiftHz, freq * 8.0 / DopplerCalc::speedOfLight);
}

TEST_F(IssPass, RateAtCulminationMatchesTheFlybyGeometry)
{
    // Passing a point at closest distance r with relative speed v, the range
    // rate changes at v^2 / r; the ISS moves at about 7.3-7.7 km/s relative
    // to a mid-latitude observer.
    const auto peak = DopplerCalc::computeFull(*rec, highest.peakTime, freq, lat, lon, altM);
    ASSERT_TRUE(peak);
    EXPECT_NEAR(peak->dopplerShiftHz, 0.0, freq * 0.05 / DopplerCalc::speedOfLight);
    const double expected = -freq * 7.5 * 7.5 / (DopplerCalc::speedOfLight * peak->rangeKm);
    EXPECT_NEAR(peak->dopplerRateHzPerSec, expected, std::abs(expected) * 0.1);

    // The rate is the slope of the shift.
    const auto before = DopplerCalc::computeFull(*rec, highest.peakTime.addingTimeInterval(-1.0), freq, lat, lon, altM);
    const auto after = DopplerCalc::computeFull(*rec, highest.peakTime.addingTimeInterval(1.0), freq, lat, lon, altM);
    EXPECT_NEAR(peak->dopplerRateHzPerSec, (after->dopplerShiftHz - before->dopplerShiftHz) / 2.0,
                std::abs(expected) * 0.01);
}

TEST_F(IssPass, RangeOverThePass)
{
    const DopplerRange range = DopplerCalc::dopplerRange(*rec, highest, freq, lat, lon, altM);
    EXPECT_GT(range.maxShift, 0.0);
    EXPECT_LT(range.minShift, 0.0);
    EXPECT_NEAR(range.maxShift, DopplerCalc::computeFull(*rec, highest.riseTime, freq, lat, lon, altM)->dopplerShiftHz,
                1.0);
    EXPECT_NEAR(range.minShift, DopplerCalc::computeFull(*rec, highest.setTime, freq, lat, lon, altM)->dopplerShiftHz,
                1.0);
    EXPECT_LT(range.peakRate, 0.0);

    PredictedPass instant = highest;
    instant.setTime = instant.riseTime;
    const DopplerRange single = DopplerCalc::dopplerRange(*rec, instant, freq, lat, lon, altM);
    EXPECT_EQ(single.minShift, single.maxShift);
}

TEST(DopplerTest, ReadingWhoseSecondPropagationFailsIsAbsent)
{
    // A heavily dragged orbit that decays within days; find the last instant
    // that still propagates, to the millisecond.
    test::MeanElements e = test::issElements();
    e.bstar = 0.05;
    const auto rec = test::makeRecord(e);
    const Date epoch = test::recordEpoch(*rec);
    double lo = 0.0;          // seconds after epoch that propagate
    double hi = 30.0 * 86400; // and that do not
    ASSERT_TRUE(sgp4(*rec, 0.0));
    ASSERT_FALSE(sgp4(*rec, hi / 60.0));
    while (hi - lo > 1e-3) {
        const double mid = lo + (hi - lo) / 2.0;
        (sgp4(*rec, minutesSinceEpoch(*rec, epoch.addingTimeInterval(mid))) ? lo : hi) = mid;
    }
    const Date last = epoch.addingTimeInterval(lo);
    ASSERT_TRUE(DopplerCalc::computeTopo(*rec, last, 0.0, 0.0, 0.0));
    ASSERT_FALSE(DopplerCalc::computeTopo(*rec, last.addingTimeInterval(0.5), 0.0, 0.0, 0.0));
    EXPECT_FALSE(DopplerCalc::computeFull(*rec, last, 145.8e6, 0.0, 0.0, 0.0));
    EXPECT_TRUE(DopplerCalc::computeFull(*rec, last.addingTimeInterval(-60.0), 145.8e6, 0.0, 0.0, 0.0));
}

TEST_F(IssPass, RecordThatCannotPropagateGivesNothing)
{
    const SatRec never;
    ASSERT_FALSE(sgp4(never, 0.0));
    EXPECT_FALSE(DopplerCalc::computeFull(never, highest.peakTime, freq, lat, lon, altM));
    const DopplerRange range = DopplerCalc::dopplerRange(never, highest, freq, lat, lon, altM);
    EXPECT_EQ(range.minShift, std::numeric_limits<double>::infinity());
    EXPECT_EQ(range.maxShift, -std::numeric_limits<double>::infinity());
    EXPECT_EQ(range.peakRate, 0.0);
}

} // namespace
} // namespace zelvane
