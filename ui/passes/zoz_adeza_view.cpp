#include "ui/passes/zoz_adeza_view.h"

#include "state/app_state.h"

namespace zelvane {

ZozAdezaView::ZozAdezaView(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
}

ZozAdezaView::~ZozAdezaView() = default;

} // namespace zelvane
