#include "ui/browser/satellite_browser.h"

#include "state/app_state.h"

namespace zelvane {

SatelliteBrowser::SatelliteBrowser(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
}

SatelliteBrowser::~SatelliteBrowser() = default;

} // namespace zelvane
