#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

#include <memory>

#include "ui/style/refresh_timer.h"

class QLabel;
class QPushButton;

namespace zelvane {

class AppState;

namespace ui_style {
class ColorDot;
class ElidedLabel;
}

namespace shell {
class OutlineBadge;

// The detail panel's right column: the rig link's state and address, TRACK
// and STOP, and while a track runs its live look angles and rates.
class RigColumn : public QWidget {
public:
    explicit RigColumn(std::shared_ptr<AppState> state, QWidget* parent = nullptr);

    void refresh();

private:
    std::shared_ptr<AppState> state_;
    ui_style::ColorDot* statusDot_ = nullptr;
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
    // The silent daemon's status is measured and elided: it is made again
    // only when what it is made from changes, not on every tracking tick.
    struct UnansweredFrom {
        QString address;
        int width = 0;
        QFont font;
        bool operator==(const UnansweredFrom&) const = default;
    };
    ui_style::ShownGate<UnansweredFrom> unansweredFrom_;
    QString unanswered_;
};

} // namespace shell
} // namespace zelvane
