#pragma once

#include <vector>

#include "orbital/date.h"

namespace zelvane {

// One sample of a pass track as the observer sees it.
struct PassPoint {
    Date date;
    double azimuth = 0.0;    // degrees, 0..360 from north through east
    double elevation = 0.0;  // degrees; never below 0 in a predicted track
    double range = 0.0;      // km
    double rangeRate = 0.0;  // km/s, positive while the distance grows
};

// One pass of one object over one observer site.
struct PredictedPass {
    Date riseTime;
    Date peakTime;
    // The refined loss of signal, or the end of the search window for a
    // pass still up when the window closes.
    Date setTime;
    double maxElevation = 0.0;  // degrees, observed at peakTime
    double riseAzimuth = 0.0;   // degrees, observed at riseTime
    double setAzimuth = 0.0;    // degrees, observed at setTime
    double peakAzimuth = 0.0;   // degrees, observed at peakTime
    double duration = 0.0;      // seconds, setTime - riseTime
    std::vector<PassPoint> trackPoints;  // rise to set, in time order
};

} // namespace zelvane
