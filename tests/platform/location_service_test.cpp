#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <QDateTime>
#include <QGeoCoordinate>
#include <QGeoPositionInfo>

#include "platform/location_service.h"

namespace zelvane::platform {
namespace {

QGeoPositionInfo reportAt(const QGeoCoordinate& coordinate)
{
    return QGeoPositionInfo(coordinate, QDateTime::currentDateTimeUtc());
}

TEST(LocationServiceTest, ThreeDimensionalFixKeepsItsAltitude)
{
    const auto fix = LocationService::fixFromPositionInfo(reportAt(QGeoCoordinate(51.5, -0.125, 35.0)));
    ASSERT_TRUE(fix.has_value());
    EXPECT_DOUBLE_EQ(fix->latitude, 51.5);
    EXPECT_DOUBLE_EQ(fix->longitude, -0.125);
    ASSERT_TRUE(fix->altitudeMeters.has_value());
    EXPECT_DOUBLE_EQ(*fix->altitudeMeters, 35.0);
}

TEST(LocationServiceTest, HorizontalFixHasNoAltitude)
{
    const auto fix = LocationService::fixFromPositionInfo(reportAt(QGeoCoordinate(-33.9, 151.2)));
    ASSERT_TRUE(fix.has_value());
    EXPECT_DOUBLE_EQ(fix->latitude, -33.9);
    EXPECT_FALSE(fix->altitudeMeters.has_value());
}

TEST(LocationServiceTest, ReportsWithoutAUsablePositionGiveNothing)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(LocationService::fixFromPositionInfo(QGeoPositionInfo()).has_value());
    EXPECT_FALSE(LocationService::fixFromPositionInfo(reportAt(QGeoCoordinate(nan, 10.0))).has_value());
    // Out of range: QGeoCoordinate itself calls these invalid.
    EXPECT_FALSE(LocationService::fixFromPositionInfo(reportAt(QGeoCoordinate(91.0, 10.0))).has_value());
    EXPECT_FALSE(LocationService::fixFromPositionInfo(reportAt(QGeoCoordinate(10.0, 181.0))).has_value());
}

TEST(LocationServiceTest, WithoutAFixNoLocationIsReported)
{
    // This machine has no positioning hardware and no location daemon: the
    // request must come back at once with nothing rather than a made-up
    // position.
    EXPECT_FALSE(LocationService::lastKnownLocation().has_value());
}

} // namespace
} // namespace zelvane::platform
