#pragma once

#include <optional>

#include "orbital/date.h"
#include "orbital/look_angles.h"
#include "orbital/pass_records.h"

namespace zelvane {

class SatRec;

// One Doppler reading of one frequency.
struct DopplerResult {
    double correctedFreqHz = 0.0;      // what the observer receives
    double dopplerShiftHz = 0.0;
    double dopplerRateHzPerSec = 0.0;
    double rangeKm = 0.0;
    double rangeRateKmS = 0.0;         // positive while the distance grows
};

// Extremes of the shift over a pass and the signed rate at its peak.
struct DopplerRange {
    double minShift = 0.0;
    double maxShift = 0.0;
    double peakRate = 0.0;
};

// The Doppler formulas. An approaching object (negative range rate) raises
// the received frequency: the shift is then positive.
namespace DopplerCalc {

inline constexpr double speedOfLight = 299792.458; // km/s

// Shift in hertz of a signal sent at freqHz by an object moving along the
// line of sight at rangeRateKmS.
double compute(double freqHz, double rangeRateKmS);

// Shift now and rate from the shift 0.5 s later; absent when either
// propagation fails.
std::optional<DopplerResult> computeFull(const SatRec& satrec, Date date, double freqHz,
                                         double obsLat, double obsLon, double obsAltMeters);

// Least and greatest shift over 51 samples of the pass and the rate at its
// peak. With no usable sample the extremes stay +inf / -inf and the rate 0.
DopplerRange dopplerRange(const SatRec& satrec, const PredictedPass& pass, double freqHz,
                          double obsLat, double obsLon, double obsAltMeters);

// Look angles of a record's satellite; absent when the propagation fails.
std::optional<TopocentricResult> computeTopo(const SatRec& satrec, Date date, double obsLat,
                                             double obsLon, double obsAltKm);

} // namespace DopplerCalc

} // namespace zelvane
