#pragma once

#include <cstdint>
#include <numbers>

#include "orbital/date.h"

namespace zelvane {

// Earth and gravity constants of the propagator and of the geodetic
// routines. Exact literals: xke, tumin and j3oj2 are deliberately not
// derived from mu, the radius and j2/j3 (the derived values differ in the
// last digits, and the propagator is tuned to these).
namespace WGS84 {
inline constexpr double radiusEarthKm = 6378.137;
inline constexpr double mu = 398600.8;
inline constexpr double j2 = 0.00108262998905;
inline constexpr double j3 = -2.53215306e-06;
inline constexpr double j4 = -1.61098761e-06;
inline constexpr double xke = 0.07436691613317;
inline constexpr double tumin = 13.44683969695931;
inline constexpr double j3oj2 = -0.0023388905587420003;
inline constexpr double flattening = 0.0033528106647474805;
inline constexpr double e2 = 0.0066943799901413165;
} // namespace WGS84

inline constexpr double twoPi = 2.0 * std::numbers::pi;
inline constexpr double deg2rad = std::numbers::pi / 180.0;
inline constexpr double rad2deg = 180.0 / std::numbers::pi;
inline constexpr double minutesPerDay = 1440.0;
// Revolutions per day divided by this give radians per minute.
inline constexpr double xpdotp = 1440.0 / (2.0 * std::numbers::pi);

// A Julian date split into a day part and a fraction; jd + jdFrac is the date.
struct JulianDate {
    double jd = 0.0;
    double jdFrac = 0.0;
};

// Gregorian calendar fields to a split Julian date. The fields are not
// validated or normalised: a fraction of 1 or more stays in jdFrac.
JulianDate jday(std::int64_t year, std::int64_t mon, std::int64_t day, std::int64_t hr,
                std::int64_t minute, double sec);

// The split Julian date of an instant, taking UTC as UT1.
JulianDate jdayFromDate(Date date);

// The instant of a split Julian date (inverse of jdayFromDate).
Date dateFromJday(double jd, double jdFrac);

// Greenwich mean sidereal time (IAU-82) in radians, in [0, 2 pi), of the
// Julian date jd + jdFrac given as one number.
double gstime(double jdut1);

} // namespace zelvane
