#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "catalog/transmitter.h"
#include "orbital/date.h"
#include "orbital/pass_records.h"

namespace zelvane {

class Satellite;

// One predicted pass of one satellite with the transmitter chosen for it, and
// the texts the pass displays show. Identified by its id alone: two
// summaries of the same pass are different values.
struct PassInfo {
    std::string id;
    std::shared_ptr<Satellite> satellite;
    PredictedPass pass;
    std::optional<Transmitter> transmitter;

    PassInfo(std::shared_ptr<Satellite> satellite, PredictedPass pass,
             std::optional<Transmitter> transmitter);

    std::string satName() const;
    std::int64_t noradId() const;

    // "HH:mm:ss UTC".
    std::string riseTimeUTC() const;
    std::string peakTimeUTC() const;
    std::string setTimeUTC() const;
    // "HH:mm:ss" in the system's time zone as it is at the moment of the call.
    std::string riseTimeLocal() const;
    std::string peakTimeLocal() const;
    std::string setTimeLocal() const;

    // "10m 05s": whole minutes (not folded into hours) and seconds.
    std::string durationString() const;
    // "45.1°".
    std::string maxElString() const;
    // "SSW → NNE": compass points of the rise and set azimuths.
    std::string directionString() const;

    // One of the 16 compass points; each covers 22.5° centred on its
    // direction, closed below and open above (11.25° is already "NNE").
    static std::string compassDirection(double azimuth);
};

// Whether two predictions describe one pass: the same satellite and times
// that overlap. Rise and set move between computations (new elements, another
// search start, rounding of the refinement), so every place that recognises a
// pass across computations (selection, queue, lists, charts, caches) uses this
// rule and never compares times for equality.
bool passTimesOverlap(Date riseA, Date setA, Date riseB, Date setB);
bool samePass(std::int64_t satelliteA, const PredictedPass& a, std::int64_t satelliteB, const PredictedPass& b);
bool samePass(const PassInfo& a, const PassInfo& b);

// "HH:mm:ss" of an instant in UTC, and in the system's current time zone.
std::string formatTimeUTC(Date date);
std::string formatTimeLocal(Date date);

} // namespace zelvane
