#include "orbital/sun_moon.h"

#include <gtest/gtest.h>

#include <cmath>

#include "orbital/earth.h"

namespace zelvane {
namespace {

Date utc(int y, int mo, int d, int h, int mi, double s = 0.0)
{
    return utcMidnight(y, mo, d)->addingTimeInterval(h * 3600.0 + mi * 60.0 + s);
}

TEST(SunMoonTest, Wrap360)
{
    EXPECT_DOUBLE_EQ(celestial::wrap360(-30.0), 330.0);
    EXPECT_DOUBLE_EQ(celestial::wrap360(720.0), 0.0);
    EXPECT_DOUBLE_EQ(celestial::wrap360(370.0), 10.0);
    EXPECT_DOUBLE_EQ(celestial::wrap360(-720.0), 0.0);
}

// Published positions: a worked example of the standard astronomical
// algorithms text (apparent place, given in dynamical time, here taken back
// to UTC by 59 s), and the equinox and solstice instants of the almanac.
TEST(SunMoonTest, SunAgreesWithPublishedPositions)
{
    struct Case {
        Date at;
        double raDeg, decDeg;
    };
    const Case cases[] = {
        {utc(1992, 10, 12, 23, 59, 1.0), 198.38083, -7.78361},
        {utc(2024, 3, 20, 3, 6), 0.0, 0.0},     // March equinox
        {utc(2024, 6, 20, 20, 51), 90.0, 23.4393}, // June solstice
        {utc(2024, 12, 21, 9, 20), 270.0, -23.4393}, // December solstice
    };
    for (const Case& c : cases) {
        const auto sun = celestial::sunEquatorial(c.at);
        double ra = sun.ra * rad2deg;
        if (c.raDeg == 0.0 && ra > 180.0) {
            ra -= 360.0;
        }
        EXPECT_NEAR(ra, c.raDeg, 0.02);
        EXPECT_NEAR(sun.dec * rad2deg, c.decDeg, 0.01);
    }
    // Distance 0.99760775 AU in the example; perihelion 2024 at 147,100,632 km;
    // the theory holds the distance to about 0.0001 AU.
    EXPECT_NEAR(celestial::sunEquatorial(utc(1992, 10, 12, 23, 59, 1.0)).distanceKm,
                0.99760775 * 149597870.7, 15000.0); // 0.0001 AU
    EXPECT_NEAR(celestial::sunEquatorial(utc(2024, 1, 3, 0, 39)).distanceKm, 147100632.0, 15000.0);
}

TEST(SunMoonTest, MoonAgreesWithPublishedPosition)
{
    // The worked lunar example: 1992-04-12 0h dynamical time.
    const auto moon = celestial::moonEquatorial(utc(1992, 4, 11, 23, 59, 1.0));
    EXPECT_NEAR(moon.ra * rad2deg, 134.688470, 0.2);
    EXPECT_NEAR(moon.dec * rad2deg, 13.768368, 0.2);
    EXPECT_NEAR(moon.distanceKm, 368409.7, 500.0);

    // New Moon of the total solar eclipse, 2024-04-08 18:21 UTC: the Moon
    // stands next to the Sun.
    const Date newMoon = utc(2024, 4, 8, 18, 21);
    const auto m = celestial::moonEquatorial(newMoon);
    const auto s = celestial::sunEquatorial(newMoon);
    EXPECT_NEAR(m.ra * rad2deg, s.ra * rad2deg, 0.5);
    EXPECT_NEAR(m.dec * rad2deg, s.dec * rad2deg, 0.5);
}

TEST(SunMoonTest, ObserverBelowTheBodySeesItOverheadAndTheAntipodeBelow)
{
    const Date when = utc(2024, 6, 20, 20, 51);
    struct Body {
        SubSatellitePoint (*below)(Date);
        TopocentricResult (*look)(Date, double, double);
    };
    for (const Body body : {Body{sunSubPoint, sunTopocentric}, Body{moonSubPoint, moonTopocentric}}) {
        const SubSatellitePoint p = body.below(when);
        EXPECT_GT(body.look(when, p.latitudeDeg, p.longitudeDeg).elevation, 89.99);
        const double antiLon = p.longitudeDeg > 0 ? p.longitudeDeg - 180.0 : p.longitudeDeg + 180.0;
        EXPECT_LT(body.look(when, -p.latitudeDeg, antiLon).elevation, -89.99);
    }
    const auto sun = sunSubPoint(when);
    EXPECT_NEAR(sun.latitudeDeg, 23.4393, 0.01);
    EXPECT_NEAR(sun.altitudeKm, celestial::sunEquatorial(when).distanceKm, 1e-6);
}

TEST(SunMoonTest, LookAnglesPointTheRightWay)
{
    // Mid-morning in London in June: the Sun is up in the south-east;
    // local midnight: it is down in the north.
    const auto morning = sunTopocentric(utc(2024, 6, 21, 9, 0), 51.5, -0.1);
    EXPECT_GT(morning.elevation, 40.0);
    EXPECT_GT(morning.azimuth, 100.0);
    EXPECT_LT(morning.azimuth, 150.0);
    const auto night = sunTopocentric(utc(2024, 6, 21, 0, 0), 51.5, -0.1);
    EXPECT_LT(night.elevation, -10.0);
    EXPECT_TRUE(night.azimuth < 20.0 || night.azimuth > 340.0);
}

TEST(SunMoonTest, RangesAndRatesAndCoordinatesStayInTheirDomains)
{
    for (int day = 0; day < 400; day += 7) {
        const Date when = utc(2023, 1, 1 + day, (day * 5) % 24, 17);
        for (const auto& pos : {celestial::sunEquatorial(when), celestial::moonEquatorial(when)}) {
            EXPECT_GE(pos.ra, 0.0);
            EXPECT_LT(pos.ra, twoPi);
        }
        for (const auto& p : {sunSubPoint(when), moonSubPoint(when)}) {
            EXPECT_GE(p.longitudeDeg, -180.0);
            EXPECT_LE(p.longitudeDeg, 180.0);
        }
        for (const auto& look : {sunTopocentric(when, -35.0, 140.0), moonTopocentric(when, 60.0, -20.0)}) {
            EXPECT_EQ(look.rangeRate, 0.0);
            EXPECT_GE(look.azimuth, 0.0);
            EXPECT_LT(look.azimuth, 360.0);
        }
        const double sunKm = sunTopocentric(when, 0, 0).range;
        EXPECT_GE(sunKm, (1.00014 - 0.01671 - 0.00014) * 149597870.7 - 1.0);
        EXPECT_LE(sunKm, (1.00014 + 0.01671 - 0.00014) * 149597870.7 + 1.0);
        const double moonKm = moonTopocentric(when, 0, 0).range;
        EXPECT_GT(moonKm, 356000.0);
        EXPECT_LT(moonKm, 407000.0);
    }
}

} // namespace
} // namespace zelvane
