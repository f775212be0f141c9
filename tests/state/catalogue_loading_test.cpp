#include "tests/state/state_fixture.h"

#include <algorithm>
#include <ctime>
#include <functional>
#include <map>

#include <QByteArray>

#include "catalog/satnogs_fetch.h"
#include "catalog/transmitter_database.h"
#include "elements/tle_manager.h"
#include "elements/user_tle_source.h"
#include "orbital/numeric_text.h"
#include "tests/support/http_test_server.h"

namespace zelvane::test {
namespace {

const std::string kGroupPath = "/NORAD/elements/gp.php";
const std::string kAmateur = kGroupPath + "?GROUP=amateur&FORMAT=json";
const std::string kStations = kGroupPath + "?GROUP=stations&FORMAT=json";
const std::string kIssTransmitters = "/api/transmitters/?format=json&satellite__norad_cat_id=25544";

std::string elementText(const char* name, const char* line1, const char* line2)
{
    return std::string(name) + "\n" + line1 + "\n" + line2 + "\n";
}

// A local element-set service and transmitter database, with the program's
// addresses pointed at it.
class CatalogueLoading : public StateTest {
protected:
    void SetUp() override
    {
        StateTest::SetUp();
        Clock::setFixed(nearEpoch());
        TLEManager::setServiceBaseURL(server.url());
        SatNOGSFetch::setHost(server.url());
        server.setResponse(kAmateur, 200,
                           elementText(kIssName, kIssLine1, kIssLine2) +
                               elementText("AO-91", kAo91Line1, kAo91Line2) +
                               elementText("aSat", kOtherLine1, kOtherLine2));
        server.setResponse(kStations, 200, elementText(kIssName, kIssLine1, kIssLine2));
        server.setResponse("/api/transmitters/", 200, "[]");
        server.setResponse(
            kIssTransmitters, 200,
            R"([{"uuid":"u1","description":"Mode V FM","alive":true,"downlink_low":145825000,)"
            R"("mode":"FM","norad_cat_id":25544,"type":"Transmitter"}])");
    }

    void TearDown() override
    {
        waitForTransmitterDownloads();
        TLEManager::setServiceBaseURL("");
        SatNOGSFetch::setHost("");
        StateTest::TearDown();
    }

    static std::vector<std::string> names(const AppState& state)
    {
        std::vector<std::string> out;
        for (const auto& s : state.satellites()) {
            out.push_back(s->name);
        }
        return out;
    }

    static std::shared_ptr<Satellite> entry(const AppState& state, std::int64_t id)
    {
        for (const auto& s : state.satellites()) {
            if (s->id == id) {
                return s;
            }
        }
        return nullptr;
    }

    // Loads and waits until the passes of the new catalogue are in.
    static void loadAndSettle(AppState& state)
    {
        const auto before = state.satellites();
        state.loadData();
        ASSERT_TRUE(waitUntil([&] {
            return state.satellites() != before && !state.isLoadingTLEs() &&
                   state.statusBaseMessage().ends_with(" passes in next 24h");
        }, std::chrono::seconds(20)));
    }

    HttpTestServer server;
};

TEST_F(CatalogueLoading, FirstLoadBuildsTheSortedCatalogueAndSelectsDefaults)
{
    const auto state = makeState();
    state->loadData();
    EXPECT_TRUE(state->isLoadingTLEs());
    EXPECT_EQ(state->statusMessage(), "Fetching TLEs...");
    EXPECT_TRUE(state->satellites().empty()) << "the catalogue arrives later";

    // (Each category may show as its download ends; loading ends with the last.)
    ASSERT_TRUE(waitUntil([&] { return !state->isLoadingTLEs(); }, std::chrono::seconds(10)));
    // Code-point order: capitals before small letters.
    EXPECT_EQ(names(*state),
              (std::vector<std::string>{"AO-91", "ISS (ZARYA)", "Moon", "Sun", "aSat"}));

    const auto iss = entry(*state, 25544);
    ASSERT_NE(iss, nullptr);
    EXPECT_EQ(iss->sources, (std::set<std::string>{"amateur", "stations"}));
    ASSERT_NE(iss->satrec, nullptr);
    EXPECT_EQ(iss->transmitters, state->transmitterDB().at(25544));
    const auto sun = entry(*state, -1);
    ASSERT_NE(sun, nullptr);
    EXPECT_EQ(sun->bodyKind, BodyKind::sun);
    EXPECT_EQ(sun->sources, std::set<std::string>{"celestial"});
    EXPECT_EQ(sun->satrec, nullptr);
    EXPECT_EQ(entry(*state, -2)->bodyKind, BodyKind::moon);

    // "ISS" and "AO-91" are default names; the bodies never are.
    EXPECT_EQ(state->selectedSatelliteIds(), (std::set<std::int64_t>{25544, 43017}));
    EXPECT_EQ(store().intList("selectedSatIds"), (std::vector<std::int64_t>{25544, 43017}));
    EXPECT_TRUE(iss->isSelected());
    EXPECT_FALSE(entry(*state, 40001)->isSelected());
    EXPECT_FALSE(sun->isSelected());
    EXPECT_EQ(state->tleAgeString(), "< 1m ago");
    ASSERT_NE(state->passUpdateTimer(), nullptr);
    EXPECT_EQ(state->passUpdateTimer()->interval(), 300000);

    // The transmitter database answer replaces the selected entry's list.
    ASSERT_TRUE(waitUntil([&] { return iss->transmitters.size() == 1; }, std::chrono::seconds(10)));
    EXPECT_EQ(iss->transmitters[0].freq, 145825000.0);
    EXPECT_EQ(iss->transmitters[0].description, "Mode V FM");
    EXPECT_EQ(state->transmitterDB().at(25544), iss->transmitters);
    EXPECT_GE(server.requestCount(kIssTransmitters), 1);
}

// A first catalogue that arrives in steps gets the defaults of every step,
// not only of the first; a selection the user changed meanwhile is left
// alone.
TEST_F(CatalogueLoading, DefaultsGrowWithACatalogueArrivingInSteps)
{
    const struct {
        const char* what;
        std::set<std::int64_t> userSelects;
        std::set<std::int64_t> selectedAtEnd;
    } cases[] = {
        {"nobody changes it", {}, {25544, 43017}},
        {"the user selects the Sun", {-1}, {-1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform::Files::remove(platform::Files::dataFolder() / "tle");
        const auto state = makeState();
        server.hold(kAmateur);
        state->loadData();
        ASSERT_TRUE(waitUntil([&] { return entry(*state, 25544) != nullptr; }, std::chrono::seconds(10)));
        ASSERT_TRUE(state->isLoadingTLEs());
        EXPECT_EQ(state->selectedSatelliteIds(), (std::set<std::int64_t>{25544}));
        if (!c.userSelects.empty()) {
            state->setSelectedSatelliteIds(c.userSelects);
        }
        server.release(kAmateur);
        ASSERT_TRUE(waitUntil([&] { return !state->isLoadingTLEs(); }, std::chrono::seconds(10)));
        EXPECT_EQ(state->selectedSatelliteIds(), c.selectedAtEnd);
        state->setSelectedSatelliteIds({});
    }
}

TEST_F(CatalogueLoading, NoSubscriptionGivesOnlyTheSunAndTheMoon)
{
    store().setStringList("tleCategories", {});
    const auto state = makeState();
    loadAndSettle(*state);
    EXPECT_EQ(names(*state), (std::vector<std::string>{"Moon", "Sun"}));
    EXPECT_TRUE(state->selectedSatelliteIds().empty());
    EXPECT_EQ(state->tleAge(), 0.0);
    EXPECT_EQ(state->tleAgeString(), "< 1m ago");
    EXPECT_EQ(state->statusMessage(), "0 passes in next 24h");
    EXPECT_EQ(server.totalRequests(), 0);
}

TEST_F(CatalogueLoading, SavedSelectionCarriesOverAndSuppressesDefaults)
{
    store().setIntList("selectedSatIds", {99999});
    const auto state = makeState();
    loadAndSettle(*state);
    for (const auto& s : state->satellites()) {
        EXPECT_FALSE(s->isSelected()) << s->name;
    }
    EXPECT_EQ(state->selectedSatelliteIds(), std::set<std::int64_t>{99999});
    EXPECT_EQ(state->statusMessage(), "0 passes in next 24h");

    state->setSelectedSatelliteIds({40001, -1});
    loadAndSettle(*state);
    EXPECT_TRUE(entry(*state, 40001)->isSelected());
    EXPECT_TRUE(entry(*state, -1)->isSelected());
    EXPECT_FALSE(entry(*state, 25544)->isSelected());
}

TEST_F(CatalogueLoading, RefreshDownloadsAgainAndFallsBackToTheCachedText)
{
    const auto state = makeState();
    loadAndSettle(*state);
    const int firstRequests = server.requestCount(kAmateur);
    EXPECT_EQ(firstRequests, 1);

    // A fresh cache is served without asking.
    loadAndSettle(*state);
    EXPECT_EQ(server.requestCount(kAmateur), firstRequests);

    // A forced refresh whose downloads fail: the cached element sets stay,
    // and so do their stamps, so the age is still the true one.
    server.setResponse(kAmateur, 500, "");
    server.setResponse(kStations, 500, "");
    const auto stampBefore = platform::Files::readFile(TLEManager::timestampFile("amateur"));
    ASSERT_TRUE(stampBefore.has_value());
    Clock::setFixed(nearEpoch().addingTimeInterval(120.0));
    state->refreshTLEs();
    ASSERT_TRUE(waitUntil([&] { return !state->isLoadingTLEs(); }, std::chrono::seconds(20)));
    EXPECT_EQ(server.requestCount(kAmateur), firstRequests + 1);
    EXPECT_EQ(names(*state),
              (std::vector<std::string>{"AO-91", "ISS (ZARYA)", "Moon", "Sun", "aSat"}));
    EXPECT_EQ(platform::Files::readFile(TLEManager::timestampFile("amateur")), stampBefore);
    EXPECT_EQ(state->tleAgeString(), "2m ago");
}

// "Refresh", then a plain load (a category switch, an import, "Clear")
// before the refresh's downloads answer: the plain load waits for those
// answers, so their sets, their age and their failure reach the catalogue.
TEST_F(CatalogueLoading, ALoadAfterARefreshTakesTheRefreshsAnswers)
{
    const std::string iss = elementText(kIssName, kIssLine1, kIssLine2);
    const std::string oldSets = iss + elementText("AO-91", kAo91Line1, kAo91Line2);
    const std::string newSets = iss + elementText("AO-91 NEW", kAo91Line1, kAo91Line2);
    const struct {
        const char* label;
        int status;
        bool whileTheAnswerIsAwaited; // else at once, before the request is out
        bool switchCategories;
        const char* name; // of catalogue number 43017 at the end
        const char* age;
        bool failureTold;
    } cases[] = {
        {"new sets, load at once", 200, false, false, "AO-91 NEW", "< 1m ago", false},
        {"new sets, load while the answer is awaited", 200, true, false, "AO-91 NEW", "< 1m ago", false},
        {"new sets, category switch", 200, true, true, "AO-91 NEW", "< 1m ago", false},
        {"HTTP 503", 503, true, false, "AO-91", "2h ago", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        platform::Files::remove(platform::Files::dataFolder() / "tle");
        Clock::setFixed(nearEpoch());
        server.setResponse(kAmateur, 200, oldSets);
        const auto state = makeState();
        state->setSubscribedCategories({"amateur", "stations"});
        loadAndSettle(*state);
        ASSERT_EQ(entry(*state, 43017)->name, "AO-91");

        Clock::setFixed(nearEpoch().addingTimeInterval(2 * 3600.0));
        server.setResponse(kAmateur, c.status, newSets);
        server.hold(kAmateur);
        const int before = server.requestCount(kAmateur);
        state->refreshTLEs();
        if (c.whileTheAnswerIsAwaited) {
            ASSERT_TRUE(waitUntil([&] { return server.heldCount(kAmateur) == 1; }));
        }
        if (c.switchCategories) {
            state->setSubscribedCategories({"amateur"});
        }
        state->loadData();
        server.release(kAmateur);
        const auto told = [&] { return state->statusNotes().contains("download:amateur"); };
        ASSERT_TRUE(waitUntil([&] {
            const auto ao91 = entry(*state, 43017);
            return !state->isLoadingTLEs() && state->statusBaseMessage().ends_with(" passes in next 24h") &&
                   ao91 && ao91->name == c.name && told() == c.failureTold;
        }, std::chrono::seconds(10)));
        EXPECT_EQ(state->tleAgeString(), c.age);
        EXPECT_EQ(server.requestCount(kAmateur), before + 1) << "both loads share one download";
        if (c.failureTold) {
            EXPECT_TRUE(state->statusNotes().at("download:amateur").starts_with(
                "Could not download Amateur Radio (HTTP 503): using the copy"));
        }
        const std::set<std::string> sources =
            c.switchCategories ? std::set<std::string>{"amateur"} : std::set<std::string>{"amateur", "stations"};
        ASSERT_NE(entry(*state, 25544), nullptr);
        EXPECT_EQ(entry(*state, 25544)->sources, sources);
    }
}

// The local time zone is pinned to UTC so that the times in the texts are known.
class DownloadOutcomes : public CatalogueLoading {
protected:
    void SetUp() override
    {
        oldTz_ = qgetenv("TZ");
        hadTz_ = qEnvironmentVariableIsSet("TZ");
        qputenv("TZ", "UTC");
        tzset();
        CatalogueLoading::SetUp();
        store().setStringList("tleCategories", {"amateur"});
    }
    void TearDown() override
    {
        CatalogueLoading::TearDown();
        if (hadTz_) {
            qputenv("TZ", oldTz_);
        } else {
            qunsetenv("TZ");
        }
        tzset();
    }

    void writeCopy(double ageSeconds)
    {
        ASSERT_TRUE(platform::Files::createFolder(TLEManager::cacheDir()));
        ASSERT_TRUE(platform::Files::writeFileAtomically(TLEManager::cacheFile("amateur"),
                                                         elementText(kIssName, kIssLine1, kIssLine2)));
        ASSERT_TRUE(platform::Files::writeFileAtomically(
            TLEManager::timestampFile("amateur"),
            formatFixed(Clock::now().timeIntervalSince1970() - ageSeconds, 3)));
    }

    static void waitForPasses(AppState& state)
    {
        ASSERT_TRUE(waitUntil([&] {
            return !state.isLoadingTLEs() && state.statusBaseMessage().ends_with(" passes in next 24h");
        }, std::chrono::seconds(20)));
    }

    QByteArray oldTz_;
    bool hadTz_ = false;
};

TEST_F(DownloadOutcomes, TheStatusNamesFailedCategoriesAndStampsStayTrue)
{
    HttpTestServer::Response dropped;
    dropped.closeWithoutAnswer = true;
    const HttpTestServer::Response fine{200, elementText(kIssName, kIssLine1, kIssLine2), {}, {}, false, false};
    const HttpTestServer::Response unavailable{503, "Service Unavailable", {}, {}, false, false};
    const HttpTestServer::Response noSets{200, "<html>GP data has not updated</html>", {}, {}, false, false};
    const struct {
        const char* label;
        std::optional<double> copyAge; // none: nothing cached
        bool refresh;
        HttpTestServer::Response response;
        int requests;
        const char* note; // the standing note; empty for none
        const char* age;
        std::size_t satellites; // catalogue entries besides the Sun and the Moon
        bool copyBlocked = false; // a folder stands where the copy goes
    } cases[] = {
        {"fresh copy", 3600.0, false, unavailable, 0, "", "1h ago", 1},
        {"fresh download", std::nullopt, false, fine, 1, "", "< 1m ago", 1},
        {"stale copy, error status", 25 * 3600.0, false, unavailable, 1,
         "Could not download Amateur Radio (HTTP 503): using the copy from 2008-09-19 11:00", "1d ago", 1},
        {"stale copy, no element sets", 25 * 3600.0, false, noSets, 1,
         "Could not download Amateur Radio (no element sets in the answer): using the copy from 2008-09-19 11:00",
         "1d ago", 1},
        {"nothing cached, no connection", std::nullopt, false, dropped, 1,
         "No element sets for Amateur Radio yet: could not download them (no connection)", "11d ago", 0},
        {"refresh of a fresh copy fails", 60.0, true, unavailable, 1,
         "Could not download Amateur Radio (HTTP 503): using the copy from 11:59", "1m ago", 1},
        {"download whose copy cannot be kept", std::nullopt, false, fine, 1,
         "Could not store a copy of Amateur Radio", "11d ago", 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        platform::Files::remove(platform::Files::dataFolder() / "tle");
        if (c.copyAge) {
            writeCopy(*c.copyAge);
        }
        if (c.copyBlocked) {
            ASSERT_TRUE(platform::Files::createFolder(TLEManager::cacheFile("amateur")));
        }
        const auto stampBefore = platform::Files::readFile(TLEManager::timestampFile("amateur"));
        server.setResponse(kAmateur, c.response);
        const int before = server.requestCount(kAmateur);
        const auto state = makeState();
        if (c.refresh) {
            state->refreshTLEs();
        } else {
            state->loadData();
        }
        waitForPasses(*state);
        // (The network client may retry once on a dropped connection.)
        EXPECT_GE(server.requestCount(kAmateur), before + c.requests);
        EXPECT_LE(server.requestCount(kAmateur), before + 2 * c.requests);
        const std::string base = state->statusBaseMessage();
        if (*c.note) {
            EXPECT_EQ(state->statusMessage(), base + " \u2014 " + c.note);
            EXPECT_EQ(platform::Files::readFile(TLEManager::timestampFile("amateur")), stampBefore)
                << "a failed download leaves the stamp as it was";
        } else {
            EXPECT_EQ(state->statusMessage(), base);
        }
        EXPECT_EQ(state->tleAgeString(), c.age);
        EXPECT_EQ(state->satellites().size(), c.satellites + 2);

        // The note survives every later pass computation.
        state->setStatusMessage("");
        state->computeAllPasses();
        waitForPasses(*state);
        EXPECT_EQ(state->statusMessage() != state->statusBaseMessage(), *c.note != '\0');
    }
}

TEST_F(DownloadOutcomes, TheNoteStaysUntilTheCategoryDownloadsAgain)
{
    writeCopy(25 * 3600.0);
    server.setResponse(kAmateur, 500, "");
    const auto state = makeState();
    state->loadData();
    waitForPasses(*state);
    const std::string note = "Could not download Amateur Radio (HTTP 500): using the copy from 2008-09-19 11:00";
    EXPECT_EQ(state->statusNotes().at("download:amateur"), note);

    // A load in which the category is not tried again keeps the note.
    writeCopy(3600.0);
    state->loadData();
    waitForPasses(*state);
    EXPECT_EQ(state->statusNotes().at("download:amateur"), note);

    // Downloading it again clears it.
    server.setResponse(kAmateur, 200, elementText(kIssName, kIssLine1, kIssLine2));
    state->refreshTLEs();
    waitForPasses(*state);
    EXPECT_FALSE(state->statusNotes().contains("download:amateur"));
    EXPECT_EQ(state->statusMessage(), state->statusBaseMessage());

    // A category no longer subscribed takes its note with it.
    server.setResponse(kAmateur, 500, "");
    state->refreshTLEs();
    waitForPasses(*state);
    ASSERT_TRUE(state->statusNotes().contains("download:amateur"));
    state->setSubscribedCategories({});
    state->loadData();
    waitForPasses(*state);
    EXPECT_TRUE(state->statusNotes().empty());
}

// The load's background job breaks down (memory ran out): loading ends and
// says why, the catalogue shown and the copies on disk stay, and a refresh
// afterwards loads as ever.
TEST_F(DownloadOutcomes, ALoadThatBreaksDownEndsAndSaysWhy)
{
    const auto state = makeState();
    state->loadData();
    waitForPasses(*state);
    waitForTransmitterDownloads();
    const auto shown = state->satellites();
    ASSERT_EQ(shown.size(), 5u);
    const auto copy = platform::Files::readFile(TLEManager::cacheFile("amateur"));
    const auto stamp = platform::Files::readFile(TLEManager::timestampFile("amateur"));
    ASSERT_TRUE(copy && stamp);
    const int requests = server.requestCount(kAmateur);

    Clock::setFixed(nearEpoch().addingTimeInterval(25 * 3600.0)); // the copy is stale: a download is due
    platform::failNextBackgroundJobs(platform::Lane::work, 1);
    state->loadData();
    ASSERT_TRUE(waitUntil([&] { return !state->isLoadingTLEs(); }, std::chrono::seconds(20)));
    EXPECT_EQ(state->statusMessage(), "Could not load Amateur Radio (out of memory)");
    EXPECT_EQ(state->satellites(), shown);
    EXPECT_EQ(platform::Files::readFile(TLEManager::cacheFile("amateur")), copy);
    EXPECT_EQ(platform::Files::readFile(TLEManager::timestampFile("amateur")), stamp);
    EXPECT_EQ(server.requestCount(kAmateur), requests);

    state->refreshTLEs();
    waitForPasses(*state);
    EXPECT_EQ(server.requestCount(kAmateur), requests + 1);
    EXPECT_NE(state->satellites(), shown);
    EXPECT_TRUE(state->statusNotes().empty());
    EXPECT_EQ(state->tleAgeString(), "< 1m ago");
}

// Two loads in a row of different subscriptions: only the newest one
// rebuilds, and the tracked entry of the catalogue before stays tracked.
TEST_F(CatalogueLoading, QuickReloadsRebuildOnlyTheNewestAndTheTrackedEntryStaysTracked)
{
    const auto state = makeState();
    loadAndSettle(*state);
    const auto oldIss = entry(*state, 25544);
    ASSERT_NE(oldIss, nullptr);
    state->setTrackingSatellite(oldIss);

    // Every rebuild is followed by further assignments, so each new
    // catalogue is seen by some notification.
    std::vector<const Satellite*> catalogues;
    state->objectWillChange.connect([&] {
        const Satellite* first = state->satellites().front().get();
        if (catalogues.empty() || catalogues.back() != first) {
            catalogues.push_back(first);
        }
    });
    state->loadData(); // amateur and stations
    state->setSubscribedCategories({"stations"});
    state->loadData();
    ASSERT_TRUE(waitUntil([&] {
        return !state->isLoadingTLEs() && state->statusBaseMessage().ends_with(" passes in next 24h");
    }, std::chrono::seconds(20)));
    const std::vector<std::string> stationsOnly{"ISS (ZARYA)", "Moon", "Sun"};
    EXPECT_EQ(names(*state), stationsOnly);
    EXPECT_EQ(catalogues.size(), 2u) << "one rebuild: the first load never publishes";
    EXPECT_NE(entry(*state, 25544), oldIss);
    EXPECT_EQ(state->trackingSatellite(), oldIss) << "a rebuild does not touch the tracked entry";
    EXPECT_FALSE(oldIss->passes.empty()) << "and it keeps its own passes";
}

// The older of two loads is the slower one: held at its hand-over until
// the newer one has published, it then publishes nothing.
TEST_F(CatalogueLoading, TheNewestLoadWinsWhenTheOlderOneIsSlower)
{
    const auto state = makeState();
    std::map<std::uint64_t, std::function<void()>> held;
    state->setCatalogueHandOver([&](std::uint64_t generation, std::function<void()> handOver) {
        if (generation == 1) {
            held[generation] = std::move(handOver);
        } else {
            handOver();
        }
    });
    state->setSubscribedCategories({"amateur"});
    state->loadData();
    ASSERT_EQ(state->catalogueLoadGeneration(), 1u);
    ASSERT_TRUE(waitUntil([&] { return held.contains(1); }, std::chrono::seconds(20)))
        << "the first load is built and waits";
    state->setSubscribedCategories({"stations"});
    state->loadData();
    ASSERT_EQ(state->catalogueLoadGeneration(), 2u);
    ASSERT_TRUE(waitUntil([&] {
        return !state->isLoadingTLEs() && state->statusBaseMessage().ends_with(" passes in next 24h");
    }, std::chrono::seconds(20)));
    const std::vector<std::string> stationsOnly{"ISS (ZARYA)", "Moon", "Sun"};
    ASSERT_EQ(names(*state), stationsOnly);

    // The slow load ends now.
    const auto catalogue = state->satellites();
    bool replaced = false;
    state->objectWillChange.connect([&] { replaced |= state->satellites() != catalogue; });
    held[1]();
    spinFor(std::chrono::milliseconds(50));
    EXPECT_FALSE(replaced);
    EXPECT_EQ(state->satellites(), catalogue);
    EXPECT_EQ(names(*state), stationsOnly);
    EXPECT_FALSE(state->isLoadingTLEs());
}

TEST_F(CatalogueLoading, DownloadedTransmittersOfAnUnlistedNumberReachTheRebuiltEntryAtOnce)
{
    // 40001 is not in the transmitter resource, so only the download knows it.
    store().setIntList("selectedSatIds", {40001});
    server.setResponse(
        "/api/transmitters/?format=json&satellite__norad_cat_id=40001", 200,
        R"([{"uuid":"u2","description":"Beacon","alive":true,"downlink_low":435500000,)"
        R"("mode":"CW","norad_cat_id":40001,"type":"Transmitter"}])");
    const auto state = makeState();
    loadAndSettle(*state);
    const auto first = entry(*state, 40001);
    ASSERT_TRUE(waitUntil([&] { return first->transmitters.size() == 1; }, std::chrono::seconds(10)));

    // Captured at the first notification that shows the new catalogue,
    // before any transmitter answer of the new load can have arrived.
    std::optional<std::vector<Transmitter>> atRebuild;
    state->objectWillChange.connect([&] {
        const auto now = entry(*state, 40001);
        if (!atRebuild && now && now != first) {
            atRebuild = now->transmitters;
        }
    });
    loadAndSettle(*state);
    ASSERT_TRUE(atRebuild.has_value());
    ASSERT_EQ(atRebuild->size(), 1u);
    EXPECT_EQ((*atRebuild)[0].freq, 435500000.0);
    EXPECT_EQ((*atRebuild)[0].mode, "CW");
}

// An element line of the shared orbit under another catalogue number, with
// its checksum recomputed.
std::string lineWithNumber(const char* line, std::int64_t noradId)
{
    std::string text(line);
    const std::string number = std::to_string(noradId);
    text.replace(2, 5, std::string(5 - number.size(), '0') + number);
    int sum = 0;
    for (std::size_t i = 0; i < 68; ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            sum += text[i] - '0';
        } else if (text[i] == '-') {
            sum += 1;
        }
    }
    text[68] = static_cast<char>('0' + sum % 10);
    return text;
}

// Many selected satellites: their transmitter lists are downloaded a few at
// a time, every one of them once, and every answer reaches its entry; the
// next load answers them all from the fresh cache without a request.
TEST_F(CatalogueLoading, ManySelectedSatellitesDownloadTheirTransmittersAFewAtATime)
{
    constexpr int kCount = 24;
    std::string sets;
    std::vector<std::int64_t> ids;
    for (int i = 0; i < kCount; ++i) {
        const std::int64_t id = 41000 + i;
        ids.push_back(id);
        sets += "SAT " + std::to_string(i) + "\n" + lineWithNumber(kOtherLine1, id) + "\n" +
                lineWithNumber(kOtherLine2, id) + "\n";
        HttpTestServer::Response answer;
        answer.body = R"([{"uuid":"u)" + std::to_string(id) +
                      R"(","description":"Beacon","alive":true,"downlink_low":)" +
                      std::to_string(435000000 + i * 1000) + R"(,"mode":"CW","norad_cat_id":)" +
                      std::to_string(id) + R"(,"type":"Transmitter"}])";
        answer.delay = std::chrono::milliseconds(15);
        server.setResponse("/api/transmitters/?format=json&satellite__norad_cat_id=" + std::to_string(id),
                           std::move(answer));
    }
    server.setResponse(kAmateur, 200, sets);
    store().setStringList("tleCategories", {"amateur"});
    store().setIntList("selectedSatIds", ids);
    const auto state = makeState();
    state->loadData();

    int most = 0;
    const auto allArrived = [&] {
        most = std::max(most, state->transmitterDownloadsInFlight());
        if (state->satellites().size() < kCount) {
            return false;
        }
        for (const std::int64_t id : ids) {
            const auto sat = entry(*state, id);
            if (!sat || sat->transmitters.size() != 1) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(waitUntil(allArrived, std::chrono::seconds(30)));
    EXPECT_LE(most, AppState::kTransmitterDownloadsAtOnce);
    EXPECT_GE(most, 2) << "the downloads overlap";
    EXPECT_EQ(state->transmitterDownloadsInFlight(), 0);
    EXPECT_EQ(state->transmitterDownloadsWaiting(), 0u);
    for (int i = 0; i < kCount; ++i) {
        const auto sat = entry(*state, ids[static_cast<std::size_t>(i)]);
        EXPECT_EQ(sat->transmitters[0].freq, 435000000.0 + i * 1000) << sat->name;
        EXPECT_EQ(server.requestCount("/api/transmitters/?format=json&satellite__norad_cat_id=" +
                                      std::to_string(sat->id)),
                  1);
    }

    // The next load: every list is fresh in the cache; no request is made.
    const auto again = makeState();
    again->loadData();
    const auto allCached = [&] {
        if (again->satellites().size() < kCount) {
            return false;
        }
        for (const std::int64_t id : ids) {
            const auto sat = entry(*again, id);
            if (!sat || sat->transmitters.size() != 1 || sat->transmitters[0].description != "Beacon") {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(waitUntil(allCached, std::chrono::seconds(30)));
    for (const std::int64_t id : ids) {
        EXPECT_EQ(server.requestCount("/api/transmitters/?format=json&satellite__norad_cat_id=" +
                                      std::to_string(id)),
                  1)
            << "answered from the cache: " << id;
    }
}

// A user source that trickles and stalls hides nothing: the other
// categories' satellites and passes show while it downloads (its cached copy
// standing in), and its answer, or its failure with the last good copy,
// follows when it ends.
TEST_F(CatalogueLoading, OneSlowSourceHidesNothing)
{
    const UserTLESource slow("Slow", server.url("/slow.tle"));
    ASSERT_TRUE(UserTLESourceStore::add(slow));
    const std::string key = slow.categoryKey();
    const auto sets = [](const char* name) {
        return std::string(name) + "\n" + lineWithNumber(kOtherLine1, 41999) + "\n" +
               lineWithNumber(kOtherLine2, 41999) + "\n";
    };
    const struct {
        const char* label;
        bool copy; // a cached copy 25 hours old
        int status;
        const char* whileSlow; // the name of 41999 while the source trickles; empty: none
        const char* atTheEnd;
        bool failureTold;
    } cases[] = {
        {"no copy, answered", false, 200, "", "SLOW NEW", false},
        {"old copy, answered", true, 200, "SLOW OLD", "SLOW NEW", false},
        {"old copy, error status", true, 503, "SLOW OLD", "SLOW OLD", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        platform::Files::remove(platform::Files::dataFolder() / "tle");
        if (c.copy) {
            ASSERT_TRUE(platform::Files::createFolder(TLEManager::cacheDir()));
            ASSERT_TRUE(platform::Files::writeFileAtomically(TLEManager::cacheFile(key), sets("SLOW OLD")));
            ASSERT_TRUE(platform::Files::writeFileAtomically(
                TLEManager::timestampFile(key), formatFixed(Clock::now().timeIntervalSince1970() - 25 * 3600.0, 3)));
        }
        server.setResponse("/slow.tle", c.status, sets("SLOW NEW"));
        server.hold("/slow.tle", 8);
        const int before = server.requestCount("/slow.tle");
        const auto state = makeState();
        state->setSubscribedCategories({"amateur", key});
        state->loadData();

        const auto shown = [&](const char* name) {
            const auto found = entry(*state, 41999);
            return *name ? found && found->name == name : !found;
        };
        ASSERT_TRUE(waitUntil([&] {
            const auto iss = entry(*state, 25544);
            return iss && !iss->passes.empty() && state->statusBaseMessage().ends_with(" passes in next 24h") &&
                   shown(c.whileSlow);
        }, std::chrono::seconds(5)));
        EXPECT_EQ(server.heldCount("/slow.tle"), 1);
        EXPECT_TRUE(state->isLoadingTLEs()) << "the slow source is still loading";
        EXPECT_EQ(entry(*state, 43017)->name, "AO-91");

        server.release("/slow.tle");
        ASSERT_TRUE(waitUntil([&] {
            return !state->isLoadingTLEs() && state->statusBaseMessage().ends_with(" passes in next 24h") &&
                   shown(c.atTheEnd);
        }, std::chrono::seconds(10)));
        EXPECT_EQ(state->statusNotes().contains("download:" + key), c.failureTold);
        if (c.failureTold) {
            EXPECT_TRUE(state->statusNotes().at("download:" + key).starts_with(
                "Could not download Slow (HTTP 503): using the copy"));
        }
        EXPECT_NE(entry(*state, 25544), nullptr);
        EXPECT_EQ(server.requestCount("/slow.tle"), before + 1);
    }
}

TEST(TransmitterTable, BuiltInListsAndTheResourceReplaceOnlyTheirOwnNumbers)
{
    TempDir dir;
    platform::SettingsStore store(std::filesystem::path(dir.str()) / "s.json");
    const auto state = std::make_shared<AppState>(store);
    state->setTransmitterDB({{54684, {}}, {11111, {}}});
    state->loadBuiltinTransmitters();
    const auto& table = state->transmitterDB();
    EXPECT_EQ(table.size(), 7u) << "six numbers replaced or added, others kept";
    EXPECT_EQ(table.at(54684).size(), 1u);
    EXPECT_TRUE(table.contains(11111));
    const auto& linear = table.at(44909);
    ASSERT_EQ(linear.size(), 3u);
    EXPECT_EQ(linear[1].freqLow, 435610000.0);
    EXPECT_EQ(linear[1].freqHigh, 435670000.0);
    EXPECT_EQ(linear[1].freq, std::nullopt);
    EXPECT_TRUE(linear[1].inverting);
    EXPECT_EQ(linear[2].direction, "up");
    ASSERT_EQ(table.at(27607).size(), 2u);
    EXPECT_EQ(table.at(27607)[1].ctcss, 67.0);
    EXPECT_EQ(table.at(25544)[0].description, "Voice repeater DL");
    EXPECT_NE(table.at(25544)[0].id, table.at(25544)[1].id);

    // The shipped resource, found beside the test program, is used whole;
    // the built-in lists are not consulted for numbers it does not name.
    const auto resource = loadTransmitterResource();
    ASSERT_TRUE(resource.has_value());
    const auto fresh = std::make_shared<AppState>(store);
    fresh->loadTransmitterDB();
    EXPECT_EQ(fresh->transmitterDB().size(), resource->transmittersByNoradId().size());
    EXPECT_FALSE(fresh->transmitterDB().contains(54684));
}

TEST(TleAgeText, Table)
{
    TempDir dir;
    platform::SettingsStore store(std::filesystem::path(dir.str()) / "s.json");
    const auto state = std::make_shared<AppState>(store);
    const std::pair<double, const char*> table[] = {
        {0.0, "< 1m ago"},      {59.9, "< 1m ago"},       {-5.0, "< 1m ago"},
        {60.0, "1m ago"},       {3599.0, "59m ago"},      {3600.0, "1h ago"},
        {86399.9, "23h ago"},   {86400.0, "1d ago"},      {999999.0, "11d ago"},
    };
    for (const auto& [age, text] : table) {
        state->setTleAge(age);
        EXPECT_EQ(state->tleAgeString(), text) << age;
    }
}

} // namespace
} // namespace zelvane::test
