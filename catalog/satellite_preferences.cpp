#include "catalog/satellite_preferences.h"

#include <cmath>

#include "catalog/satellite.h"
#include "platform/settings_store.h"

namespace zelvane {

namespace {

platform::SettingsStore& store()
{
    return platform::SettingsStore::standard();
}

// A stored value that is not a number reads as 0, like a missing one.
double storedNumber(const std::string& key)
{
    return store().doubleValue(key).value_or(0.0);
}

} // namespace

namespace SatellitePreferences {

std::string lastTxKey(std::int64_t noradId)
{
    return "lastTxHz_" + std::to_string(noradId);
}

void setLastTransmitter(std::int64_t noradId, double centerFreqHz)
{
    store().setDouble(lastTxKey(noradId), centerFreqHz);
}

double lastTransmitterHz(std::int64_t noradId)
{
    return storedNumber(lastTxKey(noradId));
}

std::optional<Transmitter> preferredTransmitter(std::int64_t noradId,
                                                const std::vector<Transmitter>& transmitters)
{
    if (transmitters.empty()) {
        return std::nullopt;
    }
    const double last = lastTransmitterHz(noradId);
    if (last > 0.0) {
        for (const auto& t : transmitters) {
            if (std::abs(t.centerFreqHz() - last) < 1000.0) {
                return t;
            }
        }
    }
    for (const auto& t : transmitters) {
        if (t.isDownlink()) {
            return t;
        }
    }
    return std::nullopt;
}

std::optional<Transmitter> preferredTransmitter(const Satellite& satellite)
{
    return preferredTransmitter(satellite.id, satellite.transmitters);
}

} // namespace SatellitePreferences

namespace CalibrationOffsetStore {

std::string key(std::int64_t noradId, double txCenterHz)
{
    return legacyKey(noradId) + "_tx_" + std::to_string(wholeHertz(txCenterHz));
}

std::string legacyKey(std::int64_t noradId)
{
    return "calOffset_sat_" + std::to_string(noradId);
}

double transponderOffset(std::int64_t noradId, double txCenterHz)
{
    // Presence decides, not the value: a stored 0 for the transponder hides
    // the per-satellite offset.
    const std::string own = key(noradId, txCenterHz);
    if (store().contains(own)) {
        return storedNumber(own);
    }
    const std::string legacy = legacyKey(noradId);
    if (store().contains(legacy)) {
        return storedNumber(legacy);
    }
    return 0.0;
}

void setTransponderOffset(std::int64_t noradId, double txCenterHz, double hz)
{
    store().setDouble(key(noradId, txCenterHz), hz);
}

void clearTransponderOffset(std::int64_t noradId, double txCenterHz)
{
    store().remove(key(noradId, txCenterHz));
}

} // namespace CalibrationOffsetStore
} // namespace zelvane
