#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;

namespace zelvane {

class AppState;

namespace ui_style {
class ElidedLabel;
}

namespace shell {
class ColorDot;
class OutlineBadge;

// The detail panel's right column: the rig link's state and address, TRACK
// and STOP, and while a track runs its live look angles and rates.
class RigColumn : public QWidget {
public:
    explicit RigColumn(std::shared_ptr<AppState> state, QWidget* parent = nullptr);

    void refresh();

private:
    std::shared_ptr<AppState> state_;
    ColorDot* statusDot_ = nullptr;
    QLabel* connectionText_ = nullptr;
    OutlineBadge* protocolBadge_ = nullptr;
    QLabel* satProtoStatus_ = nullptr;
    ui_style::ElidedLabel* rigAddress_ = nullptr;
    QPushButton* trackButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QWidget* trackingGroup_ = nullptr;
    QLabel* readoutAz_ = nullptr;
    QLabel* readoutEl_ = nullptr;
    QLabel* readoutRange_ = nullptr;
    QLabel* readoutRate_ = nullptr;
    QLabel* readoutUpdate_ = nullptr;
};

} // namespace shell
} // namespace zelvane
