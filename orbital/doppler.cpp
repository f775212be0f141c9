#include "orbital/doppler.h"

#include <algorithm>
#include <limits>

#include "orbital/earth.h"
#include "orbital/sgp4.h"

namespace zelvane::DopplerCalc {

double compute(double freqHz, double rangeRateKmS)
{
    return -(freqHz * rangeRateKmS) / speedOfLight;
}

std::optional<TopocentricResult> computeTopo(const SatRec& satrec, Date date, double obsLat,
                                             double obsLon, double obsAltKm)
{
    const auto state = sgp4(satrec, minutesSinceEpoch(satrec, date));
    if (!state) {
        return std::nullopt;
    }
    const JulianDate jd = jdayFromDate(date);
    return temeToTopocentric(state->position, state->velocity, obsLat, obsLon, obsAltKm,
                             gstime(jd.jd + jd.jdFrac));
}

std::optional<DopplerResult> computeFull(const SatRec& satrec, Date date, double freqHz,
                                         double obsLat, double obsLon, double obsAltMeters)
{
    const double altKm = obsAltMeters / 1000.0;
    const auto first = computeTopo(satrec, date, obsLat, obsLon, altKm);
    if (!first) {
        return std::nullopt;
    }
    const auto second = computeTopo(satrec, date.addingTimeInterval(0.5), obsLat, obsLon, altKm);
    if (!second) {
        return std::nullopt;
    }
    const double shift = compute(freqHz, first->rangeRate);
    const double shift2 = compute(freqHz, second->rangeRate);
    return DopplerResult{freqHz + shift, shift, (shift2 - shift) / 0.5, first->range,
                         first->rangeRate};
}

DopplerRange dopplerRange(const SatRec& satrec, const PredictedPass& pass, double freqHz,
                          double obsLat, double obsLon, double obsAltMeters)
{
    const double altKm = obsAltMeters / 1000.0;
    DopplerRange out{std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity(), 0.0};
    const double step = pass.setTime.timeIntervalSince(pass.riseTime) / 50.0;
    for (int i = 0; i <= 50; ++i) {
        const auto topo = computeTopo(satrec, pass.riseTime.addingTimeInterval(step * i), obsLat,
                                      obsLon, altKm);
        if (!topo) {
            continue;
        }
        const double shift = compute(freqHz, topo->rangeRate);
        out.minShift = std::min(out.minShift, shift);
        out.maxShift = std::max(out.maxShift, shift);
    }
    if (const auto peak = computeFull(satrec, pass.peakTime, freqHz, obsLat, obsLon, obsAltMeters)) {
        out.peakRate = peak->dopplerRateHzPerSec;
    }
    return out;
}

} // namespace zelvane::DopplerCalc
