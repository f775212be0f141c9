#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/signal.h"
#include "catalog/transmitter.h"
#include "elements/tle_data.h"
#include "orbital/date.h"
#include "orbital/ground_track.h"
#include "orbital/look_angles.h"
#include "orbital/pass_predictor.h"
#include "orbital/pass_records.h"
#include "orbital/sgp4.h"
#include "orbital/sub_satellite.h"

namespace zelvane {

// How a catalogue entry is positioned.
enum class BodyKind { sgp4, sun, moon };

// One catalogue entry: an Earth satellite positioned by SGP4, or the Sun or
// the Moon. Shared as std::shared_ptr<Satellite>.
//
// Fields are written on the main thread only (by the catalogue builder
// before the entry is shared, then by the selection, the transmitter refresh
// and the storing of predicted passes). observe and currentSubPoint read only
// bodyKind and satrec, which do not change once the entry is shared, so any
// thread may call them.
class Satellite {
public:
    explicit Satellite(std::string name, std::int64_t noradId,
                       std::vector<Transmitter> transmitters = {});
    Satellite(const Satellite&) = delete;
    Satellite& operator=(const Satellite&) = delete;

    // NORAD catalogue number; -1 for the Sun, -2 for the Moon.
    const std::int64_t id;
    std::string name;
    std::optional<TLEData> tle;
    // Built from tle by initOrbit(); kept even when flagged with an error,
    // in which case the entry never gives a position.
    std::shared_ptr<SatRec> satrec;
    std::vector<Transmitter> transmitters;
    std::vector<PredictedPass> passes;
    BodyKind bodyKind = BodyKind::sgp4;
    // Category keys, "user:" keys, "custom", or "celestial".
    std::set<std::string> sources;

    bool isSelected() const { return isSelected_; }
    // Every assignment notifies, even of the value already held:
    // objectWillChange fires before the value is stored, isSelectedChanged
    // with the new value after.
    void setIsSelected(bool selected);
    Signal<> objectWillChange;
    Signal<bool> isSelectedChanged;

    // Where the entry stands in the observer's sky; absent for an SGP4 entry
    // without a record or whose propagation fails. The Sun and the Moon are
    // geocentric directions and ignore the observer's height.
    std::optional<TopocentricResult> observe(Date at, double obsLat, double obsLon,
                                             double obsAltMeters) const;
    // The point of the Earth below the entry, under the same conditions.
    std::optional<SubSatellitePoint> currentSubPoint(Date at) const;

    // Transmitters whose direction is exactly "down" / "up", in list order.
    std::vector<Transmitter> downlinkTransmitters() const;
    std::vector<Transmitter> uplinkTransmitters() const;
    std::optional<Transmitter> primaryDownlink() const;

    // Builds satrec from tle; without an element set nothing changes.
    void initOrbit();

private:
    bool isSelected_ = false;
};

// The ground track of a catalogue entry (Sun and Moon included).
std::vector<SubSatellitePoint> groundTrack(const Satellite& satellite, Date from, Date to,
                                           double stepSeconds = 30.0);

// The passes of each satellite over one site, searched in parallel across
// satellites on up to threadCount threads (0: one per hardware thread).
// Result i belongs to satellites[i] and is exactly what a serial search of
// that satellite gives. Satellites are held weakly during the search; one
// that goes away meanwhile comes back with no passes. The results are not
// stored: the caller hands them to the main thread for that. proceed, when
// given, can end the search early (see findPassesForAll).
std::vector<std::vector<PredictedPass>> findPassesForSatellites(
    const std::vector<std::shared_ptr<Satellite>>& satellites, Date start, double obsLat,
    double obsLon, double obsAltMeters, double hoursAhead = 24.0, double minElevation = 2.0,
    unsigned threadCount = 0, const SearchProceed& proceed = {});

} // namespace zelvane
