#pragma once

#include <QStackedWidget>

#include <memory>
#include <string>
#include <vector>

#include "catalog/transponder.h"

class QLabel;

namespace zelvane {

class AppState;

namespace ui_style {
class ColorDot;
class ElidedLabel;
}

namespace shell {
class ElidingComboBox;

// The detail panel's left column: the selected pass's name, times and
// figures with its transponder choice, or a prompt while no pass is
// selected.
class PassDetailColumn : public QStackedWidget {
public:
    explicit PassDetailColumn(std::shared_ptr<AppState> state, QWidget* parent = nullptr);

    void refresh();

    // Asks for the block's full width; the panel may give it less.
    QSize sizeHint() const override;

private:
    void refreshTransponderPicker();
    void pickerActivated(int index);

    std::shared_ptr<AppState> state_;
    ui_style::ColorDot* passDot_ = nullptr;
    ui_style::ElidedLabel* passName_ = nullptr;
    QLabel* passNorad_ = nullptr;
    QLabel* passRise_ = nullptr;
    QLabel* passPeak_ = nullptr;
    QLabel* passSet_ = nullptr;
    ui_style::ElidedLabel* passMax_ = nullptr;
    ui_style::ElidedLabel* passDir_ = nullptr;
    ui_style::ElidedLabel* passDur_ = nullptr;
    QWidget* txRow_ = nullptr;
    ElidingComboBox* picker_ = nullptr;
    QWidget* invertingBadge_ = nullptr;
    std::vector<TransmitterSelection> choices_;
};

} // namespace shell
} // namespace zelvane
