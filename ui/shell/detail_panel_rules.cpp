#include "ui/shell/detail_panel.h"

// What the detail panel shows, as rules over the state alone: which
// satellite it speaks of, which figures are true now, and the frequencies
// at the satellite.

#include "catalog/pass_info.h"
#include "catalog/satellite.h"
#include "rig/rig_protocol_mode.h"
#include "state/app_state.h"

namespace zelvane {

std::string DetailPanel::pickerSelectionId(const std::vector<TransmitterSelection>& choices,
                                           const std::optional<Transmitter>& selected)
{
    if (choices.empty()) {
        return {};
    }
    if (selected) {
        const double centre = selected->centerFreqHz();
        for (const auto& choice : choices) {
            const auto down = choice.downlink();
            if (down && down->centerFreqHz() == centre) {
                return choice.id();
            }
        }
    }
    return choices.front().id();
}

std::optional<std::int64_t> DetailPanel::shownSatelliteId(const AppState& state)
{
    if (const auto& pass = state.selectedPass()) {
        return pass->noradId();
    }
    if (const auto& tracked = state.trackingSatellite()) {
        return tracked->id;
    }
    return std::nullopt;
}

bool DetailPanel::offsetsApplyToShown(const AppState& state)
{
    // The offsets belong to the running track; on another satellite's pass
    // they would move frequencies nobody is tuned to.
    if (!state.isTracking() || !state.trackingSatellite()) {
        return true;
    }
    return shownSatelliteId(state) == state.trackingSatellite()->id;
}

bool DetailPanel::downlinkReadoutsShown(const AppState& state)
{
    const auto& tick = state.lastTick();
    const auto& tx = state.selectedTransmitter();
    return tick && tx && tick->downlinkCenterHz && shownSatelliteId(state) == tick->satelliteId &&
           *tick->downlinkCenterHz == tx->centerFreqHz();
}

bool DetailPanel::uplinkReadoutsShown(const AppState& state)
{
    if (!downlinkReadoutsShown(state) || !state.lastTick()->uplinkCenterHz) {
        return false;
    }
    const auto& up = state.selectedUplinkTransmitter();
    return !up || up->centerFreqHz() == *state.lastTick()->uplinkCenterHz;
}

double DetailPanel::rxSatOutputFreq(const AppState& state)
{
    const auto& tx = state.selectedTransmitter();
    if (!tx) {
        return 0.0;
    }
    if (!offsetsApplyToShown(state)) {
        return tx->centerFreqHz();
    }
    return (tx->centerFreqHz() + state.currentPassbandOffset()) + state.currentSatCalibration();
}

double DetailPanel::txSatInputFreq(const AppState& state)
{
    const auto& up = state.selectedUplinkTransmitter();
    if (!up) {
        return 0.0;
    }
    if (!offsetsApplyToShown(state)) {
        return up->centerFreqHz();
    }
    const auto& down = state.selectedTransmitter();
    const bool inverting = down.has_value() && down->inverting;
    const double offset = inverting ? -state.currentPassbandOffset() : state.currentPassbandOffset();
    return up->centerFreqHz() + offset;
}

bool DetailPanel::hasUplink(const AppState& state)
{
    return state.selectedUplinkTransmitter().has_value() ||
           (uplinkReadoutsShown(state) && state.currentUplinkFreq() > 0.0);
}

bool DetailPanel::calibrationStoredOnly(const AppState& state)
{
    return state.rigProtocolMode() == RigProtocolMode::satProtoV1 &&
           state.satProtoRestPattern() == SatProtoRestPattern::transponderCenter;
}

} // namespace zelvane
