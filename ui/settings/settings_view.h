#pragma once

#include <memory>

#include <QDialog>

namespace zelvane {

class AppState;

// The settings sheet: observer sites, element-set sources, the rig link and
// the auto-track options. Nothing is stored until applySettings() runs.
class SettingsView : public QDialog {
    Q_OBJECT
public:
    explicit SettingsView(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~SettingsView() override;

    // Takes the sheet's edited texts and switches into the state.
    void applySettings();

private:
    std::shared_ptr<AppState> state_;
};

} // namespace zelvane
