#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "orbital/date.h"
#include "orbital/earth.h"
#include "orbital/vec3.h"

namespace zelvane {

// The gravity model the propagator runs with. Everything the initialisation
// and propagation derive from the Earth's radius and gravity comes from here,
// so that a record can be run with the WGS-72 set of the published test data.
struct GravityConstants {
    double radiusEarthKm = WGS84::radiusEarthKm;
    double xke = WGS84::xke;
    double j2 = WGS84::j2;
    double j3 = WGS84::j3;
    double j4 = WGS84::j4;
    double j3oj2 = WGS84::j3oj2;

    // The default set (the WGS84 constants).
    static GravityConstants wgs84();
    // The published WGS-72 set.
    static GravityConstants wgs72();
};

// The SGP4 record of one satellite: mean elements at epoch, the coefficients
// derived from them once by sgp4init, and the error code of the last
// operation. Angles are radians, rates radians per minute, distances Earth
// radii, times minutes since epoch.
//
// The record is shared between threads once built. Only `t` and `error`
// change afterwards (every propagation writes them); they are atomics so that
// concurrent propagations of one record do not race, and they sit on their
// own cache line so that those writes do not disturb the readers of the
// coefficients.
class SatRec {
public:
    GravityConstants gravity = GravityConstants::wgs84();

    std::int64_t satnum = 0;
    std::int64_t epochyr = 0;
    double epochdays = 0.0;
    double ndot = 0.0;
    double nddot = 0.0;
    double bstar = 0.0;
    double inclo = 0.0;
    double nodeo = 0.0;
    double ecco = 0.0;
    double argpo = 0.0;
    double mo = 0.0;
    double no_kozai = 0.0;
    double a = 0.0;
    double alta = 0.0;
    double altp = 0.0;
    double jdsatepoch = 0.0;
    double jdsatepochF = 0.0;
    double no_unkozai = 0.0;
    std::int64_t isimp = 0;
    char method = 'n';
    double aycof = 0.0;
    double con41 = 0.0;
    double cc1 = 0.0;
    double cc4 = 0.0;
    double cc5 = 0.0;
    double d2 = 0.0;
    double d3 = 0.0;
    double d4 = 0.0;
    double delmo = 0.0;
    double eta = 0.0;
    double argpdot = 0.0;
    double omgcof = 0.0;
    double sinmao = 0.0;
    double t2cof = 0.0;
    double t3cof = 0.0;
    double t4cof = 0.0;
    double t5cof = 0.0;
    double x1mth2 = 0.0;
    double x7thm1 = 0.0;
    double mdot = 0.0;
    double nodedot = 0.0;
    double xlcof = 0.0;
    double xmcof = 0.0;
    double nodecf = 0.0;

    // Deep-space theory: records of long period are only marked as such and
    // propagated with the near-Earth formulas, so these keep their defaults
    // apart from the integrator start values set by dsInit.
    std::int64_t irez = 0;
    double d2201 = 0.0, d2211 = 0.0, d3210 = 0.0, d3222 = 0.0, d4410 = 0.0;
    double d4422 = 0.0, d5220 = 0.0, d5232 = 0.0, d5421 = 0.0, d5433 = 0.0;
    double dedt = 0.0;
    double del1 = 0.0, del2 = 0.0, del3 = 0.0;
    double didt = 0.0;
    double dmdt = 0.0;
    double dnodt = 0.0;
    double domdt = 0.0;
    double e3 = 0.0, ee2 = 0.0, peo = 0.0, pgho = 0.0, pho = 0.0, pinco = 0.0, plo = 0.0;
    double se2 = 0.0, se3 = 0.0, sgh2 = 0.0, sgh3 = 0.0, sgh4 = 0.0, sh2 = 0.0, sh3 = 0.0;
    double si2 = 0.0, si3 = 0.0, sl2 = 0.0, sl3 = 0.0, sl4 = 0.0;
    double gsto = 0.0;
    double xfact = 0.0, xgh2 = 0.0, xgh3 = 0.0, xgh4 = 0.0, xh2 = 0.0, xh3 = 0.0, xi2 = 0.0;
    double xi3 = 0.0, xl2 = 0.0, xl3 = 0.0, xl4 = 0.0, xlamo = 0.0, zmol = 0.0, zmos = 0.0;
    double atime = 0.0;
    double xli = 0.0;
    double xni = 0.0;

    char operationmode = 'i';
    bool initDone = false;

    // Constant parts of every propagation, kept by sgp4init so that they are
    // not recomputed per call: sin and cos of the inclination, and the
    // semi-major axis (Earth radii) from the un-Kozai'd mean motion.
    double sinio = 0.0;
    double cosio = 0.0;
    double ao = 0.0;

    // Minutes since epoch of the last propagation, and the error code of the
    // last operation: 0 none, 1 eccentricity out of range, 2 mean motion not
    // positive, 4 negative semi-latus rectum, 6 decayed.
    alignas(64) mutable std::atomic<double> t{0.0};
    mutable std::atomic<std::int64_t> error{0};

    SatRec() = default;
    SatRec(const SatRec&) = delete;
    SatRec& operator=(const SatRec&) = delete;
};

// Position (km) and velocity (km/s) in the TEME frame.
struct SGP4Result {
    Vec3 position{};
    Vec3 velocity{};
};

// Derives every coefficient of the propagation from the record's mean
// elements and gravity set, then propagates once to the epoch.
void sgp4init(SatRec& satrec);

// Start values of the deep-space integrator; cosio, sinio and eosq are
// accepted for the call's shape and not used.
void dsInit(SatRec& satrec, double cosio, double sinio, double eosq);

// State tsince minutes after the record's epoch, or absent when it cannot be
// computed (the reason is left in `error`). Writes only `t` and `error`, and
// allocates nothing; safe to call on one record from several threads.
std::optional<SGP4Result> sgp4(const SatRec& satrec, double tsince);

// Minutes from the record's epoch to the instant.
double minutesSinceEpoch(const SatRec& satrec, Date date);
// The same minutes from a Julian date already split from the instant, so a
// caller that also needs the sidereal time splits the instant only once.
double minutesSinceEpoch(const SatRec& satrec, const JulianDate& jd);

} // namespace zelvane
