#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "orbital/date.h"

namespace zelvane {

// One element set of one Earth satellite, held by value.
struct TLEData {
    std::string name;
    std::int64_t noradId = 0;
    std::string line1;
    std::string line2;
    std::int64_t epochYear = 0;   // four digits
    double epochDays = 0.0;       // 1.0 = 1 January 00:00 UTC
    double bstar = 0.0;           // per Earth radius
    double inclination = 0.0;     // degrees
    double raan = 0.0;            // degrees
    double eccentricity = 0.0;
    double argPerigee = 0.0;      // degrees
    double meanAnomaly = 0.0;     // degrees
    double meanMotion = 0.0;      // revolutions per day
    std::int64_t revNumber = 0;
    // Source keys: empty, one key, or several sorted keys joined by ",".
    std::string source;

    // The epoch as an instant; absent when epochDays is not finite or the
    // date cannot be formed.
    std::optional<Date> epochDate() const;
    // Days from the epoch to now (the program's clock); negative for a
    // future epoch.
    std::optional<double> ageDays() const;
    // "?", "5h", "3.4d" or "27d".
    std::string ageString() const;
};

} // namespace zelvane
