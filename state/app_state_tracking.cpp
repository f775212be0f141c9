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
std::chrono::nanoseconds tickPeriod(double hz)
{
    const double usable = std::isnan(hz) ? kDefaultDopplerHz : std::clamp(hz, kMinDopplerHz, kMaxDopplerHz);
    return std::chrono::nanoseconds(static_cast<std::int64_t>(std::llround(1e9 / usable)));
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
    rigClient_->onAnswersChange = [weak](bool answers) {
        if (const auto self = weak.lock()) {
            self->setRigAnswers(answers);
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

std::optional<Transmitter> AppState::pairedUplink(const Transmitter& downlink, const Satellite& satellite)
{
    const double center = downlink.centerFreqHz();
    for (const TransmitterSelection& choice : buildTransmitterSelections(satellite)) {
        const TransponderPair* pair = choice.pairValue();
        if (pair != nullptr && pair->downlink.centerFreqHz() == center) {
            return pair->uplink;
        }
    }
    return std::nullopt;
}

bool AppState::tracksSatellite(const Satellite& satellite) const
{
    // By catalogue number: a reload replaces the entries, not the satellite.
    return isTracking_ && trackingSatellite_ && trackingSatellite_->id == satellite.id;
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
    trackedDownlink_ = selectedTransmitter_;
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
    if (selectedTransmitter_) {
        setSelectedUplinkTransmitter(pairedUplink(*selectedTransmitter_, *satellite));
    }
    trackedUplink_ = selectedUplinkTransmitter_;

    ensureRigClient();
    // A link to a daemon that has answered nothing since it was opened is
    // no link to a radio, though our own recycling keeps reopening it: it
    // counts as down here, so that the track opens its link at the address
    // the settings give now (the user may just have corrected a wrong port).
    if (!rigConnected_ || !rigAnswers_) {
        // A port the settings sheet let through but no socket can use opens
        // no link; the track runs without radio output.
        if (rigPort_ >= 0 && rigPort_ <= 65535) {
            const std::weak_ptr<AppState> weak = weak_from_this();
            const auto status = [weak](bool connected) {
                platform::postToMain([weak, connected]() {
                    const auto self = weak.lock();
                    if (!self) {
                        return;
                    }
                    self->setRigConnected(connected);
                    // A mode command given while the link was still opening
                    // was dropped; give it again now that the link is up, so
                    // the radio is in the transmitter's mode for the track.
                    if (connected && self->isTracking_ && self->trackedDownlink_ &&
                        self->trackedDownlink_->centerFreqHz() > 0.0 && self->rigClient_) {
                        const std::string& mode = self->trackedDownlink_->mode;
                        self->rigClient_->setMode(modeToHamlib(mode), passbandForMode(mode));
                    }
                });
            };
            if (rigConnected_) {
                // The link given up is closed now; the new one says when it
                // is up.
                status(false);
            }
            rigLinkAddress_ = std::make_pair(rigHost_, rigPort_);
            rigClient_->connect(rigHost_, static_cast<std::uint16_t>(rigPort_), status);
        }
    } else if (rigProtocolMode_ == RigProtocolMode::satProtoV1) {
        rigClient_->satAOS(satellite->name);
    }
    // A transmitter without a frequency gives the radio nothing to follow,
    // not even a mode.
    if (trackedDownlink_ && trackedDownlink_->centerFreqHz() > 0.0) {
        const std::string& mode = trackedDownlink_->mode;
        rigClient_->setMode(modeToHamlib(mode), passbandForMode(mode));
    }
    startTrackingTimer();
    setStatusMessage("Tracking " + satellite->name);
}

void AppState::stopTracking()
{
    trackingTimer_.reset();
    // The last values stay on show for the tracked satellite only.
    if (lastTick_ && (!selectedPass_ || selectedPass_->noradId() != lastTick_->satelliteId)) {
        lastTick_.reset();
    }
    // A pass of another satellite on show keeps its own transponder pair.
    const bool showsTracked =
        !selectedPass_ || !trackingSatellite_ || selectedPass_->noradId() == trackingSatellite_->id;
    setIsTracking(false);
    setTrackingSatellite(nullptr);
    trackedDownlink_.reset();
    trackedUplink_.reset();
    if (rigClient_) {
        // What the ended track gave while the link was busy must not reach
        // the radio after it.
        rigClient_->dropHeldCommands();
        rigClient_->satLOS();
    }
    setCurrentRIT(0.0);
    setCurrentPassbandOffset(0.0);
    if (showsTracked) {
        setSelectedUplinkTransmitter(std::nullopt);
    } else {
        // The calibration on show is now the shown satellite's own, not the
        // stopped track's.
        const double centre = selectedTransmitter_ ? selectedTransmitter_->centerFreqHz() : 0.0;
        setCurrentSatCalibration(
            centre > 0.0 ? CalibrationOffsetStore::transponderOffset(selectedPass_->noradId(), centre) : 0.0);
    }
    setStatusMessage("");
}

void AppState::selectTransmitter(std::optional<Transmitter> transmitter, const Satellite& satellite)
{
    // During a track, a pass of another satellite is something to look at:
    // the radio, its offsets and the calibration to save stay with the
    // tracked pair until STOP, or until TRACK takes up the new selection.
    const bool retunes = !isTracking_ || tracksSatellite(satellite);
    setSelectedTransmitter(std::move(transmitter));
    setSelectedUplinkTransmitter(std::nullopt);
    if (selectedTransmitter_) {
        setSelectedUplinkTransmitter(pairedUplink(*selectedTransmitter_, satellite));
        SatellitePreferences::setLastTransmitter(satellite.id, selectedTransmitter_->centerFreqHz());
    }
    if (!retunes) {
        return;
    }
    if (isTracking_) {
        trackedDownlink_ = selectedTransmitter_;
        trackedUplink_ = selectedUplinkTransmitter_;
    }
    setCurrentSatCalibration(selectedTransmitter_ ? CalibrationOffsetStore::transponderOffset(
                                                        satellite.id, selectedTransmitter_->centerFreqHz())
                                                  : 0.0);
}

void AppState::bumpSatCalibration(double deltaHz) { setCurrentSatCalibration(currentSatCalibration_ + deltaHz); }
void AppState::bumpRIT(double deltaHz) { setCurrentRIT(currentRIT_ + deltaHz); }
void AppState::clearRIT() { setCurrentRIT(0.0); }
void AppState::bumpPassbandOffset(double deltaHz) { setCurrentPassbandOffset(currentPassbandOffset_ + deltaHz); }
void AppState::clearPassbandOffset() { setCurrentPassbandOffset(0.0); }

void AppState::saveSatCalibration()
{
    if (trackingSatellite_ && trackedDownlink_) {
        CalibrationOffsetStore::setTransponderOffset(trackingSatellite_->id, trackedDownlink_->centerFreqHz(),
                                                     currentSatCalibration_);
    }
}

void AppState::clearCalibration()
{
    if (trackingSatellite_ && trackedDownlink_) {
        CalibrationOffsetStore::clearTransponderOffset(trackingSatellite_->id, trackedDownlink_->centerFreqHz());
        setCurrentSatCalibration(0.0);
    }
}

void AppState::startTrackingTimer()
{
    trackingTimer_.reset();
    auto timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(true);
    tickPeriod_ = tickPeriod(dopplerUpdateHz_);
    timer->setInterval(std::chrono::round<std::chrono::milliseconds>(tickPeriod_));
    nextTickDue_ = std::chrono::steady_clock::now() + tickPeriod_;
    const std::weak_ptr<AppState> weak = weak_from_this();
    QTimer* raw = timer.get();
    QObject::connect(raw, &QTimer::timeout, raw, [weak, raw]() {
        if (const auto self = weak.lock()) {
            self->updateTracking();
            // The tick may have ended the track (and this timer with it).
            if (self->trackingTimer_.get() == raw) {
                self->scheduleNextTick();
            }
        }
    });
    timer->start();
    trackingTimer_ = std::move(timer);
}

void AppState::scheduleNextTick()
{
    // Each tick is due a whole period after the previous one was due, not
    // after it ran: a tick that a busy main thread delayed shortens the wait
    // for the next, so the rate holds on average. After a stall of more than
    // a period the missed ticks are dropped rather than sent in a burst.
    using namespace std::chrono;
    const steady_clock::time_point now = steady_clock::now();
    nextTickDue_ += tickPeriod_;
    if (nextTickDue_ + tickPeriod_ <= now) {
        nextTickDue_ = now + tickPeriod_;
    }
    const auto wait = nextTickDue_ > now ? ceil<milliseconds>(nextTickDue_ - now) : milliseconds(0);
    trackingTimer_->start(wait);
}

void AppState::updateDopplerRate(double hz)
{
    // A rate that is not a number asks for no particular rate: the fastest
    // one stands in for it, as any rate above the range does.
    setDopplerUpdateHz(std::isnan(hz) ? kMaxDopplerHz : std::clamp(hz, kMinDopplerHz, kMaxDopplerHz));
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
    const auto future =
        lookAngles(satrec, now.addingTimeInterval(kRateSpan), obsLatitude_, obsLongitude_, obsAltitude_);

    const bool satProto = rigProtocolMode_ == RigProtocolMode::satProtoV1;
    const bool useCenter = satProto && satProtoRestPattern_ == SatProtoRestPattern::transponderCenter;
    const bool send = rigConnected_ && rigClient_;
    TickSource source;
    source.satelliteId = satellite->id;

    // Everything is worked out and sent first, then published: the radio is
    // not kept waiting for the listeners of the read-outs. A side whose
    // frequency is unknown (centre 0) is neither computed nor sent.
    struct Downlink {
        double rest = 0.0;
        double shift = 0.0;
        double rate = 0.0;
    };
    std::optional<Downlink> down;
    if (trackedDownlink_ && trackedDownlink_->centerFreqHz() > 0.0) {
        const double c = trackedDownlink_->centerFreqHz();
        Downlink d;
        d.rest = useCenter ? c : ((c + currentPassbandOffset_) + currentSatCalibration_) + currentRIT_;
        d.shift = DopplerCalc::compute(d.rest, look->rangeRate);
        // Without the second sample the rate keeps its previous value.
        d.rate = future ? (DopplerCalc::compute(d.rest, future->rangeRate) - d.shift) / kRateSpan
                        : currentDopplerRate_;
        if (send) {
            if (satProto) {
                rigClient_->satDL(d.rest, d.shift, d.rate);
            } else {
                rigClient_->setFrequency(d.rest + d.shift);
            }
        }
        source.downlinkCenterHz = c;
        down = d;
    }

    const bool uplink = trackedUplink_ && trackedUplink_->centerFreqHz() > 0.0;
    if (uplink) {
        const double u = trackedUplink_->centerFreqHz();
        const bool inverting = trackedDownlink_ && trackedDownlink_->inverting;
        double rest = u;
        if (!useCenter) {
            rest = inverting ? (u + currentSatCalibration_) - currentPassbandOffset_
                             : (u + currentPassbandOffset_) - currentSatCalibration_;
        }
        const double shift = DopplerCalc::compute(rest, -look->rangeRate);
        if (send && satProto) {
            const double rate =
                future ? (DopplerCalc::compute(rest, -future->rangeRate) - shift) / kRateSpan : 0.0;
            rigClient_->satUL(rest, shift, rate);
        }
        source.uplinkCenterHz = u;
        source.uplinkRestHz = rest;
        source.uplinkShiftHz = shift;
    }

    lastTick_ = source;
    setCurrentAzimuth(look->azimuth);
    setCurrentElevation(look->elevation);
    setCurrentRange(look->range);
    if (down) {
        setCurrentDopplerShift(down->shift);
        setCurrentCorrectedFreq(down->rest + down->shift);
        setCurrentDopplerRate(down->rate);
    }
    setCurrentUplinkFreq(uplink ? source.uplinkRestHz + source.uplinkShiftHz : 0.0);
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
