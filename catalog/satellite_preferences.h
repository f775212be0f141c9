#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalog/transmitter.h"

namespace zelvane {

class Satellite;

// The transmitter last chosen for each satellite, kept in the settings store
// under "lastTxHz_<id>" as its centre frequency in hertz.
namespace SatellitePreferences {

std::string lastTxKey(std::int64_t noradId);
void setLastTransmitter(std::int64_t noradId, double centerFreqHz);
// 0 when nothing (or no number) is stored.
double lastTransmitterHz(std::int64_t noradId);

// The first transmitter, of any direction, within 1 kHz of the remembered
// frequency; otherwise the first downlink; absent without transmitters.
std::optional<Transmitter> preferredTransmitter(const Satellite& satellite);
std::optional<Transmitter> preferredTransmitter(std::int64_t noradId,
                                                const std::vector<Transmitter>& transmitters);

} // namespace SatellitePreferences

// Calibration offsets in hertz per satellite and transponder (known by the
// whole-hertz centre of its downlink), under
// "calOffset_sat_<id>_tx_<centre>", falling back to an older per-satellite
// offset under "calOffset_sat_<id>" that is read but never written.
namespace CalibrationOffsetStore {

std::string key(std::int64_t noradId, double txCenterHz);
std::string legacyKey(std::int64_t noradId);

double transponderOffset(std::int64_t noradId, double txCenterHz);
void setTransponderOffset(std::int64_t noradId, double txCenterHz, double hz);
void clearTransponderOffset(std::int64_t noradId, double txCenterHz);

} // namespace CalibrationOffsetStore
} // namespace zelvane
