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
    // Rise times move a little between computations: the selected pass is
    // recognised as every other place recognises a pass.
    const auto& selected = state.selectedPass();
    return selected && selected->satellite && samePass(selected->satellite->id, selected->pass, satId, pass);
}

} // namespace zelvane::timeline
