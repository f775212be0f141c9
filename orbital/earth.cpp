#include "orbital/earth.h"

#include <cmath>

namespace zelvane {

JulianDate jday(std::int64_t year, std::int64_t mon, std::int64_t day, std::int64_t hr,
                std::int64_t minute, double sec)
{
    const double y = static_cast<double>(year);
    const double m = static_cast<double>(mon);
    const double jd = 367.0 * y - std::floor((7.0 * (y + std::floor((m + 9.0) / 12.0))) / 4.0) +
                      std::floor(275.0 * m / 9.0) + static_cast<double>(day) + 1721013.5;
    const double jdFrac =
        (sec + static_cast<double>(minute) * 60.0 + static_cast<double>(hr) * 3600.0) / 86400.0;
    return {jd, jdFrac};
}

JulianDate jdayFromDate(Date date)
{
    // Integer calendar split: this runs for every position evaluation.
    const UtcFields f = utcFields(date);
    const double sec = static_cast<double>(f.second) + static_cast<double>(f.nanosecond) / 1e9;
    return jday(f.year, f.month, f.day, f.hour, f.minute, sec);
}

Date dateFromJday(double jd, double jdFrac)
{
    // Julian date 2451545.0 is 2000-01-01 12:00:00 UTC, 946728000 s after 1970.
    // The day differences are taken separately to keep the fraction's precision.
    const double days = (jd - 2451545.0) + jdFrac;
    const Date j2000 = Date::fromNanosecondsSince1970(946'728'000LL * 1'000'000'000LL);
    return j2000.addingTimeInterval(days * 86400.0);
}

double gstime(double jdut1)
{
    const double tut1 = (jdut1 - 2451545.0) / 36525.0;
    double temp = (-6.2e-6 * tut1 * tut1 * tut1 + 0.093104 * tut1 * tut1) +
                  3164400184.812866 * tut1 + 67310.54841;
    // Seconds of time to radians: 360 degrees per 86400 s is 1/240 degree per second.
    temp = std::fmod(temp * deg2rad / 240.0, twoPi);
    if (temp < 0.0) {
        temp += twoPi;
    }
    return temp;
}

} // namespace zelvane
