#include "catalog/satellite.h"

#include "elements/tle_parser.h"
#include "orbital/earth.h"
#include "orbital/pass_predictor.h"
#include "orbital/sun_moon.h"

namespace zelvane {

Satellite::Satellite(std::string name, std::int64_t noradId, std::vector<Transmitter> transmitters)
    : id(noradId), name(std::move(name)), transmitters(std::move(transmitters))
{
}

void Satellite::setIsSelected(bool selected)
{
    objectWillChange.notify();
    isSelected_ = selected;
    isSelectedChanged.notify(selected);
}

std::optional<TopocentricResult> Satellite::observe(Date at, double obsLat, double obsLon,
                                                    double obsAltMeters) const
{
    switch (bodyKind) {
    case BodyKind::sun:
        return sunTopocentric(at, obsLat, obsLon);
    case BodyKind::moon:
        return moonTopocentric(at, obsLat, obsLon);
    case BodyKind::sgp4:
        break;
    }
    const SatRec* rec = satrec.get();
    if (!rec) {
        return std::nullopt;
    }
    const JulianDate jd = jdayFromDate(at);
    const auto state = sgp4(*rec, minutesSinceEpoch(*rec, jd));
    if (!state) {
        return std::nullopt;
    }
    return temeToTopocentric(state->position, state->velocity, obsLat, obsLon,
                             obsAltMeters / 1000.0, gstime(jd.jd + jd.jdFrac));
}

std::optional<SubSatellitePoint> Satellite::currentSubPoint(Date at) const
{
    switch (bodyKind) {
    case BodyKind::sun:
        return sunSubPoint(at);
    case BodyKind::moon:
        return moonSubPoint(at);
    case BodyKind::sgp4:
        break;
    }
    if (!satrec) {
        return std::nullopt;
    }
    return subSatellitePoint(*satrec, at);
}

std::vector<Transmitter> Satellite::downlinkTransmitters() const
{
    std::vector<Transmitter> out;
    for (const Transmitter& t : transmitters) {
        if (t.direction == "down") {
            out.push_back(t);
        }
    }
    return out;
}

std::vector<Transmitter> Satellite::uplinkTransmitters() const
{
    std::vector<Transmitter> out;
    for (const Transmitter& t : transmitters) {
        if (t.direction == "up") {
            out.push_back(t);
        }
    }
    return out;
}

std::optional<Transmitter> Satellite::primaryDownlink() const
{
    for (const Transmitter& t : transmitters) {
        if (t.direction == "down") {
            return t;
        }
    }
    return std::nullopt;
}

void Satellite::initOrbit()
{
    if (!tle) {
        return;
    }
    // A record is stored even when flagged; only an epoch that cannot be
    // formed at all gives none, and the entry then has no orbit.
    satrec = TLEParser::createSatRec(*tle);
}

std::vector<SubSatellitePoint> groundTrack(const Satellite& satellite, Date from, Date to,
                                           double stepSeconds)
{
    return groundTrack([&satellite](Date t) { return satellite.currentSubPoint(t); }, from, to,
                       stepSeconds);
}

std::vector<std::vector<PredictedPass>> findPassesForSatellites(
    const std::vector<std::shared_ptr<Satellite>>& satellites, Date start, double obsLat,
    double obsLon, double obsAltMeters, double hoursAhead, double minElevation,
    unsigned threadCount, const SearchProceed& proceed)
{
    std::vector<PassPredictor> predictors;
    predictors.reserve(satellites.size());
    for (const auto& satellite : satellites) {
        predictors.emplace_back(std::weak_ptr<Satellite>(satellite), obsLat, obsLon, obsAltMeters);
    }
    return findPassesForAll(predictors, start, hoursAhead, minElevation, threadCount, proceed);
}

} // namespace zelvane
