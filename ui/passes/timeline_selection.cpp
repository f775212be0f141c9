#include "ui/passes/timeline_selection.h"

#include "catalog/pass_info.h"
#include "catalog/satellite.h"
#include "catalog/satellite_preferences.h"
#include "state/app_state.h"
#include "ui/style/fingerprint.h"

namespace zelvane::timeline {

void selectPass(AppState& state, const std::shared_ptr<Satellite>& sat, const PredictedPass& pass)
{
    if (!sat) {
        return;
    }
    const std::optional<Transmitter> tx = SatellitePreferences::preferredTransmitter(*sat);
    state.setSelectedPass(PassInfo(sat, pass, tx));
    state.selectTransmitter(tx, *sat);
}

bool isSelectedPass(const AppState& state, std::int64_t satId, const PredictedPass& pass)
{
    const auto& selected = state.selectedPass();
    return selected && selected->satellite && selected->satellite->id == satId &&
           selected->pass.riseTime == pass.riseTime;
}

std::uint64_t passDisplayFingerprint(const AppState& state)
{
    ui_style::Fingerprint f;
    f.add(static_cast<std::int64_t>(state.timelineStartTime().nanosecondsSince1970()));
    f.add(state.timelineHoursVisible());
    f.add(state.minAutoTrackElevation());
    f.add(static_cast<const void*>(state.satellites().data()));
    f.add(static_cast<std::int64_t>(state.satellites().size()));
    for (const std::int64_t id : state.selectedSatelliteIds()) {
        f.add(id);
    }
    for (const auto& sat : state.satellites()) {
        if (!sat->isSelected()) {
            continue;
        }
        f.add(static_cast<const void*>(sat.get()));
        f.add(static_cast<const void*>(sat->passes.data()));
        f.add(static_cast<std::int64_t>(sat->passes.size()));
        for (const PredictedPass& pass : sat->passes) {
            f.add(static_cast<std::int64_t>(pass.riseTime.nanosecondsSince1970()));
            f.add(static_cast<std::int64_t>(pass.setTime.nanosecondsSince1970()));
            f.add(pass.maxElevation);
        }
    }
    if (const auto& selected = state.selectedPass(); selected && selected->satellite) {
        f.add(selected->satellite->id);
        f.add(static_cast<std::int64_t>(selected->pass.riseTime.nanosecondsSince1970()));
    } else {
        f.add(std::string_view("no selection"));
    }
    for (const std::string& id : state.queuedPassIds()) {
        f.add(std::string_view(id));
    }
    f.add(state.pendingPassConflict().has_value());
    return f.value();
}

} // namespace zelvane::timeline
