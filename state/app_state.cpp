#include "state/app_state.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/utf8.h"
#include "platform/dispatch.h"
#include "platform/settings_store.h"
#include "rig/rigctld_client.h"

namespace zelvane {

namespace {

constexpr double kAnyValue = std::numeric_limits<double>::max();

// A setting whose value is a true 0 for some users (sea level, the equator,
// the prime meridian, a threshold of 0°): absent means "not set", and a
// stored value is taken as it is, held to the range the program works in.
double storedOr(std::optional<double> stored, double fallback, double low, double high)
{
    if (!stored || !std::isfinite(*stored)) {
        return fallback;
    }
    return std::clamp(*stored, low, high);
}

// A setting for which 0 lies outside its range: a stored 0 (as older
// versions wrote for "not set") gives the default, and any other value is
// held to the range, so what the settings show is what the program does.
double storedNonZeroOr(std::optional<double> stored, double fallback, double low, double high)
{
    if (stored && *stored == 0.0) {
        return fallback;
    }
    return storedOr(stored, fallback, low, high);
}

// A text setting held to its length in characters, whether typed or read
// from a settings file written by anything.
std::string cutToLength(std::string text, std::size_t characters)
{
    const std::size_t bytes = utf8::prefixCodePoints(text, characters).size();
    if (bytes < text.size()) {
        text.resize(bytes);
    }
    return text;
}

std::vector<std::int64_t> listOf(const std::set<std::int64_t>& set)
{
    return {set.begin(), set.end()};
}

std::vector<std::string> listOf(const std::set<std::string>& set)
{
    return {set.begin(), set.end()};
}

} // namespace

AppState::AppState() : AppState(platform::SettingsStore::standard()) {}

AppState::AppState(platform::SettingsStore& store)
    : store_(store), timelineStartTime_(Clock::now())
{
    objectWillChange.connect([this] { ++announcements_; });
    readSettings();
    if (const auto ids = store_.intList("selectedSatIds")) {
        // Through the ordinary assignment, so the set is written back once.
        setSelectedSatelliteIds(std::set<std::int64_t>(ids->begin(), ids->end()));
    }
    setGridLocator(toMaidenhead(obsLatitude_, obsLongitude_));

    // The settings file's troubles belong in the status line: a write that
    // failed (until one succeeds) and a file that could not be read at
    // start (for the session, so the user knows why everything was reset).
    showSettingsFileNote();
    std::weak_ptr<bool> token = settingsNoteToken_;
    settingsObserverId_ = store_.addWriteObserver([this, token](bool) {
        if (platform::isMainThread()) {
            showSettingsFileNote();
            return;
        }
        platform::postToMain([this, token] {
            if (token.lock()) {
                showSettingsFileNote();
            }
        });
    });
}

AppState::~AppState()
{
    // A computation under way would only be thrown away: it ends after the
    // satellite it is on, so that quitting does not wait for it.
    if (passStop_) {
        passStop_->store(true);
    }
    store_.removeWriteObserver(settingsObserverId_);
}

void AppState::showSettingsFileNote()
{
    if (store_.writeFailed()) {
        setStatusNote("settings", settingsNotSavedNote);
    } else if (store_.foundUnreadableFile()) {
        setStatusNote("settings", settingsFileUnreadableNote);
    } else {
        setStatusNote("settings", "");
    }
}

void AppState::readSettings()
{
    // Straight into storage: no signal, nothing written back.
    obsLatitude_ = storedOr(store_.doubleValue("obsLat"), 33.87, -90.0, 90.0);
    obsLongitude_ = storedOr(store_.doubleValue("obsLon"), -84.34, -180.0, 180.0);
    obsAltitude_ = storedOr(store_.doubleValue("obsAlt"), 300.0, -kAnyValue, kAnyValue);
    obsName_ = cutToLength(store_.stringValue("obsName").value_or("Home"), kMaxSiteNameLength);
    rigHost_ = cutToLength(store_.stringValue("rigHost").value_or("localhost"), kMaxRigHostLength);
    // A port no socket can use is no port: the default stands in for it.
    const std::int64_t port = store_.intValue("rigPort").value_or(0);
    rigPort_ = (port >= 1 && port <= 65535) ? port : 4532;
    rigAutoConnect_ = store_.boolValue("rigAutoConnect").value_or(false);
    dopplerUpdateHz_ = storedNonZeroOr(store_.doubleValue("dopplerUpdateHz"), 10.0, 1.0, 50.0);
    forceClassicRigctld_ = store_.boolValue("forceClassicRigctld").value_or(false);
    satProtoRestPattern_ = satProtoRestPatternFromRawValue(
                               store_.stringValue("satProtoRestPattern").value_or(""))
                               .value_or(SatProtoRestPattern::selectedDL);
    minAutoTrackElevation_ = storedOr(store_.doubleValue("minAutoTrackElevation"), 5.0, 0.0, 30.0);
    polarBearingLine_ = store_.boolValue("polarBearingLine").value_or(false);
    obs2Enabled_ = store_.boolValue("obs2Enabled").value_or(false);
    obs2Name_ = cutToLength(store_.stringValue("obs2Name").value_or("Site 2"), kMaxSiteNameLength);
    obs2Latitude_ = storedOr(store_.doubleValue("obs2Lat"), 0.0, -90.0, 90.0);
    obs2Longitude_ = storedOr(store_.doubleValue("obs2Lon"), 0.0, -180.0, 180.0);
    timelineHoursVisible_ = storedNonZeroOr(store_.doubleValue("timelineHours"), 12.0, 2.0, 48.0);
    if (const auto categories = store_.stringList("tleCategories")) {
        subscribedCategories_ = std::set<std::string>(categories->begin(), categories->end());
    } else {
        subscribedCategories_ = {"amateur", "stations"};
    }
}

// --- saved properties ----------------------------------------------------------

void AppState::setObsLatitude(double value)
{
    publish(obsLatitude_, value);
    store_.setDouble("obsLat", obsLatitude_);
}

void AppState::setObsLongitude(double value)
{
    publish(obsLongitude_, value);
    store_.setDouble("obsLon", obsLongitude_);
}

void AppState::setObsAltitude(double value)
{
    publish(obsAltitude_, value);
    store_.setDouble("obsAlt", obsAltitude_);
}

void AppState::setObsName(std::string value)
{
    publish(obsName_, cutToLength(std::move(value), kMaxSiteNameLength));
    store_.setString("obsName", obsName_);
}

void AppState::setObs2Enabled(bool value)
{
    publish(obs2Enabled_, value);
    store_.setBool("obs2Enabled", obs2Enabled_);
}

void AppState::setObs2Name(std::string value)
{
    publish(obs2Name_, cutToLength(std::move(value), kMaxSiteNameLength));
    store_.setString("obs2Name", obs2Name_);
}

void AppState::setObs2Latitude(double value)
{
    publish(obs2Latitude_, value);
    store_.setDouble("obs2Lat", obs2Latitude_);
}

void AppState::setObs2Longitude(double value)
{
    publish(obs2Longitude_, value);
    store_.setDouble("obs2Lon", obs2Longitude_);
}

void AppState::setRigHost(std::string value)
{
    publish(rigHost_, cutToLength(std::move(value), kMaxRigHostLength));
    store_.setString("rigHost", rigHost_);
}

void AppState::setRigPort(std::int64_t value)
{
    publish(rigPort_, value);
    store_.setInt("rigPort", rigPort_);
}

void AppState::setRigAutoConnect(bool value)
{
    publish(rigAutoConnect_, value);
    store_.setBool("rigAutoConnect", rigAutoConnect_);
}

void AppState::setDopplerUpdateHz(double value)
{
    publish(dopplerUpdateHz_, value);
    store_.setDouble("dopplerUpdateHz", dopplerUpdateHz_);
}

void AppState::setSelectedSatelliteIds(std::set<std::int64_t> value)
{
    publish(selectedSatelliteIds_, std::move(value));
    store_.setIntList("selectedSatIds", listOf(selectedSatelliteIds_));
}

void AppState::insertSelectedSatelliteId(std::int64_t id)
{
    std::set<std::int64_t> ids = selectedSatelliteIds_;
    ids.insert(id);
    setSelectedSatelliteIds(std::move(ids));
}

void AppState::removeSelectedSatelliteId(std::int64_t id)
{
    std::set<std::int64_t> ids = selectedSatelliteIds_;
    ids.erase(id);
    setSelectedSatelliteIds(std::move(ids));
}

void AppState::setForceClassicRigctld(bool value)
{
    publish(forceClassicRigctld_, value);
    store_.setBool("forceClassicRigctld", forceClassicRigctld_);
    if (rigClient_) {
        rigClient_->forceClassic = forceClassicRigctld_;
        rigClient_->detectCapabilities();
    }
}

void AppState::setSatProtoRestPattern(SatProtoRestPattern value)
{
    publish(satProtoRestPattern_, value);
    store_.setString("satProtoRestPattern", rawValue(satProtoRestPattern_));
}

void AppState::setTimelineHoursVisible(double value)
{
    publish(timelineHoursVisible_, value);
    store_.setDouble("timelineHours", timelineHoursVisible_);
}

void AppState::setSubscribedCategories(std::set<std::string> value)
{
    publish(subscribedCategories_, std::move(value));
    store_.setStringList("tleCategories", listOf(subscribedCategories_));
}

void AppState::insertSubscribedCategory(const std::string& key)
{
    std::set<std::string> keys = subscribedCategories_;
    keys.insert(key);
    setSubscribedCategories(std::move(keys));
}

void AppState::removeSubscribedCategory(const std::string& key)
{
    std::set<std::string> keys = subscribedCategories_;
    keys.erase(key);
    setSubscribedCategories(std::move(keys));
}

void AppState::setMinAutoTrackElevation(double value)
{
    publish(minAutoTrackElevation_, value);
    store_.setDouble("minAutoTrackElevation", minAutoTrackElevation_);
}

void AppState::setPolarBearingLine(bool value)
{
    publish(polarBearingLine_, value);
    store_.setBool("polarBearingLine", polarBearingLine_);
}

// --- published, not saved ---------------------------------------------------------

void AppState::setGridLocator(std::string value) { publish(gridLocator_, std::move(value)); }

void AppState::setSatellites(std::vector<std::shared_ptr<Satellite>> value)
{
    publish(satellites_, std::move(value));
}

void AppState::setSelectedPass(std::optional<PassInfo> value)
{
    // A stopped track's read-outs describe its satellite only; once another
    // one is shown they would pass for its figures.
    if (!isTracking_ && lastTick_ && (!value || value->noradId() != lastTick_->satelliteId)) {
        lastTick_.reset();
    }
    publish(selectedPass_, std::move(value));
}

void AppState::setSelectedTransmitter(std::optional<Transmitter> value)
{
    publish(selectedTransmitter_, std::move(value));
}

void AppState::setSelectedUplinkTransmitter(std::optional<Transmitter> value)
{
    publish(selectedUplinkTransmitter_, std::move(value));
}

void AppState::setIsTracking(bool value) { publish(isTracking_, value); }

void AppState::setTrackingSatellite(std::shared_ptr<Satellite> value)
{
    publish(trackingSatellite_, std::move(value));
}

void AppState::setCurrentDopplerShift(double value) { publishReadOut(currentDopplerShift_, value); }
void AppState::setCurrentDopplerRate(double value) { publishReadOut(currentDopplerRate_, value); }
void AppState::setCurrentCorrectedFreq(double value) { publishReadOut(currentCorrectedFreq_, value); }
void AppState::setCurrentAzimuth(double value) { publishReadOut(currentAzimuth_, value); }
void AppState::setCurrentElevation(double value) { publishReadOut(currentElevation_, value); }
void AppState::setCurrentRange(double value) { publishReadOut(currentRange_, value); }
void AppState::setCurrentSatCalibration(double value) { publish(currentSatCalibration_, value); }
void AppState::setCurrentRIT(double value) { publish(currentRIT_, value); }
void AppState::setCurrentUplinkFreq(double value) { publishReadOut(currentUplinkFreq_, value); }
void AppState::setCurrentPassbandOffset(double value) { publish(currentPassbandOffset_, value); }
void AppState::setRigConnected(bool value) { publish(rigConnected_, value); }
void AppState::setRigAnswers(bool value) { publish(rigAnswers_, value); }
void AppState::setRigProtocolMode(RigProtocolMode value) { publish(rigProtocolMode_, value); }
void AppState::setRigSatProtoArmed(bool value) { publish(rigSatProtoArmed_, value); }

void AppState::setRigSatProtoStatus(std::string value)
{
    publish(rigSatProtoStatus_, std::move(value));
}

void AppState::setTimelineStartTime(Date value) { publish(timelineStartTime_, value); }
void AppState::setTleAge(double value) { publish(tleAge_, value); }
void AppState::setIsLoadingTLEs(bool value) { publish(isLoadingTLEs_, value); }
void AppState::setStatusMessage(std::string value)
{
    publish(statusMessage_, std::move(value));
    composeStatusText();
}

void AppState::setStatusNote(const std::string& key, std::string text)
{
    auto found = statusNotes_.find(key);
    if (text.empty() ? found == statusNotes_.end()
                     : found != statusNotes_.end() && found->second == text)
        return;
    objectWillChange.notify();
    if (text.empty())
        statusNotes_.erase(found);
    else
        statusNotes_[key] = std::move(text);
    composeStatusText();
}

void AppState::composeStatusText()
{
    std::string text = statusMessage_;
    for (const auto& [key, note] : statusNotes_) {
        if (!text.empty())
            text += " \u2014 ";
        text += note;
    }
    statusText_ = std::move(text);
}
void AppState::setShowSettings(bool value) { publish(showSettings_, value); }
void AppState::setShowSatelliteList(bool value) { publish(showSatelliteList_, value); }
void AppState::setQueuedPassIds(std::set<std::string> value) { publish(queuedPassIds_, std::move(value)); }

void AppState::setPendingPassConflict(std::optional<PassConflict> value)
{
    publish(pendingPassConflict_, std::move(value));
}

// --- live look angles ------------------------------------------------------------------

std::optional<TopocentricResult> AppState::cachedObserve(const Satellite& sat, Date baseTime,
                                                         double offset)
{
    if (std::isnan(offset)) {
        // Not a usable map key (it would compare equivalent to every key).
        return std::nullopt;
    }
    // The quarter second is found on the whole nanoseconds, so that the
    // bucket and the instant observed are exact.
    constexpr std::int64_t quarterNs = 250'000'000;
    const std::int64_t ns = baseTime.nanosecondsSince1970();
    const std::int64_t index = ns / quarterNs - ((ns % quarterNs) < 0 ? 1 : 0);
    const bool representable = index >= std::numeric_limits<std::int64_t>::min() / quarterNs;
    const std::int64_t bucketNs = representable ? index * quarterNs : ns;
    const double bucket = static_cast<double>(index) / 4.0;
    if (bucket != liveGeoCache_.bucket || sat.id != liveGeoCache_.satId) {
        liveGeoCache_.bucket = bucket;
        liveGeoCache_.satId = sat.id;
        liveGeoCache_.samples = {};
    }
    if (const auto found = liveGeoCache_.samples.find(offset); found != liveGeoCache_.samples.end()) {
        return found->second;
    }
    const Date at = Date::fromNanosecondsSince1970(bucketNs).addingTimeInterval(offset);
    const std::optional<TopocentricResult> result =
        sat.observe(at, obsLatitude_, obsLongitude_, obsAltitude_);
    liveGeoCache_.samples.emplace(offset, result);
    return result;
}

} // namespace zelvane
