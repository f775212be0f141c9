#pragma once

// SGP4 records built straight from mean elements, so that the orbital tests
// need nothing beyond the orbital library.

#include <cmath>
#include <memory>

#include "orbital/date.h"
#include "orbital/earth.h"
#include "orbital/sgp4.h"

namespace zelvane::test {

struct MeanElements {
    std::int64_t epochYear = 2024;
    double epochDays = 1.0;
    double bstar = 0.0;
    double inclination = 0.0;   // degrees
    double raan = 0.0;          // degrees
    double eccentricity = 0.0;
    double argPerigee = 0.0;    // degrees
    double meanAnomaly = 0.0;   // degrees
    double meanMotion = 15.0;   // revolutions per day
};

inline std::shared_ptr<SatRec> makeRecord(const MeanElements& e)
{
    auto rec = std::make_shared<SatRec>();
    rec->satnum = 99999;
    rec->epochyr = e.epochYear % 100;
    rec->epochdays = e.epochDays;
    rec->bstar = e.bstar;
    rec->inclo = e.inclination * deg2rad;
    rec->nodeo = e.raan * deg2rad;
    rec->ecco = e.eccentricity;
    rec->argpo = e.argPerigee * deg2rad;
    rec->mo = e.meanAnomaly * deg2rad;
    rec->no_kozai = e.meanMotion / xpdotp;
    const double whole = std::trunc(e.epochDays);
    const auto midnight = utcMidnight(e.epochYear, 1, static_cast<std::int64_t>(whole));
    const UtcFields f = utcFields(*midnight);
    const JulianDate jd = jday(f.year, f.month, f.day, 0, 0, 0.0);
    rec->jdsatepoch = jd.jd;
    rec->jdsatepochF = jd.jdFrac + (e.epochDays - whole);
    rec->operationmode = 'i';
    const double a = std::pow(WGS84::xke / rec->no_kozai, 2.0 / 3.0);
    rec->isimp = (a * (1.0 - e.eccentricity) - 1.0) * WGS84::radiusEarthKm < 220.0 ? 1 : 0;
    sgp4init(*rec);
    return rec;
}

// The epoch of a record as an instant.
inline Date recordEpoch(const SatRec& rec)
{
    return dateFromJday(rec.jdsatepoch, rec.jdsatepochF);
}

// The well-known ISS element set of 2008-09-20.
inline MeanElements issElements()
{
    MeanElements e;
    e.epochYear = 2008;
    e.epochDays = 264.51782528;
    e.bstar = -0.11606e-4;
    e.inclination = 51.6416;
    e.raan = 247.4627;
    e.eccentricity = 0.0006703;
    e.argPerigee = 130.5360;
    e.meanAnomaly = 325.0288;
    e.meanMotion = 15.72125391;
    return e;
}

} // namespace zelvane::test
