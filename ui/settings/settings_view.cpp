#include "ui/settings/settings_view.h"

#include "state/app_state.h"

namespace zelvane {

SettingsView::SettingsView(std::shared_ptr<AppState> state, QWidget* parent)
    : QDialog(parent), state_(std::move(state))
{
}

SettingsView::~SettingsView() = default;

void SettingsView::applySettings() {}

} // namespace zelvane
