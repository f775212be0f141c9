#include "platform/location_service.h"

#include <cmath>
#include <memory>

#include <QGeoCoordinate>
#include <QGeoPositionInfo>
#include <QGeoPositionInfoSource>

namespace zelvane::platform::LocationService {

std::optional<LocationFix> fixFromPositionInfo(const QGeoPositionInfo& info)
{
    if (!info.isValid()) {
        return std::nullopt;
    }
    const QGeoCoordinate coordinate = info.coordinate();
    if (!coordinate.isValid()) {
        return std::nullopt;
    }
    const double lat = coordinate.latitude();
    const double lon = coordinate.longitude();
    if (!std::isfinite(lat) || !std::isfinite(lon) || lat < -90.0 || lat > 90.0 || lon < -180.0
        || lon > 180.0) {
        return std::nullopt;
    }
    LocationFix fix;
    fix.latitude = lat;
    fix.longitude = lon;
    // A two-dimensional fix carries NaN as its altitude.
    if (coordinate.type() == QGeoCoordinate::Coordinate3D && std::isfinite(coordinate.altitude())) {
        fix.altitudeMeters = coordinate.altitude();
    }
    return fix;
}

std::optional<LocationFix> lastKnownLocation()
{
    // No parent: the source lives only for this one read.
    std::unique_ptr<QGeoPositionInfoSource> source(QGeoPositionInfoSource::createDefaultSource(nullptr));
    if (!source) {
        return std::nullopt;
    }
    if (source->error() == QGeoPositionInfoSource::AccessError) {
        return std::nullopt;
    }
    return fixFromPositionInfo(source->lastKnownPosition(false));
}

} // namespace zelvane::platform::LocationService
