#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalog/transmitter.h"
#include "catalog/transponder.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

namespace zelvane {

class AppState;

namespace ui_style {
class ElidedLabel;
}

namespace shell {
class StateObserver;
class ColorDot;
class ElidingComboBox;
class OutlineBadge;
} // namespace shell

// The strip across the bottom of the main window: the selected pass with its
// transponder choice, the RX/TX frequencies with their offset steps, and the
// rig link with TRACK and STOP. Holds nothing of its own; every refresh reads
// the shared state afresh.
class DetailPanel : public QWidget {
public:
    explicit DetailPanel(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~DetailPanel() override;

    // Re-reads the state into every part of the panel. Runs by itself on the
    // event-loop turn after each published change.
    void refresh();

    // The downlink at the satellite (centre + passband + calibration; no RIT)
    // and the uplink at the satellite (centre, the passband offset mirrored
    // on an inverting transponder); 0 when no transmitter is chosen.
    static double rxSatOutputFreq(const AppState& state);
    static double txSatInputFreq(const AppState& state);
    // The satellite the panel speaks of: the selected pass's, else the
    // tracked one.
    static std::optional<std::int64_t> shownSatelliteId(const AppState& state);
    // Whether the operator offsets shape the frequencies shown: not while a
    // track runs and another satellite's pass is on show.
    static bool offsetsApplyToShown(const AppState& state);
    // Whether the last tick's figures belong to the satellite and the
    // transmitters shown; otherwise the Doppler figures show "—".
    static bool downlinkReadoutsShown(const AppState& state);
    static bool uplinkReadoutsShown(const AppState& state);
    // Whether the uplink rows are shown rather than the no-uplink row.
    static bool hasUplink(const AppState& state);
    // SAT_PROTO link with the transponder-centre rest pattern: the
    // calibration is stored but not sent.
    static bool calibrationStoredOnly(const AppState& state);

    // Which choice the transponder picker shows for the selected transmitter:
    // the first whose downlink has exactly its centre frequency, else the
    // first. Empty only for an empty list.
    static std::string pickerSelectionId(const std::vector<TransmitterSelection>& choices,
                                         const std::optional<Transmitter>& selected);

    // Caption and value texts of the pass block and the rig read-outs.
    static QLabel* smallLabel(const QString& text, QWidget* parent = nullptr);
    static QLabel* smallValue(const QString& text, QWidget* parent = nullptr);

private:
    QWidget* buildPassDetailView();
    QWidget* buildFreqControlView();
    QWidget* buildRigControlView();
    QWidget* bumpButton(QWidget* parent, const QString& objectName, const QString& label,
                        std::function<void()> action);

    void refreshPassBlock();
    void refreshTransponderPicker();
    void refreshFrequencies();
    void refreshRig();
    void pickerActivated(int index);

    std::shared_ptr<AppState> state_;

    // Pass block.
    QStackedWidget* passStack_ = nullptr;
    shell::ColorDot* passDot_ = nullptr;
    ui_style::ElidedLabel* passName_ = nullptr;
    QLabel* passNorad_ = nullptr;
    QLabel* passRise_ = nullptr;
    QLabel* passPeak_ = nullptr;
    QLabel* passSet_ = nullptr;
    QLabel* passMax_ = nullptr;
    QLabel* passDir_ = nullptr;
    QLabel* passDur_ = nullptr;
    QWidget* txRow_ = nullptr;
    shell::ElidingComboBox* picker_ = nullptr;
    QWidget* invertingBadge_ = nullptr;
    std::vector<TransmitterSelection> choices_;

    // Frequency column.
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
    shell::OutlineBadge* senseBadge_ = nullptr;
    QLabel* titValue_ = nullptr;
    QWidget* noUplinkRow_ = nullptr;
    QLabel* txpValue_ = nullptr;
    QLabel* storedOnly_ = nullptr;

    // Rig column.
    shell::ColorDot* statusDot_ = nullptr;
    QLabel* connectionText_ = nullptr;
    shell::OutlineBadge* protocolBadge_ = nullptr;
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

    std::unique_ptr<shell::StateObserver> observer_;
};

} // namespace zelvane
