#include "ui/passes/map_view.h"

#include "state/app_state.h"

namespace zelvane {

SatelliteMapView::SatelliteMapView(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
}

SatelliteMapView::~SatelliteMapView() = default;

} // namespace zelvane
