#include <gtest/gtest.h>

#include <cmath>

#include "orbital/earth.h"
#include "orbital/look_angles.h"

namespace zelvane {
namespace {

constexpr double kR = WGS84::radiusEarthKm;
constexpr double kOmega = 7.2921158553e-5;

TEST(ObserverPositionTest, KnownEllipsoidPoints)
{
    const Vec3 equator = observerECEF(0, 0, 0);
    EXPECT_DOUBLE_EQ(equator[0], kR);
    EXPECT_NEAR(equator[1], 0.0, 1e-12);
    EXPECT_NEAR(equator[2], 0.0, 1e-12);

    // Semi-minor axis of the ellipsoid: 6356.752314245 km.
    const Vec3 pole = observerECEF(90, 0, 0);
    EXPECT_NEAR(pole[2], 6356.752314245, 1e-6);

    // 45 N on the prime meridian: X 4517.590879 km, Z 4487.348409 km.
    const Vec3 mid = observerECEF(45, 0, 0);
    EXPECT_NEAR(mid[0], 4517.590879, 1e-6);
    EXPECT_NEAR(mid[2], 4487.348409, 1e-6);

    // Height is along the ellipsoid normal; east longitude turns towards +y.
    const Vec3 raised = observerECEF(0, 90, 1.5);
    EXPECT_NEAR(raised[0], 0.0, 1e-9);
    EXPECT_NEAR(raised[1], kR + 1.5, 1e-9);
}

TEST(LookAnglesTest, HandCheckedGeometry)
{
    struct Case {
        const char* what;
        Vec3 pos;
        Vec3 vel;
        double lat, lon, altKm, gmst;
        double az, el, range, rangeRate;
    };
    const double s2 = std::sqrt(2.0);
    // Observer on the equator at longitude 0 with gmst 0 sits at (R, 0, 0):
    // +x is up, +y east, +z north. With longitude 90 (or gmst 90 degrees)
    // the same station sits at (0, R, 0) and -x is east. The station moves
    // east with the Earth at omega R, towards a satellite standing due east.
    const Case cases[] = {
        {"overhead", {kR + 500, 0, 0}, {0, 0, 0}, 0, 0, 0, 0, -1, 90, 500, 0},
        {"north, 45 up, receding along x", {kR + 500, 0, 500}, {1, 0, 0}, 0, 0, 0, 0, 0, 45,
         500 * s2, 1 / s2},
        {"due east on the horizon", {kR, 800, 0}, {0, 0, 0}, 0, 0, 0, 0, 90, 0, 800,
         -kOmega * kR},
        {"due south on the horizon", {kR, 0, -800}, {0, 0, 0}, 0, 0, 0, 0, 180, 0, 800, 0},
        {"due west on the horizon, approaching", {kR, -800, 0}, {0, 2, 0}, 0, 0, 0, 0, 270, 0, 800,
         -(2 - kOmega * kR)},
        {"east through longitude", {-800, kR, 0}, {0, 0, 0}, 0, 90, 0, 0, 90, 0, 800, -kOmega * kR},
        {"east through sidereal angle", {-800, kR, 0}, {0, 0, 0}, 0, 0, 0, std::numbers::pi / 2, 90,
         0, 800, -kOmega * kR},
        {"station height reduces range", {kR + 500, 0, 0}, {0, 0, 0}, 0, 0, 0.25, 0, -1, 90, 499.75,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TopocentricResult r = temeToTopocentric(c.pos, c.vel, c.lat, c.lon, c.altKm, c.gmst);
        if (c.az >= 0) {
            EXPECT_NEAR(r.azimuth, c.az, 1e-9);
        }
        EXPECT_NEAR(r.elevation, c.el, 1e-9);
        EXPECT_NEAR(r.range, c.range, 1e-9);
        EXPECT_NEAR(r.rangeRate, c.rangeRate, 1e-9);
    }
}

TEST(LookAnglesTest, MidLatitudeStationSeesPointAlongItsNormal)
{
    // A point 1000 km along the ellipsoid normal of a mid-latitude station is
    // straight overhead (not along the geocentric direction).
    const double lat = 52.0, lon = 4.5, gmst = 1.234;
    const Vec3 higher = observerECEF(lat, lon, 1000.1);
    // Turn the Earth-fixed points into the TEME frame by gmst.
    const auto turn = [&](const Vec3& p) {
        return Vec3{p[0] * std::cos(gmst) - p[1] * std::sin(gmst),
                    p[0] * std::sin(gmst) + p[1] * std::cos(gmst), p[2]};
    };
    const Vec3 sat = turn(higher);
    const TopocentricResult r = temeToTopocentric(sat, {0, 0, 0}, lat, lon, 0.1, gmst);
    EXPECT_NEAR(r.elevation, 90.0, 1e-6);
    EXPECT_NEAR(r.range, 1000.0, 1e-9);

    // A satellite fixed to the rotating Earth (TEME velocity = omega x r) has
    // no range rate for any station.
    const Vec3 fixedVel{-kOmega * sat[1], kOmega * sat[0], 0.0};
    for (const double obsLat : {-60.0, 0.0, 35.0}) {
        const TopocentricResult f = temeToTopocentric(sat, fixedVel, obsLat, -120.0, 0.0, gmst);
        EXPECT_NEAR(f.rangeRate, 0.0, 1e-12);
    }
}

TEST(LookAnglesTest, AzimuthStaysInRangeAroundTheCompass)
{
    for (int deg = 0; deg < 360; deg += 15) {
        const double a = deg * deg2rad;
        // North is +z and east +y for the station at (R, 0, 0).
        const Vec3 pos{kR + 100.0, 1000.0 * std::sin(a), 1000.0 * std::cos(a)};
        const TopocentricResult r = temeToTopocentric(pos, {0, 0, 0}, 0, 0, 0, 0);
        EXPECT_GE(r.azimuth, 0.0);
        EXPECT_LT(r.azimuth, 360.0);
        EXPECT_NEAR(std::remainder(r.azimuth - deg, 360.0), 0.0, 1e-9) << deg;
    }
}

} // namespace
} // namespace zelvane
