#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "orbital/earth.h"
#include "orbital/sgp4.h"
#include "orbital/sgp4_constants.h"

namespace zelvane {
namespace {

struct Elements {
    double inclinationDeg = 51.6;
    double eccentricity = 0.001;
    double meanMotionRevPerDay = 15.5;
    double bstar = 1e-4;
    double argPerigeeDeg = 90.0;
    double meanAnomalyDeg = 30.0;
    double raanDeg = 120.0;
};

// A record filled the way the element-set builder fills it, epoch
// 2024-01-01 12:00 UTC.
std::unique_ptr<SatRec> initialised(const Elements& e,
                                    const GravityConstants& g = GravityConstants::wgs84())
{
    auto rec = std::make_unique<SatRec>();
    rec->gravity = g;
    rec->satnum = 99999;
    rec->epochyr = 24;
    rec->epochdays = 1.5;
    rec->bstar = e.bstar;
    rec->inclo = e.inclinationDeg * deg2rad;
    rec->nodeo = e.raanDeg * deg2rad;
    rec->ecco = e.eccentricity;
    rec->argpo = e.argPerigeeDeg * deg2rad;
    rec->mo = e.meanAnomalyDeg * deg2rad;
    rec->no_kozai = e.meanMotionRevPerDay / xpdotp;
    rec->jdsatepoch = 2460310.5;
    rec->jdsatepochF = 0.5;
    sgp4init(*rec);
    return rec;
}

// Mean motion (rev/day) of an orbit whose perigee, computed from the mean
// motion as given (Kozai form), lies at the given height.
double meanMotionForKozaiPerigee(double perigeeKm, double e)
{
    const double a = (WGS84::radiusEarthKm + perigeeKm) / (1.0 - e) / WGS84::radiusEarthKm;
    return WGS84::xke / std::pow(a, 1.5) * xpdotp;
}

TEST(SGP4ConstantsTest, DefaultSetGivesTheFamiliarLiterals)
{
    const SGP4DerivedConstants k = deriveSGP4Constants(GravityConstants::wgs84());
    EXPECT_EQ(k.threeQuarterJ2, 0.0008119724917875);
    EXPECT_EQ(k.threeEighthsJ2, 0.00040598624589375);
    EXPECT_EQ(k.threeHalvesJ2, 0.001623944983575);
    EXPECT_EQ(k.halfJ2, 0.000541314994525);
    EXPECT_EQ(k.j4Term, 7.551504421875001e-07);
    EXPECT_EQ(k.aycofTerm, 0.0011694452793710002);
    EXPECT_EQ(k.xlcofTerm, 0.0005847226396855001);
    EXPECT_EQ(k.sfour, 1.0122292763545218);
    EXPECT_EQ(k.qzms24, 1.8802768006108976e-09);
    EXPECT_EQ(k.velocityKmPerSec, 7.905372989414474);

    const GravityConstants w72 = GravityConstants::wgs72();
    EXPECT_EQ(w72.radiusEarthKm, 6378.135);
    EXPECT_NEAR(w72.xke, 0.0743669161331734, 1e-15);
    EXPECT_DOUBLE_EQ(w72.j3oj2, -0.00000253881 / 0.001082616);
}

TEST(SGP4InitTest, FreshRecordDefaults)
{
    const SatRec rec;
    EXPECT_EQ(rec.method, 'n');
    EXPECT_EQ(rec.operationmode, 'i');
    EXPECT_FALSE(rec.initDone);
    EXPECT_EQ(rec.no_unkozai, 0.0);
    EXPECT_EQ(rec.error.load(), 0);
    EXPECT_EQ(rec.t.load(), 0.0);
}

TEST(SGP4InitTest, InitialisedRecordIsReadyAtEpoch)
{
    const auto rec = initialised({});
    EXPECT_TRUE(rec->initDone);
    EXPECT_EQ(rec->t.load(), 0.0);
    EXPECT_EQ(rec->error.load(), 0);
    EXPECT_EQ(rec->method, 'n');
    EXPECT_EQ(rec->gsto, gstime(2460310.5 + 0.5));
    EXPECT_GT(rec->no_unkozai, 0.0);
    // The un-Kozai'd mean motion differs slightly from the one of the set.
    EXPECT_NE(rec->no_unkozai, rec->no_kozai);
    EXPECT_NEAR(rec->no_unkozai / rec->no_kozai, 1.0, 1e-3);
}

TEST(SGP4InitTest, LongPeriodOrbitsAreMarkedDeepSpaceWithoutDeepSpaceTerms)
{
    // 224 and 226 minute periods either side of the 225 minute limit.
    const auto shorter = initialised({.eccentricity = 0.01, .meanMotionRevPerDay = 1440.0 / 224.0});
    EXPECT_LT(twoPi / shorter->no_unkozai, 225.0);
    EXPECT_EQ(shorter->method, 'n');

    const auto molniya = initialised({.inclinationDeg = 63.4, .eccentricity = 0.7,
                                      .meanMotionRevPerDay = 2.0, .bstar = 1e-4,
                                      .argPerigeeDeg = 270.0});
    EXPECT_EQ(molniya->method, 'd');
    EXPECT_EQ(molniya->irez, 0);
    EXPECT_EQ(molniya->atime, 0.0);
    EXPECT_EQ(molniya->xli, 0.0);
    EXPECT_EQ(molniya->xni, molniya->no_unkozai);
    for (double v : {molniya->dedt, molniya->didt, molniya->dmdt, molniya->dnodt, molniya->domdt,
                     molniya->d2201, molniya->xlamo, molniya->zmos, molniya->se2}) {
        EXPECT_EQ(v, 0.0);
    }
    // No higher drag terms, whatever the perigee.
    for (double v : {molniya->d2, molniya->d3, molniya->d4, molniya->t3cof, molniya->t4cof,
                     molniya->t5cof}) {
        EXPECT_EQ(v, 0.0);
    }
    EXPECT_TRUE(sgp4(*molniya, 600.0).has_value());
}

TEST(SGP4InitTest, SimplifiedDragIsDecidedOnTheUnKozaiOrbit)
{
    struct Case {
        double kozaiPerigeeKm;
        double inclinationDeg;
        std::int64_t isimp;
    };
    // Near 220 km the perigee from the un-Kozai'd mean motion differs from the
    // one from the mean motion as given by several km; only the former counts.
    const Case cases[] = {
        {218.0, 0.0, 0},   // un-Kozai'd perigee about 224.7 km
        {222.0, 98.0, 1},  // un-Kozai'd perigee about 218.9 km
        {400.0, 51.6, 0},
        {150.0, 51.6, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kozaiPerigeeKm << " km, " << c.inclinationDeg << " deg");
        const auto rec = initialised({.inclinationDeg = c.inclinationDeg, .eccentricity = 0.001,
                                      .meanMotionRevPerDay = meanMotionForKozaiPerigee(c.kozaiPerigeeKm, 0.001)});
        EXPECT_EQ(rec->isimp, c.isimp);
        EXPECT_EQ(rec->isimp, rec->altp * WGS84::radiusEarthKm < 220.0 ? 1 : 0);
        if (rec->isimp == 1) {
            for (double v : {rec->d2, rec->d3, rec->d4, rec->t3cof, rec->t4cof, rec->t5cof}) {
                EXPECT_EQ(v, 0.0);
            }
        } else {
            EXPECT_NE(rec->d2, 0.0);
            EXPECT_NE(rec->t5cof, 0.0);
        }
    }
}

TEST(SGP4InitTest, ThresholdsAreInclusiveOnTheLongSide)
{
    // Mean motions (radians per minute, from the element set) that land exactly
    // on a threshold after the Kozai correction is removed: a period of exactly
    // 225 minutes is deep-space, and a perigee radius of exactly 220 km above
    // the surface is not simplified drag; one step lower in the perigee is.
    struct Case {
        double noKozai;
        double eccentricity;
        char method;
        std::int64_t isimp;
        bool onPeriodLimit;
        bool onPerigeeLimit;
    };
    const Case cases[] = {
        {0x1.c98b1f1ca5eedp-6, 0.01, 'd', 0, true, false},
        {0x1.2119ac47bcbcp-4, 0.001, 'n', 0, false, true},
        {0x1.2119ac47bcbc2p-4, 0.001, 'n', 1, false, false},
    };
    const double perigeeLimit = 220.0 / WGS84::radiusEarthKm + 1.0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.noKozai);
        const auto rec = initialised({.eccentricity = c.eccentricity});
        rec->no_kozai = c.noKozai;
        sgp4init(*rec);
        ASSERT_EQ(twoPi / rec->no_unkozai == 225.0, c.onPeriodLimit);
        ASSERT_EQ(rec->altp + 1.0 == perigeeLimit, c.onPerigeeLimit);
        EXPECT_EQ(rec->method, c.method);
        EXPECT_EQ(rec->isimp, c.isimp);
    }
}

TEST(SGP4InitTest, DensityReferenceAltitudeFollowsLowPerigees)
{
    // The drag reference radius is not kept, but eta = ao e / (ao - sfour)
    // gives it back: sfour = ao - ao e / eta.
    struct Case {
        double perigeeKm;
        double expectedSfourKm; // above the surface
    };
    const Case cases[] = {{300.0, 78.0}, {160.0, 78.0}, {120.0, 42.0}, {90.0, 20.0}};
    const double e = 0.01;
    const double radius = WGS84::radiusEarthKm;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.perigeeKm);
        const auto rec = initialised({.eccentricity = e,
                                      .meanMotionRevPerDay = meanMotionForKozaiPerigee(c.perigeeKm, e)});
        const double ao = std::pow(WGS84::xke / rec->no_unkozai, 2.0 / 3.0);
        const double sfour = ao - ao * e / rec->eta;
        const double perigee = rec->altp * radius;
        const double expected =
            perigee >= 156.0 ? 78.0 : (perigee < 98.0 ? 20.0 : perigee - 78.0);
        EXPECT_NEAR((sfour - 1.0) * radius, expected, 1e-6);
        EXPECT_NEAR(expected, c.expectedSfourKm, 5.0);
    }
}

TEST(SGP4InitTest, NearCircularAndRetrogradeEdgeCoefficients)
{
    const auto circular = initialised({.eccentricity = 1e-4});
    EXPECT_EQ(circular->omgcof, 0.0);
    EXPECT_EQ(circular->xmcof, 0.0);

    const auto slightly = initialised({.eccentricity = 2e-4});
    EXPECT_NE(slightly->omgcof, 0.0);
    EXPECT_NE(slightly->xmcof, 0.0);

    const auto retrograde = initialised({.inclinationDeg = 180.0});
    EXPECT_TRUE(std::isfinite(retrograde->xlcof));
    EXPECT_TRUE(sgp4(*retrograde, 90.0).has_value());
}

TEST(SGP4PropagationTest, EpochStateAndBookkeeping)
{
    const auto rec = initialised({.eccentricity = 0.0});
    const auto atEpoch = sgp4(*rec, 0.0);
    ASSERT_TRUE(atEpoch.has_value());
    EXPECT_EQ(rec->t.load(), 0.0);
    EXPECT_EQ(rec->error.load(), 0);
    const double r = std::hypot(atEpoch->position[0], atEpoch->position[1], atEpoch->position[2]);
    const double v = std::hypot(atEpoch->velocity[0], atEpoch->velocity[1], atEpoch->velocity[2]);
    EXPECT_NEAR(r, 6790.0, 40.0);  // about 410 km up
    EXPECT_NEAR(v, 7.66, 0.05);

    const auto before = sgp4(*rec, -30.0);
    ASSERT_TRUE(before.has_value());
    EXPECT_EQ(rec->t.load(), -30.0);
}

TEST(SGP4PropagationTest, UnusableRecordsGiveNoPosition)
{
    // Never initialised: zero mean motion.
    const SatRec blank;
    EXPECT_FALSE(sgp4(blank, 0.0).has_value());
    EXPECT_EQ(blank.error.load(), 2);

    // Mean motion 0 from the element set.
    const auto zero = initialised({.meanMotionRevPerDay = 0.0});
    EXPECT_FALSE(sgp4(*zero, 10.0).has_value());
    EXPECT_EQ(zero->error.load(), 2);

    // A negative mean motion makes the coefficients not-a-number; it must be
    // refused rather than handed out as a position.
    const auto negative = initialised({.meanMotionRevPerDay = -15.0});
    EXPECT_FALSE(sgp4(*negative, 10.0).has_value());
    EXPECT_EQ(negative->error.load(), 2);

    // Heavy drag: the orbit decays, then no position at all.
    const auto decaying = initialised({.eccentricity = 0.001,
                                       .meanMotionRevPerDay = meanMotionForKozaiPerigee(150.0, 0.001),
                                       .bstar = 0.5});
    EXPECT_TRUE(sgp4(*decaying, 1.0).has_value());
    bool stopped = false;
    for (double t = 0.0; t < 20000.0 && !stopped; t += 10.0) {
        stopped = !sgp4(*decaying, t).has_value();
    }
    EXPECT_TRUE(stopped);
    EXPECT_NE(decaying->error.load(), 0);
    // After a failure the record still propagates to other times.
    EXPECT_TRUE(sgp4(*decaying, 1.0).has_value());
    EXPECT_EQ(decaying->error.load(), 0);
}

TEST(SGP4PropagationTest, EccentricityAfterDragLimits)
{
    // Without drag the eccentricity after drag is the record's own.
    struct Case {
        double eccentricity;
        bool positioned;
        std::int64_t error;
    };
    const Case cases[] = {
        {-0.001, true, 0},
        {std::nextafter(-0.001, -1.0), false, 1},
        {1.0, false, 1},
        {std::numeric_limits<double>::quiet_NaN(), false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.eccentricity);
        const auto rec = initialised({.eccentricity = 0.001, .bstar = 0.0});
        rec->ecco = c.eccentricity;
        EXPECT_EQ(sgp4(*rec, 10.0).has_value(), c.positioned);
        EXPECT_EQ(rec->error.load(), c.error);
    }
}

TEST(SGP4PropagationTest, HighlyEccentricOrbitsSolveKeplerConsistently)
{
    // At e = 0.99 an unlimited Newton step from E = M overshoots wildly; the
    // states must still satisfy the orbit: radius within the perigee/apogee
    // band, and velocity matching the change of position.
    const double e = 0.99;
    const double a = 150.0; // Earth radii, perigee 1.5 radii
    const double meanMotion = WGS84::xke / std::pow(a, 1.5) * xpdotp;
    const double radius = WGS84::radiusEarthKm;
    for (double m0 : {0.5, 2.0, 5.0, 20.0, 60.0, 180.0, 300.0, 355.0, 359.5}) {
        SCOPED_TRACE(m0);
        const auto rec = initialised({.inclinationDeg = 30.0, .eccentricity = e,
                                      .meanMotionRevPerDay = meanMotion, .bstar = 0.0,
                                      .argPerigeeDeg = 45.0, .meanAnomalyDeg = m0});
        const double dt = 1e-4; // minutes
        const auto s1 = sgp4(*rec, 0.0);
        const auto s2 = sgp4(*rec, dt);
        ASSERT_TRUE(s1 && s2);
        const double r = std::hypot(s1->position[0], s1->position[1], s1->position[2]);
        EXPECT_GT(r, 0.95 * a * (1.0 - e) * radius);
        EXPECT_LT(r, 1.05 * a * (1.0 + e) * radius);
        for (std::size_t i = 0; i < 3; ++i) {
            const double fd = (s2->position[i] - s1->position[i]) / (dt * 60.0);
            const double mean = 0.5 * (s1->velocity[i] + s2->velocity[i]);
            EXPECT_NEAR(fd, mean, 1e-3 + 1e-3 * std::fabs(mean));
        }
    }
}

TEST(SGP4PropagationTest, MinutesSinceEpoch)
{
    const auto rec = initialised({});
    const Date epoch = *utcMidnight(2024, 1, 1);
    const Date epochNoon = epoch.addingTimeInterval(43200.0);
    EXPECT_NEAR(minutesSinceEpoch(*rec, epochNoon), 0.0, 1e-9);
    EXPECT_NEAR(minutesSinceEpoch(*rec, epochNoon.addingTimeInterval(86400.0)), 1440.0, 1e-9);
    EXPECT_NEAR(minutesSinceEpoch(*rec, epochNoon.addingTimeInterval(-90.0)), -1.5, 1e-9);
}

TEST(SatRecConcurrencyTest, OneRecordPropagatedFromSeveralThreads)
{
    const auto rec = initialised({});
    constexpr int kSamples = 2000;
    std::vector<SGP4Result> expected(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        expected[static_cast<std::size_t>(i)] = *sgp4(*rec, i * 0.75);
    }

    constexpr int kThreads = 6;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int n = 0; n < kThreads; ++n) {
        threads.emplace_back([&, n] {
            for (int round = 0; round < 5; ++round) {
                for (int i = 0; i < kSamples; ++i) {
                    // Each thread walks the samples in its own order.
                    const int k = (i * 7 + n * 311) % kSamples;
                    const auto r = sgp4(*rec, k * 0.75);
                    const auto& want = expected[static_cast<std::size_t>(k)];
                    if (!r || r->position != want.position || r->velocity != want.velocity) {
                        ++mismatches[static_cast<std::size_t>(n)];
                    }
                    (void)rec->t.load(std::memory_order_relaxed);
                    (void)rec->error.load(std::memory_order_relaxed);
                }
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    for (int n = 0; n < kThreads; ++n) {
        EXPECT_EQ(mismatches[static_cast<std::size_t>(n)], 0) << "thread " << n;
    }
}

} // namespace
} // namespace zelvane
