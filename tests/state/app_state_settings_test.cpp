#include "tests/state/state_fixture.h"
#include "tests/support/file_size_limit.h"

#include <cmath>
#include <limits>
#include <functional>

namespace zelvane::test {
namespace {

using Settings = StateTest;

TEST_F(Settings, EmptyStoreGivesEveryDefaultAndWritesNothing)
{
    const auto state = makeState();
    EXPECT_DOUBLE_EQ(state->obsLatitude(), 33.87);
    EXPECT_DOUBLE_EQ(state->obsLongitude(), -84.34);
    EXPECT_DOUBLE_EQ(state->obsAltitude(), 300.0);
    EXPECT_EQ(state->obsName(), "Home");
    EXPECT_EQ(state->gridLocator(), "EM73tu");
    EXPECT_FALSE(state->obs2Enabled());
    EXPECT_EQ(state->obs2Name(), "Site 2");
    EXPECT_EQ(state->obs2Latitude(), 0.0);
    EXPECT_EQ(state->rigHost(), "localhost");
    EXPECT_EQ(state->rigPort(), 4532);
    EXPECT_FALSE(state->rigAutoConnect());
    EXPECT_EQ(state->dopplerUpdateHz(), 10.0);
    EXPECT_FALSE(state->forceClassicRigctld());
    EXPECT_EQ(state->satProtoRestPattern(), SatProtoRestPattern::selectedDL);
    EXPECT_EQ(state->minAutoTrackElevation(), 5.0);
    EXPECT_EQ(state->timelineHoursVisible(), 12.0);
    EXPECT_EQ(state->subscribedCategories(), (std::set<std::string>{"amateur", "stations"}));
    EXPECT_TRUE(state->selectedSatelliteIds().empty());
    EXPECT_EQ(state->rigProtocolMode(), RigProtocolMode::unknown);
    EXPECT_EQ(state->rigClient(), nullptr);
    EXPECT_EQ(state->trackingTimer(), nullptr);
    EXPECT_EQ(state->passUpdateTimer(), nullptr);
    EXPECT_EQ(state->passQueueTimer(), nullptr);
    EXPECT_FALSE(std::filesystem::exists(settingsFile)) << "creation must not write the store";
}

// Sea level, the equator, the prime meridian and a threshold of 0° are real
// places and choices: what the user set comes back at the next start.
TEST_F(Settings, AStoredZeroComesBackAsZeroWhereZeroIsAValue)
{
    struct Case {
        const char* key;
        std::function<void(AppState&)> set;
        std::function<double(const AppState&)> get;
    };
    const std::vector<Case> cases{
        {"obsLat", [](AppState& st) { st.setObsLatitude(0.0); }, [](const AppState& st) { return st.obsLatitude(); }},
        {"obsLon", [](AppState& st) { st.setObsLongitude(0.0); }, [](const AppState& st) { return st.obsLongitude(); }},
        {"obsAlt", [](AppState& st) { st.setObsAltitude(0.0); }, [](const AppState& st) { return st.obsAltitude(); }},
        {"minAutoTrackElevation", [](AppState& st) { st.setMinAutoTrackElevation(0.0); },
         [](const AppState& st) { return st.minAutoTrackElevation(); }},
        {"obs2Lat", [](AppState& st) { st.setObs2Latitude(0.0); }, [](const AppState& st) { return st.obs2Latitude(); }},
        {"obs2Lon", [](AppState& st) { st.setObs2Longitude(0.0); },
         [](const AppState& st) { return st.obs2Longitude(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        {
            const auto first = makeState();
            c.set(*first);
        }
        ASSERT_TRUE(store().contains(c.key));
        EXPECT_EQ(store().doubleValue(c.key), 0.0);
        const auto next = makeState();
        EXPECT_EQ(c.get(*next), 0.0);
        EXPECT_FALSE(std::signbit(c.get(*next)));
    }
    // All four at once: an observer on the equator at the prime meridian, at
    // sea level, in the locator square that holds that point.
    const auto state = makeState();
    EXPECT_EQ(state->gridLocator(), "JJ00aa");

    // For the keys whose range excludes 0, a stored 0 still means "not set".
    state->setRigPort(0);
    state->setDopplerUpdateHz(0.0);
    state->setTimelineHoursVisible(0.0);
    const auto again = makeState();
    EXPECT_EQ(again->rigPort(), 4532);
    EXPECT_EQ(again->dopplerUpdateHz(), 10.0);
    EXPECT_EQ(again->timelineHoursVisible(), 12.0);
}

TEST_F(Settings, StoredValuesAreReadAndHeldToTheirRanges)
{
    struct Case {
        const char* what;
        std::function<void(platform::SettingsStore&)> store;
        std::function<void(const AppState&)> check;
    };
    const std::vector<Case> cases{
        {"a stored 0 is not set where 0 lies outside the range",
         [](auto& s) {
             s.setInt("rigPort", 0);
             s.setDouble("dopplerUpdateHz", 0.0);
             s.setDouble("timelineHours", 0.0);
         },
         [](const AppState& st) {
             EXPECT_EQ(st.rigPort(), 4532);
             EXPECT_EQ(st.dopplerUpdateHz(), 10.0);
             EXPECT_EQ(st.timelineHoursVisible(), 12.0);
         }},
        {"out-of-range values are held to their ranges",
         [](auto& s) {
             s.setDouble("dopplerUpdateHz", 500.0);
             s.setDouble("timelineHours", 100.0);
             s.setDouble("minAutoTrackElevation", -3.0);
             s.setDouble("obsLat", 95.0);
             s.setDouble("obsLon", -200.0);
             s.setInt("rigPort", 70000);
         },
         [](const AppState& st) {
             EXPECT_EQ(st.dopplerUpdateHz(), 50.0);
             EXPECT_EQ(st.timelineHoursVisible(), 48.0);
             EXPECT_EQ(st.minAutoTrackElevation(), 0.0);
             EXPECT_EQ(st.obsLatitude(), 90.0);
             EXPECT_EQ(st.obsLongitude(), -180.0);
             EXPECT_EQ(st.rigPort(), 4532) << "no socket can use it";
         }},
        {"values below their ranges are held too",
         [](auto& s) {
             s.setDouble("dopplerUpdateHz", 0.2);
             s.setDouble("timelineHours", 1.0);
             s.setDouble("minAutoTrackElevation", 45.0);
             s.setInt("rigPort", -4);
         },
         [](const AppState& st) {
             EXPECT_EQ(st.dopplerUpdateHz(), 1.0);
             EXPECT_EQ(st.timelineHoursVisible(), 2.0);
             EXPECT_EQ(st.minAutoTrackElevation(), 30.0);
             EXPECT_EQ(st.rigPort(), 4532);
         }},
        {"values of the wrong kind are not set",
         [](auto& s) {
             s.setString("obsAlt", "120");
             s.setDouble("rigPort", 4533.0);
             s.setInt("obsName", 7);
             s.setString("rigAutoConnect", "true");
         },
         [](const AppState& st) {
             EXPECT_EQ(st.obsAltitude(), 300.0);
             EXPECT_EQ(st.rigPort(), 4532);
             EXPECT_EQ(st.obsName(), "Home");
             EXPECT_FALSE(st.rigAutoConnect());
         }},
        {"texts: the empty name stays empty",
         [](auto& s) {
             s.setString("obsName", "");
             s.setString("obs2Name", "Field day");
             s.setString("rigHost", "radio.local");
         },
         [](const AppState& st) {
             EXPECT_EQ(st.obsName(), "");
             EXPECT_EQ(st.obs2Name(), "Field day");
             EXPECT_EQ(st.rigHost(), "radio.local");
         }},
        {"rest pattern matches its raw value exactly",
         [](auto& s) { s.setString("satProtoRestPattern", "transponderCenter"); },
         [](const AppState& st) {
             EXPECT_EQ(st.satProtoRestPattern(), SatProtoRestPattern::transponderCenter);
         }},
        {"rest pattern with another case is the default",
         [](auto& s) { s.setString("satProtoRestPattern", "TransponderCenter"); },
         [](const AppState& st) { EXPECT_EQ(st.satProtoRestPattern(), SatProtoRestPattern::selectedDL); }},
        {"an empty category list is an empty subscription",
         [](auto& s) { s.setStringList("tleCategories", {}); },
         [](const AppState& st) { EXPECT_TRUE(st.subscribedCategories().empty()); }},
        {"a category list of numbers gives the default categories",
         [](auto& s) { s.setIntList("tleCategories", {1}); },
         [](const AppState& st) {
             EXPECT_EQ(st.subscribedCategories(), (std::set<std::string>{"amateur", "stations"}));
         }},
        {"a selection of texts is ignored",
         [](auto& s) { s.setStringList("selectedSatIds", {"25544"}); },
         [](const AppState& st) { EXPECT_TRUE(st.selectedSatelliteIds().empty()); }},
        {"numbers, flags and a stored position",
         [](auto& s) {
             s.setDouble("obsLat", 51.5);
             s.setDouble("obsLon", -0.1);
             s.setDouble("obsAlt", -12.5);
             s.setInt("rigPort", 4600);
             s.setBool("forceClassicRigctld", true);
             s.setBool("polarBearingLine", true);
             s.setBool("obs2Enabled", true);
             s.setDouble("obs2Lat", -33.9);
             s.setDouble("obs2Lon", 18.4);
             s.setDouble("dopplerUpdateHz", 12.5);
             s.setDouble("timelineHours", 6.0);
             s.setDouble("minAutoTrackElevation", 15.0);
             s.setIntList("selectedSatIds", {25544, -1});
         },
         [](const AppState& st) {
             EXPECT_EQ(st.obsLatitude(), 51.5);
             EXPECT_EQ(st.obsAltitude(), -12.5);
             EXPECT_EQ(st.gridLocator(), "IO91wm");
             EXPECT_EQ(st.rigPort(), 4600);
             EXPECT_TRUE(st.forceClassicRigctld());
             EXPECT_TRUE(st.polarBearingLine());
             EXPECT_TRUE(st.obs2Enabled());
             EXPECT_EQ(st.obs2Latitude(), -33.9);
             EXPECT_EQ(st.obs2Longitude(), 18.4);
             EXPECT_EQ(st.dopplerUpdateHz(), 12.5);
             EXPECT_EQ(st.timelineHoursVisible(), 6.0);
             EXPECT_EQ(st.minAutoTrackElevation(), 15.0);
             EXPECT_EQ(st.selectedSatelliteIds(), (std::set<std::int64_t>{-1, 25544}));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto file = std::filesystem::path(dir.str()) / (std::string(c.what) + ".json");
        platform::SettingsStore::setStandardPath(file);
        c.store(platform::SettingsStore::standard());
        const auto state = makeState();
        c.check(*state);
    }
}

TEST_F(Settings, SelectionPresentAtCreationIsWrittenBackOnceAndAbsentStaysAbsent)
{
    store().setIntList("selectedSatIds", {43017, 25544, 43017});
    int notices = 0;
    {
        const auto state = makeState();
        (void)state;
    }
    platform::SettingsStore reread(settingsFile);
    EXPECT_EQ(reread.intList("selectedSatIds"), (std::vector<std::int64_t>{25544, 43017}));

    platform::SettingsStore::setStandardPath(std::filesystem::path(dir.str()) / "other.json");
    const auto state = makeState();
    state->objectWillChange.connect([&] { ++notices; });
    EXPECT_FALSE(store().contains("selectedSatIds"));
    state->insertSelectedSatelliteId(7);
    EXPECT_EQ(notices, 1) << "one insertion is one assignment";
    EXPECT_EQ(store().intList("selectedSatIds"), (std::vector<std::int64_t>{7}));
}

TEST_F(Settings, EverySavedPropertyRoundTripsWithItsKind)
{
    {
        const auto state = makeState();
        state->setObsLatitude(-33.9);
        state->setObsLongitude(151.2);
        state->setObsAltitude(58.0);
        state->setObsName("Sydney");
        state->setObs2Enabled(true);
        state->setObs2Name("Hill");
        state->setObs2Latitude(1.5);
        state->setObs2Longitude(2.5);
        state->setRigHost("10.0.0.2");
        state->setRigPort(4999);
        state->setRigAutoConnect(true);
        state->updateDopplerRate(25.0);
        state->setForceClassicRigctld(true);
        state->setSatProtoRestPattern(SatProtoRestPattern::transponderCenter);
        state->setTimelineHoursVisible(3.0);
        state->setSubscribedCategories({"weather", "user:abc"});
        state->setSelectedSatelliteIds({-2, 25544});
        state->setMinAutoTrackElevation(10.0);
        state->setPolarBearingLine(true);
        EXPECT_EQ(state->rigClient(), nullptr) << "the setting alone creates no rig client";
    }
    platform::SettingsStore reread(settingsFile);
    EXPECT_EQ(reread.doubleValue("obsAlt"), 58.0);
    EXPECT_EQ(reread.intValue("rigPort"), 4999) << "the port is an integer";
    EXPECT_EQ(reread.intValue("obsAlt"), std::nullopt) << "the altitude is a double";
    EXPECT_EQ(reread.stringValue("satProtoRestPattern"), "transponderCenter");
    EXPECT_EQ(reread.boolValue("forceClassicRigctld"), true);
    EXPECT_EQ(reread.intList("selectedSatIds"), (std::vector<std::int64_t>{-2, 25544}));

    platform::SettingsStore::setStandardPath(settingsFile); // a fresh read of the same file
    const auto again = makeState();
    EXPECT_EQ(again->obsLatitude(), -33.9);
    EXPECT_EQ(again->obsLongitude(), 151.2);
    EXPECT_EQ(again->obsName(), "Sydney");
    EXPECT_EQ(again->gridLocator(), "QF56oc");
    EXPECT_TRUE(again->obs2Enabled());
    EXPECT_EQ(again->obs2Name(), "Hill");
    EXPECT_EQ(again->obs2Longitude(), 2.5);
    EXPECT_EQ(again->rigHost(), "10.0.0.2");
    EXPECT_EQ(again->rigPort(), 4999);
    EXPECT_TRUE(again->rigAutoConnect());
    EXPECT_EQ(again->dopplerUpdateHz(), 25.0);
    EXPECT_TRUE(again->forceClassicRigctld());
    EXPECT_EQ(again->satProtoRestPattern(), SatProtoRestPattern::transponderCenter);
    EXPECT_EQ(again->timelineHoursVisible(), 3.0);
    EXPECT_EQ(again->subscribedCategories(), (std::set<std::string>{"user:abc", "weather"}));
    EXPECT_EQ(again->selectedSatelliteIds(), (std::set<std::int64_t>{-2, 25544}));
    EXPECT_EQ(again->minAutoTrackElevation(), 10.0);
    EXPECT_TRUE(again->polarBearingLine());
}

TEST_F(Settings, SignalComesBeforeTheValueAndEveryAssignmentWritesAgain)
{
    const auto state = makeState();
    std::vector<double> seen;
    state->objectWillChange.connect([&] { seen.push_back(state->obsAltitude()); });
    state->setObsAltitude(120.0);
    store().remove("obsAlt");
    state->setObsAltitude(120.0); // the same value: still a signal and a write
    EXPECT_EQ(seen, (std::vector<double>{300.0, 120.0}));
    EXPECT_EQ(store().doubleValue("obsAlt"), 120.0);

    seen.clear();
    state->setGridLocator("JJ00aa");
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_FALSE(store().contains("gridLocator")) << "the locator is not saved";
}

// A stored or typed site name or host is held to its length in characters,
// so no settings file can make the map lay out and draw a name of
// hundreds of thousands of characters.
TEST_F(Settings, TextSettingsAreHeldToTheirLengthStoredOrTyped)
{
    const auto repeat = [](const std::string& piece, std::size_t times) {
        std::string out;
        for (std::size_t i = 0; i < times; ++i) {
            out += piece;
        }
        return out;
    };
    struct Case {
        const char* key;
        std::string given;
        std::string kept;
        std::function<const std::string&(const AppState&)> get;
        std::function<void(AppState&, std::string)> set;
    };
    const auto obsName = [](const AppState& st) -> const std::string& { return st.obsName(); };
    const auto obs2Name = [](const AppState& st) -> const std::string& { return st.obs2Name(); };
    const auto rigHost = [](const AppState& st) -> const std::string& { return st.rigHost(); };
    const auto setObsName = [](AppState& st, std::string v) { st.setObsName(std::move(v)); };
    const auto setObs2Name = [](AppState& st, std::string v) { st.setObs2Name(std::move(v)); };
    const auto setRigHost = [](AppState& st, std::string v) { st.setRigHost(std::move(v)); };
    const std::vector<Case> cases{
        {"obsName", std::string(300000, 'x'), std::string(100, 'x'), obsName, setObsName},
        {"obsName", std::string(100, 'x'), std::string(100, 'x'), obsName, setObsName},
        {"obsName", "Field Day", "Field Day", obsName, setObsName},
        {"obsName", "", "", obsName, setObsName},
        // Characters, not bytes: a two-byte letter is one.
        {"obs2Name", repeat("\u00C5", 300000), repeat("\u00C5", 100), obs2Name, setObs2Name},
        {"obs2Name", repeat("\U0001F4E1", 101), repeat("\U0001F4E1", 100), obs2Name, setObs2Name},
        {"rigHost", std::string(300000, 'h'), std::string(253, 'h'), rigHost, setRigHost},
        {"rigHost", "radio.local", "radio.local", rigHost, setRigHost},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " of " + std::to_string(c.given.size()) + " bytes");
        store().setString(c.key, c.given);
        const auto stored = makeState();
        EXPECT_EQ(c.get(*stored).size(), c.kept.size()) << "read from the store";
        EXPECT_TRUE(c.get(*stored) == c.kept) << "read from the store";

        const auto typed = makeState();
        c.set(*typed, "other");
        c.set(*typed, c.given);
        EXPECT_TRUE(c.get(*typed) == c.kept) << "typed";
        EXPECT_TRUE(store().stringValue(c.key) == c.kept) << "saved";
    }
}

TEST_F(Settings, DopplerRateIsKeptBetweenOneAndFiftyHertz)
{
    const auto state = makeState();
    const double inf = std::numeric_limits<double>::infinity();
    // Not a number gives the fastest rate, also after a slow one.
    const std::vector<std::pair<double, double>> table{
        {0.0, 1.0},  {100.0, 50.0}, {12.5, 12.5}, {-3.0, 1.0},        {1.0, 1.0},
        {50.0, 50.0}, {inf, 50.0},  {-inf, 1.0},  {std::nan(""), 50.0}, {2.0, 2.0},
        {-std::nan(""), 50.0}};
    for (const auto& [given, expected] : table) {
        state->updateDopplerRate(given);
        EXPECT_EQ(state->dopplerUpdateHz(), expected) << given;
        EXPECT_EQ(store().doubleValue("dopplerUpdateHz"), expected);
    }
}

TEST(RestPattern, RawValuesMatchExactly)
{
    EXPECT_EQ(rawValue(SatProtoRestPattern::transponderCenter), "transponderCenter");
    EXPECT_EQ(rawValue(SatProtoRestPattern::selectedDL), "selectedDL");
    EXPECT_EQ(satProtoRestPatternFromRawValue("selectedDL"), SatProtoRestPattern::selectedDL);
    for (const char* other : {"", "selecteddl", "selectedDL ", "Pattern A"}) {
        EXPECT_EQ(satProtoRestPatternFromRawValue(other), std::nullopt) << other;
    }
}

TEST_F(Settings, StatusNotesStayAfterEveryMessageUntilCleared)
{
    const auto state = makeState();
    state->setStatusMessage("3 passes in next 24h");
    state->setStatusNote("b", "Settings could not be saved");
    state->setStatusNote("a", "Could not download Amateur Radio");
    EXPECT_EQ(state->statusMessage(),
              "3 passes in next 24h \u2014 Could not download Amateur Radio \u2014 Settings could not be saved");
    state->setStatusMessage("");
    EXPECT_EQ(state->statusMessage(), "Could not download Amateur Radio \u2014 Settings could not be saved");
    state->setStatusNote("a", "");
    state->setStatusMessage("4 passes in next 24h");
    EXPECT_EQ(state->statusMessage(), "4 passes in next 24h \u2014 Settings could not be saved");
    EXPECT_EQ(state->statusBaseMessage(), "4 passes in next 24h");
}

// A settings write the disk cannot take is said in the status line, after
// whatever the passes say, until a later write succeeds; the file keeps
// what it had.
TEST_F(Settings, FailedSettingsWriteStaysInTheStatusUntilAWriteSucceeds)
{
    const auto state = makeState();
    state->setObsName("Before");
    const auto before = platform::Files::readFile(settingsFile);
    ASSERT_TRUE(before.has_value());
    {
        FileSizeLimit limit(before->size());
        state->setObsName(std::string(300, 'n'));
    }
    EXPECT_EQ(platform::Files::readFile(settingsFile), before);
    state->setStatusMessage("3 passes in next 24h");
    EXPECT_EQ(state->statusMessage(), "3 passes in next 24h \u2014 Settings could not be saved");
    state->setObsName("After");
    EXPECT_EQ(state->statusMessage(), "3 passes in next 24h");
    EXPECT_EQ(platform::SettingsStore(settingsFile).stringValue("obsName"), "After");
}

// An unreadable settings file explains the reset for the whole session.
TEST_F(Settings, UnreadableSettingsFileIsNotedForTheSession)
{
    ASSERT_TRUE(platform::Files::writeFileAtomically(settingsFile, "{\"obsLat\": 52.1,"));
    const auto state = makeState();
    EXPECT_DOUBLE_EQ(state->obsLatitude(), 33.87);
    const std::string note =
        "Settings file was unreadable: kept aside, settings reset to defaults";
    EXPECT_EQ(state->statusMessage(), note);
    state->setObsName("Written");
    state->setStatusMessage("0 passes in next 24h");
    EXPECT_EQ(state->statusMessage(), "0 passes in next 24h \u2014 " + note);
    auto kept = settingsFile;
    kept += ".corrupt";
    EXPECT_EQ(platform::Files::readFile(kept), "{\"obsLat\": 52.1,");
}

} // namespace
} // namespace zelvane::test
