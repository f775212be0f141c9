#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/signal.h"
#include "catalog/pass_info.h"
#include "catalog/satellite.h"
#include "catalog/transmitter.h"
#include "elements/tle_manager.h"
#include "orbital/date.h"
#include "orbital/look_angles.h"
#include "orbital/pass_records.h"
#include "rig/rig_protocol_mode.h"
#include "state/sat_proto_rest_pattern.h"

class QTimer;

namespace zelvane {

class RigctldClient;

namespace platform {
class SettingsStore;
}

// Memo of live look angles: everything asked for one satellite within one
// quarter second, by offset. See AppState::cachedObserve.
class LiveGeoCache {
public:
    // Start of the quarter second the samples belong to, seconds since 1970.
    double bucket = -std::numeric_limits<double>::infinity();
    std::int64_t satId = -1;
    std::map<double, std::optional<TopocentricResult>> samples;
};

// The program's one observable model: settings, catalogue, selection,
// tracking read-outs, rig link state, timeline window, status line, sheet
// flags and the auto-track queue. It owns the rig client and the repeating
// timers.
//
// Create it with std::make_shared: every callback, background job and timer
// holds it weakly and does nothing once it is gone. Use it on the main
// thread only (a QCoreApplication must exist).
//
// Every assignment to a published property raises objectWillChange first,
// then stores the value, even when the value does not change; saved
// properties then write their settings key at once.
class AppState : public std::enable_shared_from_this<AppState> {
public:
    // One pass of the auto-track queue, as the conflict alert shows it.
    struct QueuedPassRef {
        std::string id;
        std::string satName;
        std::int64_t noradId = 0;
        Date riseTime;
        Date setTime;
        double maxElevation = 0.0;
        friend bool operator==(const QueuedPassRef&, const QueuedPassRef&) = default;
    };

    // A queued pass and the overlapping pass the user asked to queue.
    struct PassConflict {
        QueuedPassRef existing;
        QueuedPassRef incoming;
        friend bool operator==(const PassConflict&, const PassConflict&) = default;
    };

    using PassPair = std::pair<std::shared_ptr<Satellite>, PredictedPass>;
    using TransmitterTable = std::map<std::int64_t, std::vector<Transmitter>>;

    // Takes its defaults, then reads the saved settings from the store (the
    // program's standard store unless another is given; it must outlive the
    // state). Starts nothing: no timer, no load, no rig link.
    explicit AppState(platform::SettingsStore& store);
    AppState();
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    Signal<> objectWillChange;
    // Counts the changes announced, all but those of the tracking read-outs
    // alone (position, range, Doppler shift and rate, the corrected and
    // uplink frequencies), which a track changes many times a second. A
    // view that draws none of those read-outs has nothing new to look at
    // while this stands still.
    std::uint64_t revision() const { return announcements_ - readOutAnnouncements_; }

    // --- observer 1 and the second site -----------------------------------
    // The longest site name, in characters (code points): a label on the
    // map. Longer names, typed or stored, are cut there, so no name costs
    // more to lay out and draw than a line of text.
    static constexpr std::size_t kMaxSiteNameLength = 100;
    // The longest daemon host: a DNS name has at most 253 characters.
    static constexpr std::size_t kMaxRigHostLength = 253;
    double obsLatitude() const { return obsLatitude_; }
    void setObsLatitude(double value);
    double obsLongitude() const { return obsLongitude_; }
    void setObsLongitude(double value);
    double obsAltitude() const { return obsAltitude_; } // metres
    void setObsAltitude(double value);
    const std::string& obsName() const { return obsName_; }
    void setObsName(std::string value);
    const std::string& gridLocator() const { return gridLocator_; }
    void setGridLocator(std::string value);
    bool obs2Enabled() const { return obs2Enabled_; }
    void setObs2Enabled(bool value);
    const std::string& obs2Name() const { return obs2Name_; }
    void setObs2Name(std::string value);
    double obs2Latitude() const { return obs2Latitude_; }
    void setObs2Latitude(double value);
    double obs2Longitude() const { return obs2Longitude_; }
    void setObs2Longitude(double value);

    // --- rig settings -------------------------------------------------------
    const std::string& rigHost() const { return rigHost_; }
    void setRigHost(std::string value);
    std::int64_t rigPort() const { return rigPort_; }
    void setRigPort(std::int64_t value);
    bool rigAutoConnect() const { return rigAutoConnect_; }
    void setRigAutoConnect(bool value);
    double dopplerUpdateHz() const { return dopplerUpdateHz_; }
    // Prefer updateDopplerRate, which keeps the rate in range and retimes a
    // running track.
    void setDopplerUpdateHz(double value);

    // --- catalogue and selection ------------------------------------------
    const std::vector<std::shared_ptr<Satellite>>& satellites() const { return satellites_; }
    void setSatellites(std::vector<std::shared_ptr<Satellite>> value);
    const std::set<std::int64_t>& selectedSatelliteIds() const { return selectedSatelliteIds_; }
    void setSelectedSatelliteIds(std::set<std::int64_t> value);
    // One assignment each (one signal, one save).
    void insertSelectedSatelliteId(std::int64_t id);
    void removeSelectedSatelliteId(std::int64_t id);
    const std::optional<PassInfo>& selectedPass() const { return selectedPass_; }
    void setSelectedPass(std::optional<PassInfo> value);
    const std::optional<Transmitter>& selectedTransmitter() const { return selectedTransmitter_; }
    void setSelectedTransmitter(std::optional<Transmitter> value);
    const std::optional<Transmitter>& selectedUplinkTransmitter() const
    {
        return selectedUplinkTransmitter_;
    }
    void setSelectedUplinkTransmitter(std::optional<Transmitter> value);

    // --- tracking read-outs -------------------------------------------------
    // What the latest tick's read-outs belong to: a Doppler figure is true
    // only for this satellite and these transmitters.
    struct TickSource {
        std::int64_t satelliteId = 0;
        // Centre of the downlink the tick tuned, absent when it had none
        // (then the downlink read-outs are older than this tick).
        std::optional<double> downlinkCenterHz;
        // Centre of the paired uplink, with the rest frequency and shift the
        // tick gave it; absent without an uplink.
        std::optional<double> uplinkCenterHz;
        double uplinkRestHz = 0.0;
        double uplinkShiftHz = 0.0;
    };
    // Absent before the first tick, and once the read-outs no longer belong
    // to what is shown: a stopped track's values go when another
    // satellite's pass is selected.
    const std::optional<TickSource>& lastTick() const { return lastTick_; }
    // The transmitters the radio follows: those of the tracked satellite,
    // which a pass of another satellite selected meanwhile does not change.
    const std::optional<Transmitter>& trackedDownlink() const { return trackedDownlink_; }
    const std::optional<Transmitter>& trackedUplink() const { return trackedUplink_; }
    bool isTracking() const { return isTracking_; }
    void setIsTracking(bool value);
    const std::shared_ptr<Satellite>& trackingSatellite() const { return trackingSatellite_; }
    void setTrackingSatellite(std::shared_ptr<Satellite> value);
    double currentDopplerShift() const { return currentDopplerShift_; }
    void setCurrentDopplerShift(double value);
    double currentDopplerRate() const { return currentDopplerRate_; }
    void setCurrentDopplerRate(double value);
    double currentCorrectedFreq() const { return currentCorrectedFreq_; }
    void setCurrentCorrectedFreq(double value);
    double currentAzimuth() const { return currentAzimuth_; }
    void setCurrentAzimuth(double value);
    double currentElevation() const { return currentElevation_; }
    void setCurrentElevation(double value);
    double currentRange() const { return currentRange_; }
    void setCurrentRange(double value);
    double currentSatCalibration() const { return currentSatCalibration_; }
    void setCurrentSatCalibration(double value);
    double currentRIT() const { return currentRIT_; }
    void setCurrentRIT(double value);
    double currentUplinkFreq() const { return currentUplinkFreq_; }
    void setCurrentUplinkFreq(double value);
    double currentPassbandOffset() const { return currentPassbandOffset_; }
    void setCurrentPassbandOffset(double value);

    // --- rig link -------------------------------------------------------------
    bool rigConnected() const { return rigConnected_; }
    // Host and port the rig link was opened with (it keeps them, retries
    // included, until a track finds it down or its daemon not answering);
    // absent before the first link.
    const std::optional<std::pair<std::string, std::int64_t>>& rigLinkAddress() const
    {
        return rigLinkAddress_;
    }
    void setRigConnected(bool value);
    // False while the daemon the link was opened with is known not to
    // answer: a link was recycled because nothing was answered, and nothing
    // has been answered since. The link may be up all the same.
    bool rigAnswers() const { return rigAnswers_; }
    void setRigAnswers(bool value);
    RigProtocolMode rigProtocolMode() const { return rigProtocolMode_; }
    void setRigProtocolMode(RigProtocolMode value);
    bool rigSatProtoArmed() const { return rigSatProtoArmed_; }
    void setRigSatProtoArmed(bool value);
    const std::string& rigSatProtoStatus() const { return rigSatProtoStatus_; }
    void setRigSatProtoStatus(std::string value);
    bool forceClassicRigctld() const { return forceClassicRigctld_; }
    // Also reconfigures an existing rig client and reruns its probe.
    void setForceClassicRigctld(bool value);
    SatProtoRestPattern satProtoRestPattern() const { return satProtoRestPattern_; }
    void setSatProtoRestPattern(SatProtoRestPattern value);

    // --- timeline, loading, status, sheets ------------------------------------
    Date timelineStartTime() const { return timelineStartTime_; }
    void setTimelineStartTime(Date value);
    double timelineHoursVisible() const { return timelineHoursVisible_; }
    void setTimelineHoursVisible(double value);
    const std::set<std::string>& subscribedCategories() const { return subscribedCategories_; }
    void setSubscribedCategories(std::set<std::string> value);
    void insertSubscribedCategory(const std::string& key);
    void removeSubscribedCategory(const std::string& key);
    double tleAge() const { return tleAge_; }
    void setTleAge(double value);
    bool isLoadingTLEs() const { return isLoadingTLEs_; }
    void setIsLoadingTLEs(bool value);
    // The status line: the latest message, followed by every standing note.
    const std::string& statusMessage() const { return statusText_; }
    // The latest message alone, without the notes.
    const std::string& statusBaseMessage() const { return statusMessage_; }
    void setStatusMessage(std::string value);
    // A note that stays in the status line, whatever messages follow, until
    // its condition is gone: an empty text removes the note of that key.
    // Notes show in the order of their keys.
    void setStatusNote(const std::string& key, std::string text);
    // The notes under the key "settings" about the settings file.
    static constexpr const char* settingsNotSavedNote = "Settings could not be saved";
    static constexpr const char* settingsFileUnreadableNote =
        "Settings file was unreadable: kept aside, settings reset to defaults";
    const std::map<std::string, std::string>& statusNotes() const { return statusNotes_; }
    bool showSettings() const { return showSettings_; }
    void setShowSettings(bool value);
    bool showSatelliteList() const { return showSatelliteList_; }
    void setShowSatelliteList(bool value);

    // --- owned parts (not published) ------------------------------------------
    // Made by the first start of tracking, then kept.
    const std::shared_ptr<RigctldClient>& rigClient() const { return rigClient_; }
    QTimer* trackingTimer() const { return trackingTimer_.get(); }
    QTimer* passUpdateTimer() const { return passUpdateTimer_.get(); }
    QTimer* passQueueTimer() const { return passQueueTimer_.get(); }
    const TransmitterTable& transmitterDB() const { return transmitterDB_; }
    void setTransmitterDB(TransmitterTable value) { transmitterDB_ = std::move(value); }
    const LiveGeoCache& liveGeoCache() const { return liveGeoCache_; }

    // Look angles of `sat` from observer 1 at the start of baseTime's quarter
    // second plus `offset` seconds, memoised for that quarter second.
    std::optional<TopocentricResult> cachedObserve(const Satellite& sat, Date baseTime,
                                                   double offset = 0.0);

    // --- auto-track queue ---------------------------------------------------
    const std::set<std::string>& queuedPassIds() const { return queuedPassIds_; }
    void setQueuedPassIds(std::set<std::string> value);
    double minAutoTrackElevation() const { return minAutoTrackElevation_; }
    void setMinAutoTrackElevation(double value);
    bool polarBearingLine() const { return polarBearingLine_; }
    void setPolarBearingLine(bool value);
    const std::optional<PassConflict>& pendingPassConflict() const { return pendingPassConflict_; }
    void setPendingPassConflict(std::optional<PassConflict> value);

    // --- Maidenhead locators --------------------------------------------------
    // Six characters ("EM73tu"); empty for a position that is not finite or
    // lies outside latitude -90..90 or longitude -180..180.
    static std::string toMaidenhead(double lat, double lon);
    // Centre (lat, lon) of the square (four characters) or subsquare (six or
    // more) of a locator; absent when the text cannot be read as one.
    static std::optional<std::pair<double, double>> fromMaidenhead(std::string_view text);

    // --- catalogue loading ----------------------------------------------------
    // Loads the transmitter table and fetches the subscribed categories; the
    // catalogue is rebuilt later on the main thread.
    void loadData();
    // Transmitter lists of the selected satellites: fresh cached lists are
    // read in the background and applied together; the others are
    // downloaded a few at a time, however many satellites are selected.
    void refreshTransmittersFromSatNOGS();
    static constexpr int kTransmitterDownloadsAtOnce = 4;
    int transmitterDownloadsInFlight() const { return transmitterDownloadsInFlight_; }
    std::size_t transmitterDownloadsWaiting() const { return transmitterDownloadQueue_.size(); }
    // "< 1m ago", "5m ago", "3h ago", "11d ago".
    std::string tleAgeString() const;
    // Makes every subscribed category's cache stale, then loads.
    void refreshTLEs();
    // Each load (loadData, refreshTLEs) gets the next generation; only the
    // newest load publishes its catalogue and the end of loading. While some
    // download is slow, it publishes what is at hand first (the cached
    // copies standing in) and its whole catalogue when the last download
    // ends. A download's outcome (its note) counts whichever load brought
    // it. This is the newest load's generation, 0 before the first.
    std::uint64_t catalogueLoadGeneration() const { return catalogueGeneration_; }
    // Runs on the main thread when a load's catalogue is built, with the
    // load's generation and the step that hands the catalogue over (which
    // does nothing once a newer load, or a newer catalogue of the same
    // load, has started). Without a hook the step
    // runs at once; a test may hold it to make one load the slower one.
    using CatalogueHandOver = std::function<void(std::uint64_t generation, std::function<void()> handOver)>;
    void setCatalogueHandOver(CatalogueHandOver hook) { catalogueHandOver_ = std::move(hook); }
    // A new Sun and a new Moon, in that order.
    std::vector<std::shared_ptr<Satellite>> celestialBodies() const;
    void selectDefaults();
    void loadTransmitterDB();
    void loadBuiltinTransmitters();
    static const std::vector<std::string>& defaultSelectionNames();
    // The status note key of a category's failed download, and its text.
    static std::string downloadNoteKey(const std::string& categoryKey);
    static std::string downloadFailureText(const TLEManager::CategoryOutcome& outcome);

    // --- passes -----------------------------------------------------------------
    // Asks for the passes of the selected satellites. At most one computation
    // runs; a request made while it runs stops it (it ends after the
    // satellite it is on) and is folded, with any others, into exactly one
    // more run; only the newest computation publishes its results.
    void computeAllPasses();
    // Called on the computing thread before each satellite's search: a
    // test holds or steps a computation here. Empty by default.
    using PassSearchStep = std::function<void()>;
    void setPassSearchStep(PassSearchStep step) { passSearchStep_ = std::move(step); }
    // How many threads one computation spreads over; 0 (the default): as
    // many as the program may use CPUs.
    void setPassSearchThreads(unsigned count) { passSearchThreads_ = count; }
    bool isComputingPasses() const { return passComputationRunning_; }
    // Computations started so far (each publishes or is superseded).
    std::uint64_t passComputationsStarted() const { return passComputationsStarted_; }
    void startPassUpdateTimer();
    // What one firing of passUpdateTimer does, for a caller that drives time
    // itself (a pinned clock): asks for a recomputation.
    void runPassUpdate();
    std::vector<std::shared_ptr<Satellite>> selectedSatellites() const;
    std::vector<PassPair> allPassesSorted() const;
    void toggleSatellite(Satellite& sat);
    // Brings the listed entries (by catalogue number) to the wanted
    // selection as one change: the flags of those that differ, one
    // assignment of selectedSatelliteIds (one save) and one computation
    // request, however many are listed. Nothing happens when none differs.
    void setSatellitesSelected(const std::map<std::int64_t, bool>& wanted);
    // The same with one wish for every listed entry.
    void setSatellitesSelected(const std::vector<std::int64_t>& ids, bool selected);

    // --- tracking -----------------------------------------------------------------
    // A transmitter of nullopt means the satellite's preferred one.
    void startTracking(std::shared_ptr<Satellite> satellite, std::optional<Transmitter> transmitter);
    void stopTracking();
    void selectTransmitter(std::optional<Transmitter> transmitter, const Satellite& satellite);
    void bumpSatCalibration(double deltaHz);
    void saveSatCalibration();
    void clearCalibration();
    void bumpRIT(double deltaHz);
    void clearRIT();
    void bumpPassbandOffset(double deltaHz);
    void clearPassbandOffset();
    // Sets the tick rate, kept within 1..50 Hz, and retimes a running track.
    void updateDopplerRate(double hz);
    static std::string modeToHamlib(std::string_view mode);
    static std::int64_t passbandForMode(std::string_view mode);

    // --- auto-track queue operations ------------------------------------------------
    // "<catalogue number>-<whole seconds of the rise since 2001-01-01 UTC>".
    static std::string passQueueId(std::int64_t noradId, Date riseTime);
    bool isPassQueued(const Satellite& sat, const PredictedPass& pass) const;
    void togglePassQueued(const Satellite& sat, const PredictedPass& pass);
    void resolveConflictReplace(const PassConflict& conflict);
    void resolveConflictKeepExisting();
    void clearPassQueue();
    // What one firing of passQueueTimer does, for a caller that drives time
    // itself: one scheduler run, and nothing while the scheduler is off.
    void runSchedulerStep();

private:
    template <class T, class V>
    void publish(T& field, V&& value)
    {
        objectWillChange.notify();
        field = std::forward<V>(value);
    }
    // A tracking read-out: announced, but no new revision.
    template <class T, class V>
    void publishReadOut(T& field, V&& value)
    {
        ++readOutAnnouncements_;
        objectWillChange.notify();
        field = std::forward<V>(value);
    }

    void readSettings();
    void showSettingsFileNote();
    void composeStatusText();
    void loadCatalogue(bool forceDownload);
    void noteDownloadOutcomes(const TLEManager::CategoriesLoad& load, bool current);
    void takeCategories(std::uint64_t generation, TLEManager::CategoriesLoad load);
    void endBrokenLoad();
    void handOverCatalogue(std::uint64_t generation, std::uint64_t build, bool complete, std::uint64_t fingerprint,
                           std::vector<std::shared_ptr<Satellite>> sorted);
    void applyCatalogue(std::vector<std::shared_ptr<Satellite>> sorted, bool complete);
    // The site a computation was made for.
    struct PassSite {
        double lat = 0.0;
        double lon = 0.0;
        double alt = 0.0;
        friend bool operator==(const PassSite&, const PassSite&) = default;
    };
    // A queued pass as last seen: whose it is and when it is up.
    struct QueuedPassWindow {
        std::int64_t noradId = 0;
        Date riseTime;
        Date setTime;
    };
    void startPassComputation();
    static std::string computingStatus(std::size_t count);
    void finishPassComputation(std::uint64_t request, PassSite site, Date start,
                               const std::vector<std::shared_ptr<Satellite>>& computed,
                               std::vector<std::vector<PredictedPass>> results,
                               const std::vector<std::shared_ptr<Satellite>>& all);
    // A computation that ran out of memory or threads: the passes found
    // before stay, and a note says why.
    void failPassComputation(std::uint64_t request, const std::string& reason);
    void showPassTotal(const std::vector<std::shared_ptr<Satellite>>& all);
    void applyPassResults(const std::vector<std::shared_ptr<Satellite>>& computed,
                          std::vector<std::vector<PredictedPass>> results,
                          const std::vector<std::shared_ptr<Satellite>>& all, Date start);
    void followQueuedPasses(const std::vector<std::shared_ptr<Satellite>>& computed,
                            const std::vector<std::vector<PredictedPass>>& results,
                            const std::vector<std::shared_ptr<Satellite>>& all, Date start);
    void rematchSelectedPass(const std::vector<std::shared_ptr<Satellite>>& all, bool siteChanged);
    void rememberQueuedPass(const std::string& id, std::int64_t noradId, Date riseTime, Date setTime);
    void ensureRigClient();
    static std::optional<Transmitter> pairedUplink(const Transmitter& downlink, const Satellite& satellite);
    bool tracksSatellite(const Satellite& satellite) const;
    void startTrackingTimer();
    void scheduleNextTick();
    void updateTracking();
    std::optional<QueuedPassRef> findQueueConflict(const Satellite& sat, const PredictedPass& pass) const;
    static QueuedPassRef makePassRef(const Satellite& sat, const PredictedPass& pass);
    std::optional<PassPair> passForQueueID(const std::string& id) const;
    void learnQueuedPassWindows();
    const QueuedPassWindow* runningQueuedPass(Date now) const;
    void startQueueTimerIfNeeded();
    void stopQueueTimerIfEmpty();
    void processPassQueue();

    platform::SettingsStore& store_;
    std::uint64_t settingsObserverId_ = 0;
    // Expires with this object, so a note posted from another thread
    // never reaches a state that is gone.
    std::shared_ptr<bool> settingsNoteToken_ = std::make_shared<bool>(true);

    double obsLatitude_ = 33.87;
    double obsLongitude_ = -84.34;
    double obsAltitude_ = 300.0;
    std::string obsName_ = "Home";
    std::string gridLocator_;
    bool obs2Enabled_ = false;
    std::string obs2Name_ = "Site 2";
    double obs2Latitude_ = 0.0;
    double obs2Longitude_ = 0.0;
    std::string rigHost_ = "localhost";
    std::int64_t rigPort_ = 4532;
    bool rigAutoConnect_ = false;
    double dopplerUpdateHz_ = 10.0;
    std::vector<std::shared_ptr<Satellite>> satellites_;
    std::set<std::int64_t> selectedSatelliteIds_;
    // The selection the defaults made from a catalogue still arriving in
    // steps; while nobody changes it, the later steps' defaults join it.
    std::optional<std::set<std::int64_t>> stepDefaults_;
    std::optional<PassInfo> selectedPass_;
    std::optional<Transmitter> selectedTransmitter_;
    std::optional<Transmitter> selectedUplinkTransmitter_;
    bool isTracking_ = false;
    std::shared_ptr<Satellite> trackingSatellite_;
    double currentDopplerShift_ = 0.0;
    double currentDopplerRate_ = 0.0;
    double currentCorrectedFreq_ = 0.0;
    double currentAzimuth_ = 0.0;
    double currentElevation_ = 0.0;
    double currentRange_ = 0.0;
    double currentSatCalibration_ = 0.0;
    double currentRIT_ = 0.0;
    double currentUplinkFreq_ = 0.0;
    double currentPassbandOffset_ = 0.0;
    std::optional<Transmitter> trackedDownlink_;
    std::optional<Transmitter> trackedUplink_;
    std::optional<TickSource> lastTick_;
    // Every announcement is counted, whoever makes it, so that none can
    // leave the revision behind.
    std::uint64_t announcements_ = 0;
    std::uint64_t readOutAnnouncements_ = 0;
    bool rigConnected_ = false;
    bool rigAnswers_ = true;
    std::optional<std::pair<std::string, std::int64_t>> rigLinkAddress_;
    RigProtocolMode rigProtocolMode_ = RigProtocolMode::unknown;
    bool rigSatProtoArmed_ = false;
    std::string rigSatProtoStatus_;
    bool forceClassicRigctld_ = false;
    SatProtoRestPattern satProtoRestPattern_ = SatProtoRestPattern::selectedDL;
    Date timelineStartTime_;
    double timelineHoursVisible_ = 12.0;
    std::set<std::string> subscribedCategories_{"amateur", "stations"};
    double tleAge_ = 0.0;
    bool isLoadingTLEs_ = false;
    std::string statusMessage_;
    std::map<std::string, std::string> statusNotes_;
    std::string statusText_;
    bool showSettings_ = false;
    bool showSatelliteList_ = false;
    std::shared_ptr<RigctldClient> rigClient_;
    std::unique_ptr<QTimer> trackingTimer_;
    std::chrono::nanoseconds tickPeriod_{0};
    std::chrono::steady_clock::time_point nextTickDue_;
    std::unique_ptr<QTimer> passUpdateTimer_;
    std::unique_ptr<QTimer> passQueueTimer_;
    TransmitterTable transmitterDB_;
    LiveGeoCache liveGeoCache_;
    std::uint64_t catalogueGeneration_ = 0;
    std::uint64_t catalogueBuild_ = 0; // the newest catalogue build started
    std::optional<std::uint64_t> shownSetsFingerprint_; // of the element sets the catalogue was built from
    CatalogueHandOver catalogueHandOver_;
    std::set<std::string> queuedPassIds_;
    std::map<std::string, QueuedPassWindow> queuedPassWindows_;
    std::uint64_t passRequest_ = 0; // the newest computation asked for
    bool passComputationRunning_ = false;
    // Set to stop the running computation: superseded, or the state gone.
    std::shared_ptr<std::atomic<bool>> passStop_;
    PassSearchStep passSearchStep_;
    unsigned passSearchThreads_ = 0;
    std::uint64_t passComputationsStarted_ = 0;
    std::optional<PassSite> passesSite_; // the site of the passes shown
    double minAutoTrackElevation_ = 5.0;
    bool polarBearingLine_ = false;
    std::optional<PassConflict> pendingPassConflict_;

    void startTransmitterDownloads();
    void takeTransmitterAnswers(std::vector<std::pair<std::int64_t, std::vector<Transmitter>>> answers);
    void applyTransmitterAnswers();
    std::uint64_t transmitterRefresh_ = 0; // the newest refresh asked for
    std::vector<std::int64_t> transmitterDownloadQueue_; // next to download at the back
    int transmitterDownloadsInFlight_ = 0;
    std::vector<std::pair<std::int64_t, std::vector<Transmitter>>> transmitterAnswers_;
    bool transmitterApplyPosted_ = false;
};

} // namespace zelvane

// Over the same six fields that equality compares.
template <>
struct std::hash<zelvane::AppState::QueuedPassRef> {
    std::size_t operator()(const zelvane::AppState::QueuedPassRef& ref) const noexcept;
};
