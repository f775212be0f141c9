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

// "HH:mm:ss" of an instant in UTC, and in the system's current time zone.
std::string formatTimeUTC(Date date);
std::string formatTimeLocal(Date date);

} // namespace zelvane
