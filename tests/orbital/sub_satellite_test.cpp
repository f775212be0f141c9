#include "orbital/sub_satellite.h"

#include <gtest/gtest.h>

#include <cmath>

#include "orbit_fixtures.h"
#include "orbital/angles.h"
#include "orbital/earth.h"
#include "orbital/look_angles.h"

namespace zelvane {
namespace {

constexpr double polarRadiusKm = 6356.752314245179; // a * sqrt(1 - e2)

// The inertial position of an Earth-fixed one when the Earth has turned by gmst.
Vec3 toTeme(const Vec3& ecef, double gmst)
{
    return {std::cos(gmst) * ecef[0] - std::sin(gmst) * ecef[1],
            std::sin(gmst) * ecef[0] + std::cos(gmst) * ecef[1], ecef[2]};
}

TEST(SubSatelliteTest, RecoversTheGeodeticPointOfAnEarthFixedPosition)
{
    struct Case {
        double lat, lon, alt, gmst;
    };
    const Case cases[] = {
        {0.0, 0.0, 621.863, 0.0},     {45.0, 30.0, 500.0, 1.0},    {-60.0, -120.0, 800.0, 4.0},
        {89.999, 10.0, 400.0, 2.5},   {-89.9999, -75.0, 35786.0, 6.0}, {12.5, 179.9, 1200.0, 0.3},
        {-30.0, -179.9, 300.0, 3.3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lat << "," << c.lon << "," << c.alt);
        const auto p = subPointFromTeme(toTeme(observerECEF(c.lat, c.lon, c.alt), c.gmst), c.gmst);
        EXPECT_NEAR(p.latitudeDeg, c.lat, 1e-7);
        EXPECT_NEAR(p.longitudeDeg, c.lon, 1e-7);
        EXPECT_NEAR(p.altitudeKm, c.alt, 1e-6);
    }
}

TEST(SubSatelliteTest, HeightStaysRightDirectlyOverAPole)
{
    for (double sign : {1.0, -1.0}) {
        for (double offAxis : {0.0, 1e-12, 1e-7}) {
            SCOPED_TRACE(testing::Message() << sign << " " << offAxis);
            const auto p = subPointFromTeme({offAxis, 0.0, sign * 7000.0}, 0.7);
            EXPECT_NEAR(p.latitudeDeg, sign * 90.0, 1e-6);
            EXPECT_NEAR(p.altitudeKm, 7000.0 - polarRadiusKm, 1e-6);
        }
    }
}

TEST(SubSatelliteTest, LongitudeStaysWithinTheMapAtTheAntimeridian)
{
    const auto west = subPointFromTeme({-7000.0, -1e-3, 0.0}, 0.0);
    const auto east = subPointFromTeme({-7000.0, 1e-3, 0.0}, 0.0);
    EXPECT_NEAR(west.longitudeDeg, -180.0, 1e-4);
    EXPECT_NEAR(east.longitudeDeg, 180.0, 1e-4);
    EXPECT_DOUBLE_EQ(subPointFromTeme({7000.0, 0.0, 0.0}, 0.0).altitudeKm, 7000.0 - WGS84::radiusEarthKm);
    for (double g = 0.0; g < twoPi; g += 0.37) {
        const double lon = subPointFromTeme({-7000.0, 5.0, 100.0}, g).longitudeDeg;
        EXPECT_GE(lon, -180.0);
        EXPECT_LE(lon, 180.0);
    }
}

TEST(SubSatelliteTest, SatelliteRecordGivesItsPointOrNothing)
{
    const auto rec = test::makeRecord(test::issElements());
    const auto p = subSatellitePoint(*rec, test::recordEpoch(*rec));
    ASSERT_TRUE(p);
    EXPECT_LT(std::abs(p->latitudeDeg), 52.0);
    EXPECT_GT(p->altitudeKm, 300.0);
    EXPECT_LT(p->altitudeKm, 420.0);

    const SatRec never; // never initialised: cannot be propagated
    ASSERT_FALSE(sgp4(never, 0.0));
    EXPECT_FALSE(subSatellitePoint(never, test::recordEpoch(*rec)));
}

} // namespace
} // namespace zelvane

TEST(LongitudeNormalisationTest, BringsAnyFiniteValueIntoRangeWithoutLooping)
{
    using zelvane::normalizeLongitude;
    struct Case {
        double in, out;
    };
    const Case cases[] = {{180.0, 180.0}, {-180.0, -180.0}, {181.0, -179.0}, {-181.0, 179.0},
                          {540.0, 180.0}, {725.0, 5.0}, {-725.0, -5.0}, {0.0, 0.0}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(normalizeLongitude(c.in), c.out) << c.in;
    }
    // A huge value must finish (a subtract-360 loop would never change it).
    const double huge = normalizeLongitude(1e300);
    EXPECT_GE(huge, -180.0);
    EXPECT_LE(huge, 180.0);
    EXPECT_TRUE(std::isnan(normalizeLongitude(std::nan(""))));
}
