#include "ui/passes/pass_list_view.h"

#include "state/app_state.h"

namespace zelvane {

PassListView::PassListView(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
}

PassListView::~PassListView() = default;

} // namespace zelvane
