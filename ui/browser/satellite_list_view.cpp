#include "ui/browser/satellite_list_view.h"

#include "state/app_state.h"

namespace zelvane {

SatelliteListView::SatelliteListView(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
}

SatelliteListView::~SatelliteListView() = default;

} // namespace zelvane
