#include "ui/passes/timeline_selection.h"

#include "catalog/pass_info.h"
#include "catalog/satellite.h"
#include "catalog/satellite_preferences.h"
#include "state/app_state.h"

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

} // namespace zelvane::timeline
