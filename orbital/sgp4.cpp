#include "orbital/sgp4.h"

#include <cmath>

#include "orbital/sgp4_constants.h"

namespace zelvane {

namespace {
constexpr double kTwoThirds = 2.0 / 3.0;

double fourthPower(double x)
{
    return x * x * x * x;
}
} // namespace

GravityConstants GravityConstants::wgs84()
{
    return GravityConstants{WGS84::radiusEarthKm, WGS84::xke, WGS84::j2,
                            WGS84::j3,            WGS84::j4,  WGS84::j3oj2};
}

GravityConstants GravityConstants::wgs72()
{
    constexpr double radius = 6378.135;
    constexpr double mu = 398600.8;
    constexpr double j2 = 0.001082616;
    constexpr double j3 = -0.00000253881;
    constexpr double j4 = -0.00000165597;
    return GravityConstants{radius, 60.0 / std::sqrt(radius * radius * radius / mu), j2, j3, j4,
                            j3 / j2};
}

SGP4DerivedConstants deriveSGP4Constants(const GravityConstants& g)
{
    SGP4DerivedConstants d{};
    d.threeQuarterJ2 = 0.75 * g.j2;
    d.threeEighthsJ2 = 0.375 * g.j2;
    d.threeHalvesJ2 = 1.5 * g.j2;
    d.halfJ2 = 0.5 * g.j2;
    d.j4Term = -0.46875 * g.j4;
    d.aycofTerm = -0.5 * g.j3oj2;
    d.xlcofTerm = -0.25 * g.j3oj2;
    d.sfour = 78.0 / g.radiusEarthKm + 1.0;
    d.qzms24 = fourthPower((120.0 - 78.0) / g.radiusEarthKm);
    d.simplifiedDragRadius = 220.0 / g.radiusEarthKm + 1.0;
    d.velocityKmPerSec = g.radiusEarthKm * g.xke / 60.0;
    return d;
}

void dsInit(SatRec& satrec, double /*cosio*/, double /*sinio*/, double /*eosq*/)
{
    // Long-period orbits are propagated with the near-Earth formulas; only the
    // integrator's start values are kept so that the record reads consistently.
    satrec.irez = 0;
    satrec.atime = 0.0;
    satrec.xli = 0.0;
    satrec.xni = satrec.no_unkozai;
}

void sgp4init(SatRec& satrec)
{
    const GravityConstants& g = satrec.gravity;
    const SGP4DerivedConstants k = deriveSGP4Constants(g);
    const double radius = g.radiusEarthKm;

    satrec.initDone = false;
    satrec.error.store(0, std::memory_order_relaxed);
    satrec.method = 'n';

    const double e = satrec.ecco;
    const double cosio = std::cos(satrec.inclo);
    const double sinio = std::sin(satrec.inclo);
    const double cosio2 = cosio * cosio;
    satrec.x1mth2 = 1.0 - cosio2;
    satrec.x7thm1 = 7.0 * cosio2 - 1.0;
    satrec.con41 = 3.0 * cosio2 - 1.0;

    // Recover the original mean motion from the Kozai mean motion of the set.
    const double omeosq = 1.0 - e * e;
    const double rteosq = std::sqrt(omeosq);
    const double ak = std::pow(g.xke / satrec.no_kozai, kTwoThirds);
    const double d1 = k.threeQuarterJ2 * (3.0 * cosio2 - 1.0) / (rteosq * omeosq);
    double del = d1 / (ak * ak);
    const double adel = ak * (1.0 - del * del - del * (1.0 / 3.0 + 134.0 * del * del / 81.0));
    del = d1 / (adel * adel);
    satrec.no_unkozai = satrec.no_kozai / (1.0 + del);

    const double ao = std::pow(g.xke / satrec.no_unkozai, kTwoThirds);
    satrec.sinio = sinio;
    satrec.cosio = cosio;
    satrec.ao = ao;
    const double po = ao * omeosq;
    const double con42 = 1.0 - 5.0 * cosio2;

    satrec.aycof = k.aycofTerm * sinio;
    // At an inclination of 180 degrees 1 + cos i vanishes; a tiny divisor keeps
    // the coefficient finite.
    const double xlcofDivisor = std::fabs(cosio + 1.0) > 1.5e-12 ? (1.0 + cosio) : 1.5e-12;
    satrec.xlcof = k.xlcofTerm * sinio * (3.0 + 5.0 * cosio) / xlcofDivisor;

    if (twoPi / satrec.no_unkozai >= 225.0) {
        satrec.method = 'd';
    }

    // Simplified drag below 220 km perigee, judged on the un-Kozai'd orbit.
    const double rp = ao * (1.0 - e);
    satrec.isimp = rp < k.simplifiedDragRadius ? 1 : 0;

    satrec.alta = ao * (1.0 + e) - 1.0;
    satrec.altp = rp - 1.0;
    const double perige = satrec.altp * radius;

    // Atmospheric density parameters; the reference altitude drops for low perigees.
    double sfour = k.sfour;
    double qzms24 = k.qzms24;
    if (perige < 156.0) {
        sfour = perige - 78.0;
        if (perige < 98.0) {
            sfour = 20.0;
        }
        qzms24 = fourthPower((120.0 - sfour) / radius);
        sfour = sfour / radius + 1.0;
    }

    const double pinvsq = 1.0 / (po * po);
    const double tsi = 1.0 / (ao - sfour);
    satrec.eta = ao * e * tsi;
    const double etasq = satrec.eta * satrec.eta;
    const double eeta = e * satrec.eta;
    const double psisq = std::fabs(1.0 - etasq);
    const double coef = qzms24 * std::pow(tsi, 4.0);
    const double coef1 = coef / std::pow(psisq, 3.5);

    const double cc2 =
        coef1 * satrec.no_unkozai *
        (ao * (1.0 + 1.5 * etasq + eeta * (4.0 + etasq)) +
         k.threeEighthsJ2 * tsi / psisq * satrec.con41 * (8.0 + 3.0 * etasq * (8.0 + etasq)));
    satrec.cc1 = satrec.bstar * cc2;

    double cc3 = 0.0;
    if (e > 1.0e-4) {
        cc3 = -2.0 * coef * tsi * g.j3oj2 * satrec.no_unkozai * sinio / e;
    }

    satrec.cc4 =
        2.0 * satrec.no_unkozai * coef1 * ao * omeosq *
        (satrec.eta * (2.0 + 0.5 * etasq) + e * (0.5 + 2.0 * etasq) -
         g.j2 * tsi / (ao * psisq) *
             (-3.0 * satrec.con41 * (1.0 - 2.0 * eeta + etasq * (1.5 - 0.5 * eeta)) +
              0.75 * satrec.x1mth2 * (2.0 * etasq - eeta * (1.0 + etasq)) *
                  std::cos(2.0 * satrec.argpo)));
    satrec.cc5 = 2.0 * coef1 * ao * omeosq * (1.0 + 2.75 * (etasq + eeta) + eeta * etasq);

    const double cosio4 = cosio2 * cosio2;
    const double temp1 = k.threeHalvesJ2 * pinvsq * satrec.no_unkozai;
    const double temp2 = 0.5 * temp1 * g.j2 * pinvsq;
    const double temp3 = k.j4Term * pinvsq * pinvsq * satrec.no_unkozai;
    satrec.mdot = satrec.no_unkozai + 0.5 * temp1 * rteosq * satrec.con41 +
                  0.0625 * temp2 * rteosq * (13.0 - 78.0 * cosio2 + 137.0 * cosio4);
    satrec.argpdot = -0.5 * temp1 * con42 + 0.0625 * temp2 * (7.0 - 114.0 * cosio2 + 395.0 * cosio4) +
                     temp3 * (3.0 - 36.0 * cosio2 + 49.0 * cosio4);
    const double xhdot1 = -temp1 * cosio;
    satrec.nodedot =
        xhdot1 + (0.5 * temp2 * (4.0 - 19.0 * cosio2) + 2.0 * temp3 * (3.0 - 7.0 * cosio2)) * cosio;

    satrec.omgcof = satrec.bstar * cc3 * std::cos(satrec.argpo);
    satrec.xmcof = 0.0;
    if (e > 1.0e-4) {
        satrec.xmcof = -kTwoThirds * coef * satrec.bstar / eeta;
    }
    satrec.nodecf = 3.5 * omeosq * xhdot1 * satrec.cc1;
    satrec.t2cof = 1.5 * satrec.cc1;

    const double delmoBase = 1.0 + satrec.eta * std::cos(satrec.mo);
    satrec.delmo = delmoBase * delmoBase * delmoBase;
    satrec.sinmao = std::sin(satrec.mo);

    satrec.d2 = satrec.d3 = satrec.d4 = 0.0;
    satrec.t3cof = satrec.t4cof = satrec.t5cof = 0.0;
    if (satrec.method == 'n' && satrec.isimp != 1) {
        const double cc1sq = satrec.cc1 * satrec.cc1;
        satrec.d2 = 4.0 * ao * tsi * cc1sq;
        const double temp = satrec.d2 * tsi * satrec.cc1 / 3.0;
        satrec.d3 = (17.0 * ao + sfour) * temp;
        satrec.d4 = 0.5 * temp * ao * tsi * (221.0 * ao + 31.0 * sfour) * satrec.cc1;
        satrec.t3cof = satrec.d2 + 2.0 * cc1sq;
        satrec.t4cof = 0.25 * (3.0 * satrec.d3 + satrec.cc1 * (12.0 * satrec.d2 + 10.0 * cc1sq));
        satrec.t5cof = 0.2 * (3.0 * satrec.d4 + 12.0 * satrec.cc1 * satrec.d3 +
                              6.0 * satrec.d2 * satrec.d2 + 15.0 * cc1sq * (2.0 * satrec.d2 + cc1sq));
    }

    if (satrec.method == 'd') {
        dsInit(satrec, cosio, sinio, omeosq);
    }

    satrec.gsto = gstime(satrec.jdsatepoch + satrec.jdsatepochF);

    satrec.initDone = true;
    satrec.t.store(0.0, std::memory_order_relaxed);
    (void)sgp4(satrec, 0.0);
}

std::optional<SGP4Result> sgp4(const SatRec& satrec, double tsince)
{
    // Relaxed stores: nothing is ordered by these fields; they only record the
    // outcome of the last call for inspection.
    satrec.t.store(tsince, std::memory_order_relaxed);
    satrec.error.store(0, std::memory_order_relaxed);
    const auto fail = [&satrec](std::int64_t code) -> std::optional<SGP4Result> {
        satrec.error.store(code, std::memory_order_relaxed);
        return std::nullopt;
    };

    const GravityConstants& g = satrec.gravity;
    const double t = tsince;

    // Secular gravity and atmospheric drag.
    const double xmdf = satrec.mo + satrec.mdot * t;
    const double argpdf = satrec.argpo + satrec.argpdot * t;
    const double nodedf = satrec.nodeo + satrec.nodedot * t;
    double argpm = argpdf;
    double mm = xmdf;
    const double t2 = t * t;
    double nodem = nodedf + satrec.nodecf * t2;
    double tempa = 1.0 - satrec.cc1 * t;
    double tempe = satrec.bstar * satrec.cc4 * t;
    double templ = satrec.t2cof * t2;

    if (satrec.isimp != 1) {
        const double delomg = satrec.omgcof * t;
        const double delmtemp = 1.0 + satrec.eta * std::cos(xmdf);
        const double delm = satrec.xmcof * (delmtemp * delmtemp * delmtemp - satrec.delmo);
        const double temp = delomg + delm;
        mm = xmdf + temp;
        argpm = argpdf - temp;
        const double t3 = t2 * t;
        const double t4 = t3 * t;
        tempa = tempa - satrec.d2 * t2 - satrec.d3 * t3 - satrec.d4 * t4;
        tempe = tempe + satrec.bstar * satrec.cc5 * (std::sin(mm) - satrec.sinmao);
        templ = templ + satrec.t3cof * t3 + t4 * (satrec.t4cof + t * satrec.t5cof);
    }

    double nm = satrec.no_unkozai;
    double em = satrec.ecco;
    const double inclm = satrec.inclo;

    // The comparisons are written so that a not-a-number value fails them:
    // a record with unusable elements must give no position rather than a
    // meaningless one.
    if (!(nm > 0.0)) {
        return fail(2);
    }
    // (xke / no_unkozai)^(2/3) is the semi-major axis kept at initialisation.
    const double am = satrec.ao * tempa * tempa;
    nm = g.xke / (am * std::sqrt(am));
    em = em - tempe;

    if (!(em < 1.0) || em < -0.001) {
        return fail(1);
    }
    if (em < 1.0e-6) {
        em = 1.0e-6;
    }

    mm = mm + satrec.no_unkozai * templ;
    double xlm = mm + argpm + nodem;
    nodem = std::fmod(nodem, twoPi);
    argpm = std::fmod(argpm, twoPi);
    xlm = std::fmod(xlm, twoPi);
    mm = std::fmod(xlm - argpm - nodem, twoPi);

    // The inclination has no secular change here, so its sine and cosine are
    // those kept at initialisation.
    const double sinip = satrec.sinio;
    const double cosip = satrec.cosio;

    // Long-period periodics.
    const double axnl = em * std::cos(argpm);
    double temp = 1.0 / (am * (1.0 - em * em));
    const double aynl = em * std::sin(argpm) + temp * satrec.aycof;
    const double xl = mm + argpm + nodem + temp * satrec.xlcof * axnl;

    // Kepler's equation for the eccentric longitude. Each Newton step is
    // limited to 0.95 rad: near-parabolic orbits otherwise overshoot and end
    // the iteration far from the root.
    const double u = std::fmod(xl - nodem, twoPi);
    double eo1 = u;
    double sineo1 = std::sin(eo1);
    double coseo1 = std::cos(eo1);
    bool trigCurrent = true;
    for (int iteration = 0; iteration < 10; ++iteration) {
        if (!trigCurrent) {
            sineo1 = std::sin(eo1);
            coseo1 = std::cos(eo1);
        }
        const double f = u - eo1 + axnl * sineo1 - aynl * coseo1;
        if (std::fabs(f) < 1.0e-12) {
            break;
        }
        double step = f / (1.0 - axnl * coseo1 - aynl * sineo1);
        if (std::fabs(step) >= 0.95) {
            step = step > 0.0 ? 0.95 : -0.95;
        }
        eo1 += step;
        trigCurrent = false;
    }
    if (!trigCurrent) {
        sineo1 = std::sin(eo1);
        coseo1 = std::cos(eo1);
    }

    // Short-period preliminary quantities.
    const double ecose = axnl * coseo1 + aynl * sineo1;
    const double esine = axnl * sineo1 - aynl * coseo1;
    const double el2 = axnl * axnl + aynl * aynl;
    const double pl = am * (1.0 - el2);
    if (!(pl >= 0.0)) {
        return fail(4);
    }

    const double rl = am * (1.0 - ecose);
    const double rdotl = std::sqrt(am) * esine / rl;
    const double rvdotl = std::sqrt(pl) / rl;
    const double betal = std::sqrt(1.0 - el2);
    temp = esine / (1.0 + betal);
    const double sinu = am / rl * (sineo1 - aynl - axnl * temp);
    const double cosu = am / rl * (coseo1 - axnl + aynl * temp);
    double su = std::atan2(sinu, cosu);
    const double sin2u = (cosu + cosu) * sinu;
    const double cos2u = 1.0 - 2.0 * sinu * sinu;
    temp = 1.0 / pl;
    const double temp1 = 0.5 * g.j2 * temp;
    const double temp2 = temp1 * temp;

    // Short-period periodics.
    const double mrt = rl * (1.0 - 1.5 * temp2 * betal * satrec.con41) +
                       0.5 * temp1 * satrec.x1mth2 * cos2u;
    su = su - 0.25 * temp2 * satrec.x7thm1 * sin2u;
    const double xnode = nodem + 1.5 * temp2 * cosip * sin2u;
    const double xinc = inclm + 1.5 * temp2 * cosip * sinip * cos2u;
    const double mvt = rdotl - nm * temp1 * satrec.x1mth2 * sin2u / g.xke;
    const double rvdot = rvdotl + nm * temp1 * (satrec.x1mth2 * cos2u + 1.5 * satrec.con41) / g.xke;

    // Orientation vectors.
    const double sinsu = std::sin(su);
    const double cossu = std::cos(su);
    const double snod = std::sin(xnode);
    const double cnod = std::cos(xnode);
    const double sini = std::sin(xinc);
    const double cosi = std::cos(xinc);
    const double xmx = -snod * cosi;
    const double xmy = cnod * cosi;
    const double ux = xmx * sinsu + cnod * cossu;
    const double uy = xmy * sinsu + snod * cossu;
    const double uz = sini * sinsu;
    const double vx = xmx * cossu - cnod * sinsu;
    const double vy = xmy * cossu - snod * sinsu;
    const double vz = sini * cossu;

    // Below one Earth radius the satellite has decayed: no position.
    if (!(mrt >= 1.0)) {
        return fail(6);
    }

    const double radius = g.radiusEarthKm;
    const double vkmpersec = radius * g.xke / 60.0;
    SGP4Result r;
    r.position = {mrt * ux * radius, mrt * uy * radius, mrt * uz * radius};
    r.velocity = {(mvt * ux + rvdot * vx) * vkmpersec, (mvt * uy + rvdot * vy) * vkmpersec,
                  (mvt * uz + rvdot * vz) * vkmpersec};
    return r;
}

double minutesSinceEpoch(const SatRec& satrec, Date date)
{
    return minutesSinceEpoch(satrec, jdayFromDate(date));
}

double minutesSinceEpoch(const SatRec& satrec, const JulianDate& jd)
{
    return ((jd.jd - satrec.jdsatepoch) + (jd.jdFrac - satrec.jdsatepochF)) * minutesPerDay;
}

} // namespace zelvane
