#pragma once

#include <QWidget>

#include <memory>

class QHBoxLayout;
class QLabel;

namespace zelvane {

class AppState;

namespace ui_style {
class ElidedLabel;
}

namespace shell {
class OutlineBadge;

// The detail panel's middle column: the RX and TX frequencies with their
// breakdown, and the RIT, TIT and transponder calibration steps.
class FrequencyColumn : public QWidget {
public:
    explicit FrequencyColumn(std::shared_ptr<AppState> state, QWidget* parent = nullptr);

    void refresh();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeStoredOnly();

    std::shared_ptr<AppState> state_;
    QLabel* rxFigure_ = nullptr;
    ui_style::ElidedLabel* rxAtSat_ = nullptr;
    ui_style::ElidedLabel* rxDoppler_ = nullptr;
    ui_style::ElidedLabel* rxRit_ = nullptr;
    QLabel* ritValue_ = nullptr;
    QWidget* uplinkSection_ = nullptr;
    QLabel* txFigure_ = nullptr;
    ui_style::ElidedLabel* txAtSat_ = nullptr;
    ui_style::ElidedLabel* txDoppler_ = nullptr;
    QWidget* passbandRow_ = nullptr;
    OutlineBadge* senseBadge_ = nullptr;
    QLabel* titValue_ = nullptr;
    QWidget* noUplinkRow_ = nullptr;
    QLabel* txpValue_ = nullptr;
    ui_style::ElidedLabel* storedOnly_ = nullptr;
    QWidget* txpRow_ = nullptr;
    QHBoxLayout* txpLayout_ = nullptr;
    QWidget* storedOnlyLine_ = nullptr;
    QHBoxLayout* storedOnlyLineLayout_ = nullptr;
    // The column's width with the marker at the end of the TXP row.
    int widthWithMarkerInRow_ = 0;
};

} // namespace shell
} // namespace zelvane
