#pragma once

#include <QWidget>

#include <memory>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalog/transmitter.h"
#include "catalog/transponder.h"


namespace zelvane {

class AppState;

namespace shell {
class StateObserver;
class PassDetailColumn;
class FrequencyColumn;
class RigColumn;
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

private:
    std::shared_ptr<AppState> state_;
    shell::PassDetailColumn* passColumn_ = nullptr;
    shell::FrequencyColumn* freqColumn_ = nullptr;
    shell::RigColumn* rigColumn_ = nullptr;
    std::unique_ptr<shell::StateObserver> observer_;
};

} // namespace zelvane
