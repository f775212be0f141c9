#include "ui/passes/polar_plot_view.h"

#include "state/app_state.h"

namespace zelvane {

PolarPlotView::PolarPlotView(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
}

PolarPlotView::~PolarPlotView() = default;

} // namespace zelvane
