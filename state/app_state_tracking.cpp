#include <QString>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "catalog/satellite_preferences.h"
#include "catalog/transponder.h"
#include "orbital/doppler.h"
#include "orbital/earth.h"
#include "orbital/look_angles.h"
#include "orbital/sgp4.h"
#include "platform/dispatch.h"
#include "rig/rigctld_client.h"
#include "state/app_state.h"

namespace zelvane {

namespace {

constexpr double kMinDopplerHz = 1.0;
constexpr double kMaxDopplerHz = 50.0;
constexpr double kDefaultDopplerHz = 10.0;
// The rate is the change of the shift over this many seconds ahead.
constexpr double kRateSpan = 0.5;

// The tick period for a rate; a rate outside 1..50 Hz (a hand-edited
// settings file) is held to that range rather than giving a timer of zero,
// negative or endless period.
std::chrono::milliseconds tickInterval(double hz)
{
    const double usable = std::isnan(hz) ? kDefaultDopplerHz : std::clamp(hz, kMinDopplerHz, kMaxDopplerHz);
    return std::chrono::milliseconds(static_cast<std::int64_t>(std::lround(1000.0 / usable)));
}

// Look angles of a record at an instant, or absent when propagation fails.
std::optional<TopocentricResult> lookAngles(const SatRec& satrec, Date at, double lat, double lon,
                                            double altMeters)
{
    const JulianDate jd = jdayFromDate(at);
    const auto state = sgp4(satrec, minutesSinceEpoch(satrec, jd));
    if (!state) {
        return std::nullopt;
    }
    const double gmst = gstime(jd.jd + jd.jdFrac);
    return temeToTopocentric(state->position, state->velocity, lat, lon, altMeters / 1000.0, gmst);
}

} // namespace

void AppState::ensureRigClient()
{
    if (rigClient_) {
        return;
    }
    rigClient_ = std::make_shared<RigctldClient>();
    rigClient_->forceClassic = forceClassicRigctld_;
    const std::weak_ptr<AppState> weak = weak_from_this();
    rigClient_->onModeChange = [weak](RigProtocolMode mode) {
        const auto self = weak.lock();
        if (!self) {
            return;
        }
        self->setRigProtocolMode(mode);
        if (mode == RigProtocolMode::satProtoV1 && self->isTracking_ && self->trackingSatellite_ &&
            self->rigClient_) {
            self->rigClient_->satAOS(self->trackingSatellite_->name);
        }
    };
    rigClient_->onArmedChange = [weak](bool armed) {
        if (const auto self = weak.lock()) {
            self->setRigSatProtoArmed(armed);
        }
    };
    rigClient_->onSatModeLost = [weak]() {
        const auto self = weak.lock();
        if (!self) {
            return;
        }
        if (self->isTracking_ && self->trackingSatellite_ &&
            self->rigProtocolMode_ == RigProtocolMode::satProtoV1) {
            self->setRigSatProtoStatus("Re-armed (radio was claimed by another client)");
            if (self->rigClient_ && self->trackingSatellite_) {
                self->rigClient_->satAOS(self->trackingSatellite_->name);
            }
        }
    };
}

void AppState::pairUplink(const Satellite& satellite)
{
    if (!selectedTransmitter_) {
        return;
    }
    const double center = selectedTransmitter_->centerFreqHz();
    for (const TransmitterSelection& choice : buildTransmitterSelections(satellite)) {
        const TransponderPair* pair = choice.pairValue();
        if (pair != nullptr && pair->downlink.centerFreqHz() == center) {
            setSelectedUplinkTransmitter(pair->uplink);
            return;
        }
    }
}

void AppState::startTracking(std::shared_ptr<Satellite> satellite,
                             std::optional<Transmitter> transmitter)
{
    stopTracking();
    if (!satellite) {
        return;
    }
    setTrackingSatellite(satellite);
    setSelectedTransmitter(transmitter ? std::move(transmitter)
                                       : SatellitePreferences::preferredTransmitter(*satellite));
    setIsTracking(true);
    if (selectedTransmitter_) {
        SatellitePreferences::setLastTransmitter(satellite->id, selectedTransmitter_->centerFreqHz());
    }
    const double center = selectedTransmitter_ ? selectedTransmitter_->centerFreqHz() : 0.0;
    setCurrentSatCalibration(
        center > 0.0 ? CalibrationOffsetStore::transponderOffset(satellite->id, center) : 0.0);
    setCurrentRIT(0.0);
    setCurrentPassbandOffset(0.0);
    setSelectedUplinkTransmitter(std::nullopt);
    pairUplink(*satellite);

    ensureRigClient();
    if (!rigConnected_) {
        // A port the settings sheet let through but no socket can use opens
        // no link; the track runs without radio output.
        if (rigPort_ >= 0 && rigPort_ <= 65535) {
            const std::weak_ptr<AppState> weak = weak_from_this();
            rigClient_->connect(rigHost_, static_cast<std::uint16_t>(rigPort_), [weak](bool connected) {
                platform::postToMain([weak, connected]() {
                    const auto self = weak.lock();
                    if (!self) {
                        return;
                    }
                    self->setRigConnected(connected);
                    // A mode command given while the link was still opening
                    // was dropped; give it again now that the link is up, so
                    // the radio is in the transmitter's mode for the track.
                    if (connected && self->isTracking_ && self->selectedTransmitter_ &&
                        self->rigClient_) {
                        const std::string& mode = self->selectedTransmitter_->mode;
                        self->rigClient_->setMode(modeToHamlib(mode), passbandForMode(mode));
                    }
                });
            });
        }
    } else if (rigProtocolMode_ == RigProtocolMode::satProtoV1) {
        rigClient_->satAOS(satellite->name);
    }
    if (selectedTransmitter_) {
        const std::string& mode = selectedTransmitter_->mode;
        rigClient_->setMode(modeToHamlib(mode), passbandForMode(mode));
    }
    startTrackingTimer();
    setStatusMessage("Tracking " + satellite->name);
}

void AppState::stopTracking()
{
    trackingTimer_.reset();
    setIsTracking(false);
    setTrackingSatellite(nullptr);
    if (rigClient_) {
        rigClient_->satLOS();
    }
    setCurrentRIT(0.0);
    setCurrentPassbandOffset(0.0);
    setSelectedUplinkTransmitter(std::nullopt);
    setStatusMessage("");
}

void AppState::selectTransmitter(std::optional<Transmitter> transmitter, const Satellite& satellite)
{
    setSelectedTransmitter(std::move(transmitter));
    setSelectedUplinkTransmitter(std::nullopt);
    if (!selectedTransmitter_) {
        setCurrentSatCalibration(0.0);
        return;
    }
    pairUplink(satellite);
    const double center = selectedTransmitter_->centerFreqHz();
    SatellitePreferences::setLastTransmitter(satellite.id, center);
    setCurrentSatCalibration(CalibrationOffsetStore::transponderOffset(satellite.id, center));
}

void AppState::bumpSatCalibration(double deltaHz) { setCurrentSatCalibration(currentSatCalibration_ + deltaHz); }
void AppState::bumpRIT(double deltaHz) { setCurrentRIT(currentRIT_ + deltaHz); }
void AppState::clearRIT() { setCurrentRIT(0.0); }
void AppState::bumpPassbandOffset(double deltaHz) { setCurrentPassbandOffset(currentPassbandOffset_ + deltaHz); }
void AppState::clearPassbandOffset() { setCurrentPassbandOffset(0.0); }

void AppState::saveSatCalibration()
{
    if (trackingSatellite_ && selectedTransmitter_) {
        CalibrationOffsetStore::setTransponderOffset(
            trackingSatellite_->id, selectedTransmitter_->centerFreqHz(), currentSatCalibration_);
    }
}

void AppState::clearCalibration()
{
    if (trackingSatellite_ && selectedTransmitter_) {
        CalibrationOffsetStore::clearTransponderOffset(trackingSatellite_->id,
                                                       selectedTransmitter_->centerFreqHz());
        setCurrentSatCalibration(0.0);
    }
}

void AppState::startTrackingTimer()
{
    trackingTimer_.reset();
    auto timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(tickInterval(dopplerUpdateHz_));
    const std::weak_ptr<AppState> weak = weak_from_this();
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(), [weak]() {
        if (const auto self = weak.lock()) {
            self->updateTracking();
        }
    });
    timer->start();
    trackingTimer_ = std::move(timer);
}

void AppState::updateDopplerRate(double hz)
{
    if (std::isnan(hz)) {
        return; // no rate at all: keep the one in use
    }
    setDopplerUpdateHz(std::clamp(hz, kMinDopplerHz, kMaxDopplerHz));
    if (isTracking_ && trackingSatellite_) {
        startTrackingTimer();
    }
}

void AppState::updateTracking()
{
    // Held for the whole tick: a listener may replace the property.
    const std::shared_ptr<Satellite> satellite = trackingSatellite_;
    if (!satellite || !satellite->satrec) {
        return;
    }
    const SatRec& satrec = *satellite->satrec;
    const Date now = Clock::now();
    const auto look = lookAngles(satrec, now, obsLatitude_, obsLongitude_, obsAltitude_);
    if (!look) {
        return;
    }
    setCurrentAzimuth(look->azimuth);
    setCurrentElevation(look->elevation);
    setCurrentRange(look->range);
    const auto future =
        lookAngles(satrec, now.addingTimeInterval(kRateSpan), obsLatitude_, obsLongitude_, obsAltitude_);

    const bool satProto = rigProtocolMode_ == RigProtocolMode::satProtoV1;
    const bool useCenter = satProto && satProtoRestPattern_ == SatProtoRestPattern::transponderCenter;

    if (selectedTransmitter_) {
        const double c = selectedTransmitter_->centerFreqHz();
        const double rest =
            useCenter ? c : ((c + currentPassbandOffset_) + currentSatCalibration_) + currentRIT_;
        const double shift = DopplerCalc::compute(rest, look->rangeRate);
        setCurrentDopplerShift(shift);
        setCurrentCorrectedFreq(rest + shift);
        if (future) {
            setCurrentDopplerRate((DopplerCalc::compute(rest, future->rangeRate) - shift) / kRateSpan);
        }
        if (rigConnected_ && rigClient_) {
            if (satProto) {
                rigClient_->satDL(rest, shift, currentDopplerRate_);
            } else {
                rigClient_->setFrequency(currentCorrectedFreq_);
            }
        }
    }

    if (!selectedUplinkTransmitter_) {
        setCurrentUplinkFreq(0.0);
        return;
    }
    const double u = selectedUplinkTransmitter_->centerFreqHz();
    const bool inverting = selectedTransmitter_ && selectedTransmitter_->inverting;
    double rest = u;
    if (!useCenter) {
        rest = inverting ? (u + currentSatCalibration_) - currentPassbandOffset_
                         : (u + currentPassbandOffset_) - currentSatCalibration_;
    }
    const double shift = DopplerCalc::compute(rest, -look->rangeRate);
    setCurrentUplinkFreq(rest + shift);
    if (rigConnected_ && satProto && rigClient_) {
        const double rate =
            future ? (DopplerCalc::compute(rest, -future->rangeRate) - shift) / kRateSpan : 0.0;
        rigClient_->satUL(rest, shift, rate);
    }
}

std::string AppState::modeToHamlib(std::string_view mode)
{
    const std::string upper =
        QString::fromUtf8(mode.data(), static_cast<qsizetype>(mode.size())).toUpper().toStdString();
    if (upper == "FM") {
        return "FM";
    }
    if (upper == "LSB") {
        return "LSB";
    }
    if (upper == "CW") {
        return "CW";
    }
    if (upper == "AM") {
        return "AM";
    }
    return "USB"; // SSB, SSB/CW, USB, BPSK and everything else
}

std::int64_t AppState::passbandForMode(std::string_view mode)
{
    const std::string upper =
        QString::fromUtf8(mode.data(), static_cast<qsizetype>(mode.size())).toUpper().toStdString();
    if (upper == "FM") {
        return 12000;
    }
    if (upper == "CW") {
        return 500;
    }
    if (upper == "AM") {
        return 6000;
    }
    return 2400;
}

} // namespace zelvane
