#pragma once

#include <optional>

class QGeoPositionInfo;

namespace zelvane::platform {

// One position reported by the system's location service.
struct LocationFix {
    double latitude = 0.0;  // degrees north
    double longitude = 0.0; // degrees east
    // Metres above the reference ellipsoid; absent when the fix is only
    // horizontal.
    std::optional<double> altitudeMeters;
};

// The system's location service, asked once: no updates are started and
// nothing waits for a fix. Main thread only.
namespace LocationService {

// The last position the system knows, read at once. Absent when the system
// offers no location source, when access is refused, or when no fix is
// known yet.
std::optional<LocationFix> lastKnownLocation();

// The fix carried by a position report; absent when the report holds no
// valid, finite coordinate within latitude -90..90 and longitude -180..180.
std::optional<LocationFix> fixFromPositionInfo(const QGeoPositionInfo& info);

} // namespace LocationService
} // namespace zelvane::platform
