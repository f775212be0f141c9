#pragma once

// A deterministic catalogue of low-orbit objects for the benchmarks: the
// same seed gives the same element sets on every machine and library (the
// generator and the mapping to doubles are spelled out, not left to the
// standard distributions, whose output differs between libraries).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "catalog/satellite.h"
#include "elements/tle_data.h"
#include "orbital/earth.h"
#include "orbital/numeric_text.h"

namespace zelvane::bench {

class UniformSource {
public:
    explicit UniformSource(std::uint64_t seed) : engine_(seed) {}
    // A double in [lo, hi) from the top 53 bits of the next 64-bit draw.
    double next(double lo, double hi)
    {
        const double unit = static_cast<double>(engine_() >> 11) * 0x1.0p-53;
        return lo + (hi - lo) * unit;
    }

private:
    std::mt19937_64 engine_;
};

inline constexpr std::int64_t syntheticEpochYear = 2024;
inline constexpr double syntheticEpochDays = 100.5;

// count element sets with inclinations 0-100 degrees, perigee and apogee
// heights within 300-1500 km (apogee at most 200 km above perigee), random
// node, perigee, anomaly and a small drag term.
inline std::vector<TLEData> syntheticElementSets(std::size_t count, std::uint64_t seed = 20240409)
{
    constexpr double R = WGS84::radiusEarthKm;
    UniformSource random(seed);
    std::vector<TLEData> sets;
    sets.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double perigee = random.next(300.0, 1500.0);
        const double apogee = random.next(perigee, std::min(1500.0, perigee + 200.0));
        const double a = R + (perigee + apogee) / 2.0;
        TLEData t;
        t.name = "SYNTH " + std::to_string(i);
        t.noradId = 80000 + static_cast<std::int64_t>(i);
        t.epochYear = syntheticEpochYear;
        t.epochDays = syntheticEpochDays;
        t.inclination = random.next(0.0, 100.0);
        t.raan = random.next(0.0, 360.0);
        t.eccentricity = (apogee - perigee) / (2.0 * a);
        t.argPerigee = random.next(0.0, 360.0);
        t.meanAnomaly = random.next(0.0, 360.0);
        t.bstar = random.next(0.0, 1e-4);
        t.meanMotion = std::sqrt(WGS84::mu / (a * a * a)) * 86400.0 / (2.0 * std::numbers::pi);
        sets.push_back(std::move(t));
    }
    return sets;
}

inline std::vector<std::shared_ptr<Satellite>> syntheticCatalog(std::size_t count)
{
    std::vector<std::shared_ptr<Satellite>> catalog;
    catalog.reserve(count);
    for (TLEData& t : syntheticElementSets(count)) {
        auto sat = std::make_shared<Satellite>(t.name, t.noradId);
        sat->tle = std::move(t);
        sat->initOrbit();
        catalog.push_back(std::move(sat));
    }
    return catalog;
}

// An hour after the synthetic epoch.
inline Date syntheticSearchStart()
{
    return utcMidnight(syntheticEpochYear, 1, 1)->addingTimeInterval((syntheticEpochDays - 1.0) * 86400.0 + 3600.0);
}

// Element sets as the element service sends them (OMM JSON).
inline std::string syntheticOmmDocument(const std::vector<TLEData>& sets)
{
    std::string text = "[";
    for (const TLEData& t : sets) {
        if (text.size() > 1) {
            text += ",";
        }
        text += R"({"OBJECT_NAME":")" + t.name + R"(","NORAD_CAT_ID":)" + std::to_string(t.noradId) +
                R"(,"EPOCH":"2024-04-09T12:00:00.000000","MEAN_MOTION":)" + formatFixed(t.meanMotion, 8) +
                R"(,"ECCENTRICITY":)" + formatFixed(t.eccentricity, 7) + R"(,"INCLINATION":)" +
                formatFixed(t.inclination, 4) + R"(,"RA_OF_ASC_NODE":)" + formatFixed(t.raan, 4) +
                R"(,"ARG_OF_PERICENTER":)" + formatFixed(t.argPerigee, 4) + R"(,"MEAN_ANOMALY":)" +
                formatFixed(t.meanAnomaly, 4) + R"(,"BSTAR":)" + formatFixed(t.bstar, 8) + "}";
    }
    return text + "]";
}

} // namespace zelvane::bench
