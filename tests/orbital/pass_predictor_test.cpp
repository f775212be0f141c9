#include "orbital/pass_predictor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "orbit_fixtures.h"
#include "orbital/sub_satellite.h"
#include "orbital/sun_moon.h"
#include "../support/thread_limit.h"

namespace zelvane {
namespace {

const Date origin = Date::fromNanosecondsSince1970(1'700'000'000'000'000'000);

double secondsFromOrigin(Date t)
{
    return t.timeIntervalSince(origin);
}

Date at(double secondsAfterOrigin)
{
    return origin.addingTimeInterval(secondsAfterOrigin);
}

// An elevation curve given as a function of seconds after `origin`. The
// azimuth runs with time so that the azimuth read at an instant tells which
// instant was observed.
PassPredictor curvePredictor(std::function<double(double)> elevation)
{
    return PassPredictor(
        [elevation = std::move(elevation)](Date t) -> std::optional<TopocentricResult> {
            const double s = secondsFromOrigin(t);
            return TopocentricResult{std::fmod(std::abs(s), 360.0), elevation(s), 1000.0 + s, -1.0};
        },
        10.0, 20.0, 0.0);
}

// Parabolic humps crossing the horizon at centre -/+ halfWidth, resting at
// -30 degrees far from every hump.
struct Hump {
    double center;
    double peak;
    double halfWidth;
};

std::function<double(double)> humps(std::vector<Hump> list)
{
    return [list = std::move(list)](double s) {
        double el = -30.0;
        for (const Hump& h : list) {
            const double x = (s - h.center) / h.halfWidth;
            el = std::max(el, h.peak * (1.0 - x * x));
        }
        return el;
    };
}

// A flat pass at `height` over (from, to], resting at `rest` elsewhere.
std::function<double(double)> box(double from, double to, double height, double rest = -1.5)
{
    return [=](double s) { return s > from && s <= to ? height : rest; };
}

TEST(PassPredictorTest, FindsRisePeakAndSetOfEachPassWhateverTheScanStepBeforeIt)
{
    // Steep humps are approached with 60 s steps, gentle ones with 10 s and
    // 20 s steps; the rise is the true crossing in every case.
    const std::vector<Hump> list = {
        {3000.0, 80.0, 120.0}, {7000.0, 40.0, 300.0}, {20000.0, 5.0, 900.0}, {40017.3, 60.0, 47.0}};
    const auto passes = curvePredictor(humps(list)).findPasses(origin, 24.0, 2.0);
    ASSERT_EQ(passes.size(), list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(i);
        const Hump& h = list[i];
        const PredictedPass& p = passes[i];
        EXPECT_NEAR(secondsFromOrigin(p.riseTime), h.center - h.halfWidth, 1e-3);
        EXPECT_NEAR(secondsFromOrigin(p.setTime), h.center + h.halfWidth, 1e-3);
        EXPECT_NEAR(secondsFromOrigin(p.peakTime), h.center, 0.1);
        EXPECT_NEAR(p.maxElevation, h.peak, 1e-3);
        EXPECT_NEAR(p.duration, p.setTime.timeIntervalSince(p.riseTime), 1e-9);
        EXPECT_NEAR(p.riseAzimuth, std::fmod(secondsFromOrigin(p.riseTime), 360.0), 1e-6);
        EXPECT_NEAR(p.setAzimuth, std::fmod(secondsFromOrigin(p.setTime), 360.0), 1e-6);
        EXPECT_NEAR(p.peakAzimuth, std::fmod(secondsFromOrigin(p.peakTime), 360.0), 1e-6);
        ASSERT_FALSE(p.trackPoints.empty());
        EXPECT_EQ(p.trackPoints.front().date, p.riseTime);
        EXPECT_EQ(p.trackPoints.back().date, p.setTime);
        EXPECT_TRUE(std::is_sorted(p.trackPoints.begin(), p.trackPoints.end(),
                                   [](const PassPoint& a, const PassPoint& b) { return a.date < b.date; }));
        for (const PassPoint& point : p.trackPoints) {
            EXPECT_GE(point.elevation, 0.0);
        }
    }
}

TEST(PassPredictorTest, RiseAfterACoarseStepIsTheTrueCrossing)
{
    // The resting elevation sets the scan's step before the rise (60, 20 or
    // 10 s); the object comes up at 1000.5 s, so the first sample that sees
    // it up lies 10 to 20 s after the crossing.
    for (const double rest : {-30.0, -5.0, -1.5}) {
        SCOPED_TRACE(rest);
        const auto passes =
            curvePredictor(box(1000.5, 1600.0, 20.0, rest)).findPasses(origin, 1.0, 2.0);
        ASSERT_EQ(passes.size(), 1u);
        EXPECT_NEAR(secondsFromOrigin(passes[0].riseTime), 1000.5, 1e-3);
        EXPECT_NEAR(passes[0].riseAzimuth, 1000.5 - 720.0, 1e-3);
    }
}

TEST(PassPredictorTest, PassUpAtStartGetsItsTrueRiseAndTheWholePassPeak)
{
    const struct {
        const char* label;
        Hump hump;
    } cases[] = {
        {"rising at the start", {100.0, 30.0, 400.0}},
        {"past its peak and below the minimum at the start", {-200.0, 30.0, 205.0}},
        {"high up at the start", {-50.0, 85.0, 900.0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto passes = curvePredictor(humps({c.hump})).findPasses(origin, 1.0, 2.0);
        ASSERT_EQ(passes.size(), 1u);
        const PredictedPass& p = passes[0];
        EXPECT_NEAR(secondsFromOrigin(p.riseTime), c.hump.center - c.hump.halfWidth, 1e-3);
        EXPECT_NEAR(p.riseAzimuth, std::fmod(std::abs(secondsFromOrigin(p.riseTime)), 360.0), 1e-3);
        EXPECT_NEAR(secondsFromOrigin(p.setTime), c.hump.center + c.hump.halfWidth, 1e-3);
        EXPECT_NEAR(secondsFromOrigin(p.peakTime), c.hump.center, 0.1);
        EXPECT_NEAR(p.maxElevation, c.hump.peak, 1e-3);
        ASSERT_FALSE(p.trackPoints.empty());
        EXPECT_EQ(p.trackPoints.front().date, p.riseTime);
    }
}

TEST(PassPredictorTest, ObjectUpThroughoutTheLookBackRisesTenSecondsBeforeTheStart)
{
    // Up for two hours before the start; the look-back decides.
    auto predictor = curvePredictor(box(-7200.0, 1800.0, 40.0, -20.0));
    predictor.setRiseLookBack(3600.0);
    auto passes = predictor.findPasses(origin, 1.0, 2.0);
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_EQ(passes[0].riseTime, at(-10.0));
    EXPECT_NEAR(secondsFromOrigin(passes[0].setTime), 1800.0, 1e-3);

    EXPECT_EQ(predictor.riseLookBack(), 3600.0);
    predictor.setRiseLookBack(3.0 * 3600.0);
    passes = predictor.findPasses(origin, 1.0, 2.0);
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_NEAR(secondsFromOrigin(passes[0].riseTime), -7200.0, 1e-3);
}

TEST(PassPredictorTest, PassStillUpAtTheEndSetsAtTheWindowEnd)
{
    // One hour window; the hump crosses up 100 s before its end.
    const auto passes =
        curvePredictor(humps({{3600.0 + 200.0, 30.0, 300.0}})).findPasses(origin, 1.0, 2.0);
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_EQ(passes[0].setTime, at(3600.0));
    EXPECT_NEAR(secondsFromOrigin(passes[0].riseTime), 3500.0, 1e-3);
    EXPECT_NEAR(passes[0].duration, 100.0, 1e-3);
}

TEST(PassPredictorTest, KeepsOnlyPassesHighAndLongEnough)
{
    struct Case {
        double from, to, height, minElevation;
        std::size_t expected;
    };
    const Case cases[] = {
        {1000.0, 1600.0, 2.0, 2.0, 1},     // maximum exactly the minimum
        {1000.0, 1600.0, 1.99, 2.0, 0},    // just below it
        {1000.0, 1600.0, 0.5, 0.0, 1},     // any pass above the horizon at minimum 0
        {1000.0, 1030.01, 10.0, 2.0, 1},   // just over 30 s
        {1000.0, 1029.99, 10.0, 2.0, 0},   // just under 30 s
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.to - c.from << " s at " << c.height);
        const auto passes =
            curvePredictor(box(c.from, c.to, c.height)).findPasses(origin, 1.0, c.minElevation);
        ASSERT_EQ(passes.size(), c.expected);
        if (c.expected == 1) {
            EXPECT_NEAR(passes[0].duration, c.to - c.from, 1e-3);
        }
    }
}

TEST(PassPredictorTest, ShallowDipKeepsOnePassDeepDipSplitsIt)
{
    struct Case {
        double dip;
        std::size_t expected;
    };
    for (const Case c : {Case{-0.5, 1}, Case{-1.0, 1}, Case{-1.5, 2}}) {
        SCOPED_TRACE(c.dip);
        const auto passes = curvePredictor([&](double s) {
                                if (s > 1280.0 && s <= 1320.0) {
                                    return c.dip;
                                }
                                return s > 1000.0 && s <= 1600.0 ? 20.0 : -30.0;
                            }).findPasses(origin, 1.0, 2.0);
        EXPECT_EQ(passes.size(), c.expected);
    }
}

// A pass already up at the start is judged by the same rule as one the scan
// walks into: a dip that stays at or above -1 degree is inside the pass, so
// every start within the pass gives the rise before the dip.
TEST(PassPredictorTest, APassWithAShallowDipRisesAtTheSameInstantFromEveryStart)
{
    // Up from 1000 s to 1600 s, low enough that the look-back walks in 10 s
    // steps, with a dip below the horizon from 1280 s to 1320 s and a low
    // approach above -1 degree before the rise.
    const auto curve = [](double dip) {
        return [dip](double s) {
            if (s > 1280.0 && s <= 1320.0) {
                return dip;
            }
            if (s > 1000.0 && s <= 1600.0) {
                return 0.8;
            }
            return s > 940.0 && s <= 1000.0 ? -0.5 : -30.0;
        };
    };
    const struct {
        const char* label;
        double dip;
        double start;  // seconds after origin
        double rise;   // expected
    } cases[] = {
        {"scanned into", -0.5, 0.0, 1000.0},
        {"started before the dip", -0.5, 1200.0, 1000.0},
        {"started after the dip", -0.5, 1400.0, 1000.0},
        {"started after a dip at exactly -1", -1.0, 1400.0, 1000.0},
        {"started after a deep dip: a pass of its own", -1.5, 1400.0, 1320.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto predictor = curvePredictor(curve(c.dip));
        predictor.setRiseLookBack(3600.0);
        const auto passes = predictor.findPasses(at(c.start), 1.0, 0.5);
        ASSERT_FALSE(passes.empty());
        EXPECT_NEAR(secondsFromOrigin(passes[0].riseTime), c.rise, 1e-3);
        EXPECT_NEAR(secondsFromOrigin(passes[0].setTime), 1600.0, 1e-3);
    }
}

TEST(PassPredictorTest, NothingToFindGivesNoPasses)
{
    const PassPredictor absent([](Date) { return std::optional<TopocentricResult>(); }, 0, 0, 0);
    EXPECT_TRUE(absent.findPasses(origin).empty());

    const auto alwaysUp = curvePredictor([](double) { return 45.0; });
    for (double hours : {0.0, -5.0, std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::quiet_NaN()}) {
        SCOPED_TRACE(hours);
        EXPECT_TRUE(alwaysUp.findPasses(origin, hours).empty());
    }
}

TEST(PassPredictorTest, TrackPointCountFollowsTheDuration)
{
    struct Case {
        double duration;
        std::size_t points;
    };
    for (const Case c : {Case{30.5, 21}, Case{255.0, 26}, Case{3000.0, 201}}) {
        SCOPED_TRACE(c.duration);
        const auto passes =
            curvePredictor(box(1000.0, 1000.0 + c.duration, 30.0)).findPasses(origin, 2.0, 2.0);
        ASSERT_EQ(passes.size(), 1u);
        const auto& track = passes[0].trackPoints;
        ASSERT_EQ(track.size(), c.points);
        EXPECT_EQ(track.front().date, passes[0].riseTime);
        EXPECT_EQ(track.back().date, passes[0].setTime);
        EXPECT_DOUBLE_EQ(track[1].range, 1000.0 + secondsFromOrigin(track[1].date));
        EXPECT_DOUBLE_EQ(track[1].rangeRate, -1.0);
    }
}

void expectSamePasses(const std::vector<PredictedPass>& a, const std::vector<PredictedPass>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].riseTime, b[i].riseTime);
        EXPECT_EQ(a[i].peakTime, b[i].peakTime);
        EXPECT_EQ(a[i].setTime, b[i].setTime);
        EXPECT_EQ(a[i].maxElevation, b[i].maxElevation);
        EXPECT_EQ(a[i].riseAzimuth, b[i].riseAzimuth);
        EXPECT_EQ(a[i].setAzimuth, b[i].setAzimuth);
        EXPECT_EQ(a[i].peakAzimuth, b[i].peakAzimuth);
        EXPECT_EQ(a[i].duration, b[i].duration);
        ASSERT_EQ(a[i].trackPoints.size(), b[i].trackPoints.size());
        for (std::size_t k = 0; k < a[i].trackPoints.size(); ++k) {
            EXPECT_EQ(a[i].trackPoints[k].date, b[i].trackPoints[k].date);
            EXPECT_EQ(a[i].trackPoints[k].elevation, b[i].trackPoints[k].elevation);
            EXPECT_EQ(a[i].trackPoints[k].azimuth, b[i].trackPoints[k].azimuth);
            EXPECT_EQ(a[i].trackPoints[k].range, b[i].trackPoints[k].range);
            EXPECT_EQ(a[i].trackPoints[k].rangeRate, b[i].trackPoints[k].rangeRate);
        }
    }
}

TEST(PassPredictorTest, StepArgumentChangesNothing)
{
    const auto predictor = curvePredictor(humps({{3000.0, 50.0, 200.0}, {9000.0, 10.0, 400.0}}));
    const auto reference = predictor.findPasses(origin, 6.0, 2.0, 30.0);
    ASSERT_EQ(reference.size(), 2u);
    for (double step : {1.0, 600.0, -4.0}) {
        expectSamePasses(predictor.findPasses(origin, 6.0, 2.0, step), reference);
    }
}

// Satellites (real SGP4 records) below.

struct BrutePass {
    double rise, set, peak, maxElevation;
};

// Every interval above the horizon sampled once a second.
std::vector<BrutePass> bruteForcePasses(const PassPredictor& predictor, Date start, double seconds)
{
    std::vector<BrutePass> out;
    std::optional<BrutePass> open;
    for (double s = 0.0; s < seconds; s += 1.0) {
        const auto look = predictor.observe(start.addingTimeInterval(s));
        const double el = look ? look->elevation : -90.0;
        if (el > 0.0) {
            if (!open) {
                open = BrutePass{s, s, s, el};
            }
            open->set = s;
            if (el > open->maxElevation) {
                open->maxElevation = el;
                open->peak = s;
            }
        } else if (open) {
            out.push_back(*open);
            open.reset();
        }
    }
    return out;
}

TEST(PassPredictorTest, SatellitePassesAgreeWithABruteForceScan)
{
    const auto rec = test::makeRecord(test::issElements());
    const Date start = test::recordEpoch(*rec);
    const PassPredictor predictor(std::shared_ptr<const SatRec>(rec), 51.5, -0.1, 50.0);

    const auto passes = predictor.findPasses(start, 24.0, 2.0);
    const auto brute = bruteForcePasses(predictor, start, 24.0 * 3600.0);
    ASSERT_GE(passes.size(), 3u);

    // Every predicted pass is one of the brute-force intervals, to the second.
    for (const PredictedPass& p : passes) {
        const double rise = p.riseTime.timeIntervalSince(start);
        const auto match = std::find_if(brute.begin(), brute.end(), [&](const BrutePass& b) {
            return std::abs(b.rise - rise) <= 1.0;
        });
        ASSERT_NE(match, brute.end()) << "rise at " << rise;
        // The brute-force samples bracket the crossings from inside.
        EXPECT_LE(rise, match->rise + 1e-6);
        EXPECT_GT(rise, match->rise - 1.0);
        const double set = p.setTime.timeIntervalSince(start);
        EXPECT_GE(set, match->set - 1e-6);
        EXPECT_LT(set, match->set + 1.0);
        EXPECT_NEAR(p.peakTime.timeIntervalSince(start), match->peak, 1.0);
        EXPECT_GE(p.maxElevation, match->maxElevation - 1e-6);
        EXPECT_NEAR(p.maxElevation, match->maxElevation, 0.05);
        EXPECT_GE(p.maxElevation, 2.0);
    }
    // And no clear pass is missed.
    for (const BrutePass& b : brute) {
        if (b.maxElevation >= 3.0 && b.set - b.rise >= 60.0) {
            EXPECT_TRUE(std::any_of(passes.begin(), passes.end(), [&](const PredictedPass& p) {
                return std::abs(p.riseTime.timeIntervalSince(start) - b.rise) <= 1.0;
            })) << "missed pass rising at " << b.rise;
        }
    }
}

TEST(PassPredictorTest, GeostationaryObjectNeverRisesOrNeverSets)
{
    test::MeanElements e;
    e.epochYear = 2024;
    e.epochDays = 100.25;
    e.inclination = 0.02;
    e.eccentricity = 0.0002;
    e.meanMotion = 1.00273791;
    const auto rec = test::makeRecord(e);
    const Date start = test::recordEpoch(*rec).addingTimeInterval(3600.0);
    const auto below = subSatellitePoint(*rec, start);
    ASSERT_TRUE(below);

    const double farSide = below->longitudeDeg > 0 ? below->longitudeDeg - 180.0
                                                   : below->longitudeDeg + 180.0;
    const PassPredictor hidden(std::shared_ptr<const SatRec>(rec), 0.0, farSide, 0.0);
    EXPECT_TRUE(hidden.findPasses(start).empty());

    const PassPredictor underneath(std::shared_ptr<const SatRec>(rec), 0.0, below->longitudeDeg, 0.0);
    const auto passes = underneath.findPasses(start);
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_NEAR(passes[0].riseTime.timeIntervalSince(start), -10.0, 1e-6);
    EXPECT_EQ(passes[0].setTime, start.addingTimeInterval(24.0 * 3600.0));
    EXPECT_NEAR(passes[0].duration, 24.0 * 3600.0 + 10.0, 1e-5);
    EXPECT_GT(passes[0].maxElevation, 85.0);
    EXPECT_EQ(passes[0].trackPoints.size(), 201u);
}

TEST(PassPredictorTest, ConcurrentSearchMatchesSerialSearch)
{
    std::vector<PassPredictor> predictors;
    std::vector<std::shared_ptr<SatRec>> records;
    for (int i = 0; i < 12; ++i) {
        test::MeanElements e = test::issElements();
        e.inclination = 8.0 * i + 3.0;
        e.raan = 29.0 * i;
        e.meanAnomaly = 31.0 * i;
        e.meanMotion = 14.2 + 0.13 * i;
        records.push_back(test::makeRecord(e));
        predictors.emplace_back(std::shared_ptr<const SatRec>(records.back()), 40.0, 10.0, 100.0);
    }
    // Two predictors share one record, as the tracking tick and the pass
    // search share a satellite's record.
    predictors.emplace_back(std::shared_ptr<const SatRec>(records[3]), -33.0, 151.0, 0.0);

    const Date start = test::recordEpoch(*records[0]);
    std::vector<std::vector<PredictedPass>> serial;
    for (const auto& p : predictors) {
        serial.push_back(p.findPasses(start, 12.0, 2.0));
    }
    for (unsigned threads : {1u, 3u, 0u, 64u}) {
        SCOPED_TRACE(threads);
        const auto parallel = findPassesForAll(predictors, start, 12.0, 2.0, threads);
        ASSERT_EQ(parallel.size(), serial.size());
        for (std::size_t i = 0; i < serial.size(); ++i) {
            expectSamePasses(parallel[i], serial[i]);
        }
    }
    EXPECT_TRUE(findPassesForAll({}, start).empty());
}

// Threads refused part-way (the first few started, then no more): the run
// ends with the error for its caller, every thread it started joined; the
// program is not ended. Each case runs in a child process of its own.
TEST(PassPredictorTest, ThreadsRefusedPartWayEndTheRunWithAnError)
{
    if (!test::canLimitThreads()) {
        GTEST_SKIP() << "no limit on threads can be set here";
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const long started : {0L, 1L, 2L}) {
        SCOPED_TRACE(started);
        EXPECT_EXIT(
            {
                alarm(60); // a hang fails the case rather than the whole run
                // Far more work than starting the threads takes: a helper
                // that ran out of work would end, and its place would let
                // one more start than the limit says.
                std::vector<PassPredictor> predictors;
                for (int i = 0; i < 2000; ++i) {
                    predictors.push_back(curvePredictor(humps({{600.0 + 3.0 * i, 40.0, 300.0}})));
                }
                if (!test::limitThreadsTo(started)) {
                    std::_Exit(3);
                }
                try {
                    findPassesForAll(predictors, origin, 2.0, 2.0, 8);
                } catch (const std::system_error& e) {
                    std::_Exit(e.code() == std::errc::resource_unavailable_try_again ? 0 : 1);
                }
                std::_Exit(2); // all of them started after all
            },
            ::testing::ExitedWithCode(0), "");
    }
}

TEST(PassPredictorTest, ObserverAltitudeIsKeptInKilometres)
{
    const PassPredictor p([](Date) { return std::optional<TopocentricResult>(); }, 1.0, 2.0, 1500.0);
    EXPECT_DOUBLE_EQ(p.obsAlt(), 1.5);
    EXPECT_DOUBLE_EQ(p.obsLat(), 1.0);
    EXPECT_DOUBLE_EQ(p.obsLon(), 2.0);
}

// A catalogue body as the program hands it to the predictor: it may carry
// an SGP4 record, and says where it stands through observe. Here the
// elevation follows a curve, so that it can stay up for hours.
struct CurveBody {
    std::shared_ptr<SatRec> satrec;
    std::function<double(double)> curve;
    std::optional<TopocentricResult> observe(Date at, double, double, double) const
    {
        const double s = secondsFromOrigin(at);
        return TopocentricResult{std::fmod(std::abs(s), 360.0), curve(s), 1000.0, -1.0};
    }
};

// A pass under way at the start is traced back one revolution of the
// body's record (the ISS's: about 5,496 s), or a day for a body without
// one (the Sun, the Moon): within that its true rise is found, beyond it
// the rise is put 10 s before the start.
TEST(PassPredictorTest, LookBackIsOneRevolutionForARecordAndADayOtherwise)
{
    const auto iss = test::makeRecord(test::issElements());
    struct Case {
        const char* name;
        bool record;
        double upSince; // seconds before the start
        double rise;    // expected, seconds after the start
    };
    const Case cases[] = {
        {"a record, up for an hour", true, 3600.0, -3600.0},
        {"a record, up for two hours", true, 7200.0, -10.0},
        {"no record, up for two hours", false, 7200.0, -7200.0},
        {"no record, up for 25 hours", false, 25.0 * 3600.0, -10.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto body = std::make_shared<CurveBody>();
        body->satrec = c.record ? iss : nullptr;
        body->curve = box(-c.upSince, 1800.0, 40.0, -20.0);
        const PassPredictor predictor(body, 10.0, 20.0, 0.0);
        const auto passes = predictor.findPasses(origin, 1.0, 2.0);
        ASSERT_EQ(passes.size(), 1u);
        EXPECT_NEAR(secondsFromOrigin(passes[0].riseTime), c.rise, 1e-3);
        EXPECT_NEAR(secondsFromOrigin(passes[0].setTime), 1800.0, 1e-3);
    }
}

TEST(PassPredictorTest, PassInProgressIsTheSameFromTwoStartsFiveMinutesApart)
{
    const auto rec = test::makeRecord(test::issElements());
    const Date epoch = test::recordEpoch(*rec);
    const PassPredictor predictor(std::shared_ptr<const SatRec>(rec), 51.5, -0.1, 50.0);
    const auto brute = bruteForcePasses(predictor, epoch, 24.0 * 3600.0);
    // A long pass, joined a minute after it rose.
    const auto longPass = std::find_if(brute.begin(), brute.end(), [](const BrutePass& b) {
        return b.rise > 0.0 && b.set - b.rise > 420.0;
    });
    ASSERT_NE(longPass, brute.end());
    const Date first = epoch.addingTimeInterval(longPass->rise + 60.0);
    const Date second = first.addingTimeInterval(300.0);

    const auto a = predictor.findPasses(first, 24.0, 2.0);
    const auto b = predictor.findPasses(second, 24.0, 2.0);
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    const PredictedPass& pa = a.front();
    const PredictedPass& pb = b.front();
    EXPECT_NEAR(pa.riseTime.timeIntervalSince(epoch), longPass->rise, 1.0) << "the brute-force rise";
    EXPECT_LE(pa.riseTime.timeIntervalSince(epoch), longPass->rise + 1e-6);
    EXPECT_NEAR(pb.riseTime.timeIntervalSince(pa.riseTime), 0.0, 1e-3);
    EXPECT_EQ(static_cast<std::int64_t>(std::floor(pa.riseTime.timeIntervalSince1970())),
              static_cast<std::int64_t>(std::floor(pb.riseTime.timeIntervalSince1970())));
    EXPECT_NEAR(pa.riseAzimuth, pb.riseAzimuth, 1e-3);
    EXPECT_NEAR(pa.maxElevation, pb.maxElevation, 1e-3);
    EXPECT_NEAR(pa.maxElevation, longPass->maxElevation, 0.05);
    EXPECT_NEAR(pa.peakTime.timeIntervalSince(pb.peakTime), 0.0, 0.2);
    EXPECT_NEAR(pa.setTime.timeIntervalSince(pb.setTime), 0.0, 1e-3);
    // The look angles at the rise are those of the true rise, not of the start.
    const auto riseLook = predictor.observe(pa.riseTime);
    ASSERT_TRUE(riseLook.has_value());
    EXPECT_NEAR(riseLook->elevation, 0.0, 0.01);
    EXPECT_NEAR(riseLook->azimuth, pa.riseAzimuth, 1e-9);
}

TEST(PassPredictorTest, TheSunUpAtTheStartRisesWhenItReallyRose)
{
    // London in March, searched from 14:00 UTC.
    const Date start = utcMidnight(2024, 3, 20)->addingTimeInterval(14.0 * 3600.0);
    const PassPredictor london([](Date t) -> std::optional<TopocentricResult> { return sunTopocentric(t, 51.5, -0.1); },
                               51.5, -0.1, 0.0);
    const auto passes = london.findPasses(start, 24.0, 2.0);
    ASSERT_FALSE(passes.empty());
    const auto brute = bruteForcePasses(london, start.addingTimeInterval(-12.0 * 3600.0), 24.0 * 3600.0);
    ASSERT_FALSE(brute.empty());
    const BrutePass& day = brute.front();
    ASSERT_LT(day.rise, 12.0 * 3600.0);
    ASSERT_GT(day.set, 12.0 * 3600.0) << "up at the start";
    EXPECT_NEAR(passes[0].riseTime.timeIntervalSince(start), day.rise - 12.0 * 3600.0, 1.0);
    EXPECT_NEAR(passes[0].setTime.timeIntervalSince(start), day.set - 12.0 * 3600.0, 1.0);
    EXPECT_NEAR(passes[0].maxElevation, day.maxElevation, 0.01);

    // Far north at midsummer the Sun never sets: nothing to find in 24 hours.
    const Date midsummer = utcMidnight(2024, 6, 21)->addingTimeInterval(12.0 * 3600.0);
    const PassPredictor north([](Date t) -> std::optional<TopocentricResult> { return sunTopocentric(t, 80.0, 15.0); },
                              80.0, 15.0, 0.0);
    const auto polar = north.findPasses(midsummer, 24.0, 2.0);
    ASSERT_EQ(polar.size(), 1u);
    EXPECT_EQ(polar[0].riseTime, midsummer.addingTimeInterval(-10.0));
}

} // namespace
} // namespace zelvane
