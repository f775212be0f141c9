#include <gtest/gtest.h>

#include <QUrl>

#include <atomic>

#include "elements/custom_tle_store.h"
#include "elements/tle_manager.h"
#include "elements/tle_parser.h"
#include "elements/user_tle_source.h"
#include "orbital/numeric_text.h"
#include "platform/dispatch.h"
#include "platform/files.h"
#include "platform/http.h"
#include "platform/settings_store.h"
#include "tests/elements/element_test_helpers.h"
#include "tests/platform/endless_http_server.h"
#include "tests/platform/gzip_bomb.h"
#include "tests/support/http_test_server.h"
#include "tests/support/resident_peak.h"
#include "tests/support/test_support.h"

namespace zelvane {
namespace {

using namespace std::chrono_literals;
namespace Files = platform::Files;
using test::HttpTestServer;
using test::ommJson;
using test::tleText;

std::string groupTarget(const std::string& group)
{
    return std::string(TLEManager::servicePath) + "?GROUP=" + group + "&FORMAT=json";
}

const Date kNow = *utcMidnight(2024, 3, 1);

class TLEManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Files::setHomeFolder(home_.str());
        platform::SettingsStore::setStandardPath(std::filesystem::path(home_.str()) / "settings.json");
        TLEManager::setServiceBaseURL(server_.url(""));
        Clock::setFixed(kNow);
    }
    void TearDown() override
    {
        Clock::clearFixed();
        TLEManager::failNextAnswerReadings(0);
        TLEManager::failNextAnswersTakenIn(0);
        platform::Http::setBodyLimit(0);
        TLEManager::setServiceBaseURL("");
        platform::SettingsStore::setStandardPath({});
        Files::setHomeFolder({});
    }

    // A cached copy of the category, stamped the given number of seconds ago.
    void writeCache(const std::string& key, const std::string& body, std::optional<double> ageSeconds)
    {
        ASSERT_TRUE(Files::createFolder(TLEManager::cacheDir()));
        ASSERT_TRUE(Files::writeFileAtomically(TLEManager::cacheFile(key), body));
        if (ageSeconds) {
            ASSERT_TRUE(Files::writeFileAtomically(TLEManager::timestampFile(key),
                                                   formatFixed(kNow.timeIntervalSince1970() - *ageSeconds, 3)));
        }
    }

    // Runs one load and checks its completion: once, on the main thread,
    // never before fetchCategories has returned.
    std::vector<TLEData> fetch(const std::vector<std::string>& keys)
    {
        struct Outcome {
            std::atomic<int> calls{0};
            std::atomic<bool> returned{false};
            std::atomic<bool> wrongPlace{false};
            std::vector<TLEData> sets;
        };
        auto outcome = std::make_shared<Outcome>();
        TLEManager::fetchCategories(keys, [outcome](std::vector<TLEData> sets) {
            if (!platform::isMainThread() || !outcome->returned) {
                outcome->wrongPlace = true;
            }
            outcome->sets = std::move(sets);
            ++outcome->calls;
        });
        outcome->returned = true;
        EXPECT_TRUE(test::waitUntil([&]() { return outcome->calls.load() > 0; }, 10s));
        test::spinFor(100ms);
        EXPECT_EQ(outcome->calls.load(), 1);
        EXPECT_FALSE(outcome->wrongPlace.load()) << "completion off the main thread or before the call returned";
        return outcome->sets;
    }

    test::TempDir home_;
    HttpTestServer server_;
};

const TLEData* find(const std::vector<TLEData>& sets, std::int64_t noradId)
{
    for (const auto& set : sets) {
        if (set.noradId == noradId) {
            return &set;
        }
    }
    return nullptr;
}

TEST_F(TLEManagerTest, CategoryTable)
{
    const auto table = TLEManager::builtinCategories();
    ASSERT_EQ(table.size(), 41u);
    EXPECT_EQ(table.front().name, "amateur");
    EXPECT_EQ(table.back().name, "radar");
    std::vector<std::string> sections;
    std::set<std::string> keys;
    for (const auto& row : table) {
        EXPECT_FALSE(row.isUserSource);
        EXPECT_TRUE(keys.insert(row.name).second) << row.name;
        if (sections.empty() || sections.back() != row.section) {
            sections.push_back(row.section);
        }
    }
    EXPECT_EQ(sections, (std::vector<std::string>{"Amateur & Stations", "Special", "Weather & Earth", "Navigation",
                                                  "Communications", "Scientific"}))
        << "six sections, each contiguous";
    EXPECT_EQ(table[4].name, "tle-new");
    EXPECT_EQ(table[4].description, "Last 30 Days' Launches");
    EXPECT_EQ(table[4].url, server_.url(groupTarget("last-30-days")));
    EXPECT_EQ(table[27].url, server_.url(groupTarget("iridium-NEXT")));
    EXPECT_EQ(table[5].description, "All Active (large, ~11k)");

    TLEManager::setServiceBaseURL("");
    EXPECT_EQ(TLEManager::celestrakURL("amateur"),
              "https://celestrak.org/NORAD/elements/gp.php?GROUP=amateur&FORMAT=json");
}

TEST_F(TLEManagerTest, ParseAutoReadsEitherForm)
{
    const std::string omm = "[" + ommJson("A", 1, "2024-01-01T00:00:00") + "," + ommJson("B", 2, "2024-01-01T00:00:00") + "]";
    EXPECT_EQ(TLEManager::parseAuto(omm).size(), 2u);
    EXPECT_EQ(TLEManager::parseAuto("\n\n  " + omm).size(), 2u);
    EXPECT_EQ(TLEManager::parseAuto(tleText("A", 1) + tleText("B", 2) + tleText("C", 3)).size(), 3u);
    EXPECT_TRUE(TLEManager::parseAuto("[]").empty());
    EXPECT_TRUE(TLEManager::parseAuto("<html>Forbidden</html>").empty());
    // An OMM document that fails as a whole goes to the text reader.
    EXPECT_TRUE(TLEManager::parseAuto("[" + ommJson("A", 1, "2024-01-01T00:00:00") + ",{}]").empty());
}

TEST_F(TLEManagerTest, CacheFilesAndStamps)
{
    const auto folder = Files::dataFolder() / "tle";
    EXPECT_EQ(TLEManager::cacheFile("amateur"), folder / "amateur.tle");
    EXPECT_EQ(TLEManager::timestampFile("amateur"), folder / "amateur.timestamp");
    EXPECT_EQ(TLEManager::cacheFile("user:My_Sats"), folder / "user-My_Sats.tle");
    EXPECT_EQ(TLEManager::cacheFile("a:b/c"), TLEManager::cacheFile("a-b_c"));

    struct Case {
        const char* stamp; // nullptr: no stamp file
        bool stale;
    };
    const double now = kNow.timeIntervalSince1970();
    const std::string h23 = formatFixed(now - 23 * 3600, 3);
    const std::string h24 = formatFixed(now - 24 * 3600, 3);
    const std::string h24s1 = formatFixed(now - 24 * 3600 - 1, 3);
    const std::string future = formatFixed(now + 3600, 3);
    const std::string padded = "  " + h23 + "\n";
    TLEManager::cacheDir();
    const Case cases[] = {{nullptr, true}, {h23.c_str(), false}, {h24.c_str(), false}, {h24s1.c_str(), true},
                          {future.c_str(), false}, {padded.c_str(), false}, {"abc", true}, {"", true}};
    for (const auto& c : cases) {
        Files::remove(TLEManager::timestampFile("k"));
        if (c.stamp != nullptr) {
            ASSERT_TRUE(Files::writeFileAtomically(TLEManager::timestampFile("k"), c.stamp));
        }
        EXPECT_EQ(TLEManager::isCacheStale("k"), c.stale) << (c.stamp ? c.stamp : "(none)");
    }
}

TEST_F(TLEManagerTest, LoadCachedAndOldestAge)
{
    writeCache("html", "<html>error</html>", 60);
    EXPECT_FALSE(TLEManager::loadCached("html")) << "fresh, but nothing readable";
    EXPECT_FALSE(TLEManager::loadCached("missing"));
    writeCache("good", "[" + ommJson("A", 1, "2024-01-01T00:00:00") + "]", std::nullopt);
    const auto sets = TLEManager::loadCached("good");
    ASSERT_TRUE(sets.has_value());
    ASSERT_EQ(sets->size(), 1u);
    EXPECT_EQ(sets->front().source, "good");

    writeCache("one", "x", 3600);
    writeCache("five", "x", 5 * 3600);
    writeCache("two", "x", 2 * 3600);
    writeCache("future", "x", -3600);
    EXPECT_NEAR(TLEManager::oldestCacheAge({"one", "five", "two"}), 5 * 3600, 0.01);
    EXPECT_EQ(TLEManager::oldestCacheAge({"one", "good", "five"}), 999999.0);
    EXPECT_EQ(TLEManager::oldestCacheAge({}), 0.0);
    EXPECT_EQ(TLEManager::oldestCacheAge({"future"}), 0.0);
}

TEST_F(TLEManagerTest, FreshCacheIsUsedWithoutARequest)
{
    writeCache("amateur", "[" + ommJson("CACHED", 100, "2024-02-28T00:00:00") + "]", 23 * 3600);
    server_.setResponse(groupTarget("amateur"), 200, "[" + ommJson("DOWNLOADED", 100, "2024-02-29T00:00:00") + "]");
    const auto sets = fetch({"amateur"});
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].name, "CACHED");
    EXPECT_EQ(sets[0].source, "amateur");
    EXPECT_EQ(server_.totalRequests(), 0);
}

TEST_F(TLEManagerTest, StaleCacheIsDownloadedWrittenAndStamped)
{
    const std::string body = "[" + ommJson("NEW", 100, "2024-02-29T00:00:00") + "]";
    server_.setResponse(groupTarget("amateur"), 200, body);
    const struct {
        const char* label;
        std::optional<double> stampAge;
    } cases[] = {{"25 hours old", 25 * 3600.0}, {"fresh stamp, no body", 60.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Files::remove(Files::dataFolder());
        if (c.stampAge) {
            writeCache("amateur", "[" + ommJson("OLD", 100, "2024-01-01T00:00:00") + "]", c.stampAge);
        }
        if (c.stampAge && *c.stampAge < 3600) {
            Files::remove(TLEManager::cacheFile("amateur"));
        }
        const int before = server_.totalRequests();
        const auto sets = fetch({"amateur"});
        EXPECT_EQ(server_.totalRequests(), before + 1);
        ASSERT_EQ(sets.size(), 1u);
        EXPECT_EQ(sets[0].name, "NEW");
        EXPECT_EQ(Files::readFile(TLEManager::cacheFile("amateur")), body);
        const auto stamp = Files::readFile(TLEManager::timestampFile("amateur"));
        ASSERT_TRUE(stamp.has_value());
        EXPECT_EQ(parseDecimal(*stamp), kNow.timeIntervalSince1970());
        EXPECT_FALSE(TLEManager::isCacheStale("amateur"));
    }
}

TEST_F(TLEManagerTest, FailedOrUselessDownloadsFallBackToTheCachedCopyAndTouchNothing)
{
    HttpTestServer::Response dropped;
    dropped.closeWithoutAnswer = true;
    HttpTestServer::Response rateLimited;
    rateLimited.status = 403;
    rateLimited.body = "GP data has not updated since your last successful download.";
    const struct {
        const char* label;
        HttpTestServer::Response response;
    } cases[] = {
        {"transport error", dropped},
        {"rate-limit text", rateLimited},
        {"HTML error page", {404, "<html><body>Not Found</body></html>", {}, 0ms, false, false}},
        {"empty body", {200, "", {}, 0ms, false, false}},
        {"not UTF-8", {200, std::string("\xff\xfe\x00", 3), {}, 0ms, false, false}},
    };
    const std::string cachedBody = "[" + ommJson("CACHED", 100, "2024-01-01T00:00:00") + "]";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        writeCache("amateur", cachedBody, 25 * 3600);
        const auto stampBefore = Files::readFile(TLEManager::timestampFile("amateur"));
        server_.setResponse(groupTarget("amateur"), c.response);
        const int before = server_.totalRequests();

        const auto sets = fetch({"amateur"});
        // (The network client may retry once on a dropped connection.)
        EXPECT_GE(server_.totalRequests(), before + 1);
        ASSERT_EQ(sets.size(), 1u);
        EXPECT_EQ(sets[0].name, "CACHED");
        EXPECT_EQ(sets[0].source, "amateur");
        EXPECT_EQ(Files::readFile(TLEManager::cacheFile("amateur")), cachedBody);
        EXPECT_EQ(Files::readFile(TLEManager::timestampFile("amateur")), stampBefore);
        EXPECT_TRUE(TLEManager::isCacheStale("amateur")) << "the next load tries again";
    }
}

TEST_F(TLEManagerTest, LoadsReportHowEachCategoryWent)
{
    using Outcome = TLEManager::CategoryOutcome;
    HttpTestServer::Response dropped;
    dropped.closeWithoutAnswer = true;
    const std::string cachedBody = "[" + ommJson("CACHED", 100, "2024-01-01T00:00:00") + "]";
    const std::string newBody = "[" + ommJson("NEW", 100, "2024-02-29T00:00:00") + "]";
    const double now = kNow.timeIntervalSince1970();
    const struct {
        const char* label;
        std::optional<double> copyAge; // none: nothing cached
        bool force;
        HttpTestServer::Response response;
        Outcome expected;
        const char* name; // the set in use; empty for none
    } cases[] = {
        {"fresh copy", 3600.0, false, {503, "", {}, 0ms, false, false},
         Outcome{"amateur", false, std::nullopt, false, std::nullopt}, "CACHED"},
        {"stale copy, downloaded", 25 * 3600.0, false, {200, newBody, {}, 0ms, false, false},
         Outcome{"amateur", true, std::nullopt, false, std::nullopt}, "NEW"},
        {"stale copy, error status", 25 * 3600.0, false, {503, newBody, {}, 0ms, false, false},
         Outcome{"amateur", false, "HTTP 503", true, now - 25 * 3600.0}, "CACHED"},
        {"stale copy, no connection", 25 * 3600.0, false, dropped,
         Outcome{"amateur", false, "no connection", true, now - 25 * 3600.0}, "CACHED"},
        {"stale copy, no element sets", 25 * 3600.0, false, {200, "<html>busy</html>", {}, 0ms, false, false},
         Outcome{"amateur", false, "no element sets in the answer", true, now - 25 * 3600.0}, "CACHED"},
        {"nothing cached, error status", std::nullopt, false, {404, "", {}, 0ms, false, false},
         Outcome{"amateur", false, "HTTP 404", false, std::nullopt}, ""},
        {"forced over a fresh copy, fails", 60.0, true, {500, "", {}, 0ms, false, false},
         Outcome{"amateur", false, "HTTP 500", true, now - 60.0}, "CACHED"},
        {"forced over a fresh copy, downloaded", 60.0, true, {200, newBody, {}, 0ms, false, false},
         Outcome{"amateur", true, std::nullopt, false, std::nullopt}, "NEW"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Files::remove(Files::dataFolder());
        if (c.copyAge) {
            writeCache("amateur", cachedBody, *c.copyAge);
        }
        const auto stampBefore = Files::readFile(TLEManager::timestampFile("amateur"));
        server_.setResponse(groupTarget("amateur"), c.response);

        std::optional<TLEManager::CategoriesLoad> load;
        bool wrongPlace = false;
        TLEManager::loadCategories({"amateur"}, c.force, [&](TLEManager::CategoriesLoad result) {
            wrongPlace = !platform::isMainThread();
            load = std::move(result);
        });
        EXPECT_FALSE(load.has_value()) << "never before the call returns";
        ASSERT_TRUE(test::waitUntil([&]() { return load.has_value(); }, 10s));
        EXPECT_FALSE(wrongPlace);
        ASSERT_EQ(load->outcomes.size(), 1u);
        const Outcome& got = load->outcomes[0];
        EXPECT_EQ(got.key, c.expected.key);
        EXPECT_EQ(got.downloaded, c.expected.downloaded);
        EXPECT_EQ(got.failure, c.expected.failure);
        EXPECT_EQ(got.usingCachedCopy, c.expected.usingCachedCopy);
        ASSERT_EQ(got.cachedCopyStamp.has_value(), c.expected.cachedCopyStamp.has_value());
        if (got.cachedCopyStamp) {
            EXPECT_NEAR(*got.cachedCopyStamp, *c.expected.cachedCopyStamp, 0.01);
        }
        if (*c.name) {
            ASSERT_EQ(load->sets.size(), 1u);
            EXPECT_EQ(load->sets[0].name, c.name);
        } else {
            EXPECT_TRUE(load->sets.empty());
        }
        if (c.expected.failure) {
            EXPECT_EQ(Files::readFile(TLEManager::timestampFile("amateur")), stampBefore)
                << "a failed download never touches the stamp";
        } else if (c.expected.downloaded) {
            EXPECT_EQ(Files::readFile(TLEManager::cacheFile("amateur")), newBody);
            EXPECT_FALSE(TLEManager::isCacheStale("amateur"));
        }
    }
}

// A user address without an HTTP status (a file address) is read like any
// answer; only a transport error or an HTTP error status fails.
TEST_F(TLEManagerTest, AFileAddressIsReadWithoutAnHttpStatus)
{
    const auto listFile = std::filesystem::path(home_.str()) / "list.tle";
    ASSERT_TRUE(Files::writeFileAtomically(listFile, tleText("FROM FILE", 4242)));
    const UserTLESource source("Local list", QUrl::fromLocalFile(QString::fromStdString(listFile.string()))
                                                 .toString()
                                                 .toStdString());
    ASSERT_TRUE(UserTLESourceStore::add(source));
    std::optional<TLEManager::CategoriesLoad> load;
    TLEManager::loadCategories({source.categoryKey()}, true,
                               [&](TLEManager::CategoriesLoad result) { load = std::move(result); });
    ASSERT_TRUE(test::waitUntil([&]() { return load.has_value(); }, 10s));
    ASSERT_EQ(load->outcomes.size(), 1u);
    EXPECT_EQ(load->outcomes[0].failure, std::nullopt);
    EXPECT_TRUE(load->outcomes[0].downloaded);
    ASSERT_NE(find(load->sets, 4242), nullptr);
    EXPECT_EQ(find(load->sets, 4242)->name, "FROM FILE");
}

// A server that never ends its body: past the bound the download fails like
// any other, the last good copy stands in and the cache is not touched.
// The bounds are the test's own, so that no row streams the program's 64 MiB.
TEST_F(TLEManagerTest, ABodyPastTheBoundFailsAndTheLastGoodCopyStays)
{
    test::EndlessHttpServer endless;
    const UserTLESource source("Endless", endless.url());
    ASSERT_TRUE(UserTLESourceStore::add(source));
    const std::string key = source.categoryKey();
    const std::string cachedBody = tleText("CACHED", 777);
    for (const std::size_t limit : {std::size_t{256} << 10, std::size_t{1} << 20}) {
        SCOPED_TRACE(limit);
        platform::Http::setBodyLimit(limit);
        writeCache(key, cachedBody, 25 * 3600);
        const auto stampBefore = Files::readFile(TLEManager::timestampFile(key));
        const std::int64_t sentBefore = endless.bodyBytesSent();
        std::optional<TLEManager::CategoriesLoad> load;
        TLEManager::loadCategories({key}, false, [&](TLEManager::CategoriesLoad result) { load = std::move(result); });
        ASSERT_TRUE(test::waitUntil([&]() { return load.has_value(); }, 60s));
        ASSERT_EQ(load->outcomes.size(), 1u);
        EXPECT_EQ(load->outcomes[0].failure, std::string("answer too large"));
        EXPECT_TRUE(load->outcomes[0].usingCachedCopy);
        ASSERT_EQ(load->sets.size(), 1u);
        EXPECT_EQ(load->sets[0].name, "CACHED");
        EXPECT_EQ(Files::readFile(TLEManager::cacheFile(key)), cachedBody);
        EXPECT_EQ(Files::readFile(TLEManager::timestampFile(key)), stampBefore);
        const std::int64_t bound = static_cast<std::int64_t>(platform::Http::bodyLimit());
        EXPECT_LT(endless.bodyBytesSent() - sentBefore, 2 * bound + (16 << 20)) << "the transfer ends soon after the bound";
    }
    platform::Http::setBodyLimit(0);
}

// While a download runs, the interim receiver gets what is at hand (a fresh
// copy, the running download's stale copy) and its completion never comes
// before the answer; a second load asked for meanwhile waits for that same
// answer instead of asking again or reading the copy being replaced.
TEST_F(TLEManagerTest, ARunningDownloadShowsItsCopyAndAnswersEveryLoadWaitingOnIt)
{
    writeCache("amateur", tleText("AMATEUR", 100), 60.0);
    writeCache("stations", tleText("STATIONS OLD", 200), 25 * 3600.0);
    server_.setResponse(groupTarget("stations"), 200, tleText("STATIONS NEW", 200));
    server_.hold(groupTarget("stations"));

    std::vector<TLEManager::CategoriesLoad> pictures;
    std::optional<TLEManager::CategoriesLoad> first;
    TLEManager::loadCategories(
        {"amateur", "stations"}, false, [&](TLEManager::CategoriesLoad result) { first = std::move(result); },
        [&](TLEManager::CategoriesLoad picture) {
            EXPECT_FALSE(first.has_value()) << "no picture after the result";
            pictures.push_back(std::move(picture));
        });
    ASSERT_TRUE(test::waitUntil([&]() { return !pictures.empty() && server_.heldCount(groupTarget("stations")) == 1; }, 10s));
    EXPECT_FALSE(pictures[0].complete);
    ASSERT_EQ(pictures[0].sets.size(), 2u);
    EXPECT_EQ(find(pictures[0].sets, 100)->name, "AMATEUR");
    EXPECT_EQ(find(pictures[0].sets, 200)->name, "STATIONS OLD");
    EXPECT_EQ(pictures[0].outcomes[1], (TLEManager::CategoryOutcome{"stations", false, std::nullopt, false, std::nullopt}));

    // A fresh stamp would send a plain load to the cache: it waits instead.
    writeCache("stations", tleText("STATIONS OLD", 200), 60.0);
    std::optional<TLEManager::CategoriesLoad> second;
    TLEManager::loadCategories({"stations"}, false, [&](TLEManager::CategoriesLoad result) { second = std::move(result); });
    test::spinFor(50ms);
    EXPECT_FALSE(first.has_value());
    EXPECT_FALSE(second.has_value());

    server_.release(groupTarget("stations"));
    ASSERT_TRUE(test::waitUntil([&]() { return first.has_value() && second.has_value(); }, 10s));
    EXPECT_EQ(server_.requestCount(groupTarget("stations")), 1);
    for (const auto* load : {&*first, &*second}) {
        EXPECT_TRUE(load->complete);
        ASSERT_NE(find(load->sets, 200), nullptr);
        EXPECT_EQ(find(load->sets, 200)->name, "STATIONS NEW");
        EXPECT_TRUE(load->outcomes.back().downloaded);
    }
    EXPECT_EQ(first->sets.size(), 2u);
    EXPECT_EQ(pictures.size(), 1u);
}

// Every picture shows the imported sets beside the categories, and the
// whole result reads them afresh: an import made while the load runs is
// in it.
TEST_F(TLEManagerTest, PicturesAndTheResultCarryTheImportedSets)
{
    ASSERT_EQ(CustomTLEStore::importFromText(tleText("MINE", 7)).count, 1);
    writeCache("stations", tleText("STATIONS OLD", 200), 25 * 3600.0);
    server_.setResponse(groupTarget("amateur"), 200, tleText("AMATEUR", 100));
    server_.setResponse(groupTarget("stations"), 200, tleText("STATIONS NEW", 200));
    server_.hold(groupTarget("amateur"));
    server_.hold(groupTarget("stations"));

    std::vector<TLEManager::CategoriesLoad> pictures;
    std::optional<TLEManager::CategoriesLoad> result;
    TLEManager::loadCategories(
        {"amateur", "stations"}, false, [&](TLEManager::CategoriesLoad load) { result = std::move(load); },
        [&](TLEManager::CategoriesLoad picture) { pictures.push_back(std::move(picture)); });
    ASSERT_TRUE(test::waitUntil(
        [&]() {
            return !pictures.empty() && server_.heldCount(groupTarget("amateur")) == 1 &&
                   server_.heldCount(groupTarget("stations")) == 1;
        },
        10s));
    server_.release(groupTarget("amateur"));
    ASSERT_TRUE(test::waitUntil([&]() { return pictures.size() == 2; }, 10s));
    const std::vector<std::vector<std::int64_t>> shown = {{200, 7}, {100, 200, 7}};
    for (std::size_t i = 0; i < shown.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(pictures[i].sets.size(), shown[i].size());
        for (const std::int64_t id : shown[i]) {
            EXPECT_NE(find(pictures[i].sets, id), nullptr) << id;
        }
        ASSERT_NE(find(pictures[i].sets, 7), nullptr);
        EXPECT_EQ(find(pictures[i].sets, 7)->source, "custom");
    }

    ASSERT_EQ(CustomTLEStore::importFromText(tleText("MINE TOO", 8)).count, 1);
    server_.release(groupTarget("stations"));
    ASSERT_TRUE(test::waitUntil([&]() { return result.has_value(); }, 10s));
    EXPECT_EQ(result->sets.size(), 4u);
    for (const std::int64_t id : {100, 200, 7, 8}) {
        EXPECT_NE(find(result->sets, id), nullptr) << id;
    }
    EXPECT_EQ(find(result->sets, 200)->name, "STATIONS NEW");
    EXPECT_EQ(pictures.size(), 2u);
}

// Each download failure is told with its own reason, and the last good
// copy stands in for all of them.
TEST_F(TLEManagerTest, DownloadFailuresTellTheirTrueReasons)
{
    constexpr std::size_t bound = 64 * 1024;
    platform::Http::setBodyLimit(bound);
    HttpTestServer::Response cut;
    cut.body = tleText("CUT", 1);
    cut.headers = {{"Content-Length", std::to_string(cut.body.size() * 4)}};
    server_.setResponse("/cut", cut);
    server_.setResponse("/loop", HttpTestServer::redirect("/loop"));
    HttpTestServer::Response bomb;
    bomb.body = qCompress(QByteArray(4 * bound, ' ')).mid(4).toStdString();
    bomb.headers = {{"Content-Encoding", "deflate"}};
    server_.setResponse("/bomb", bomb);
    HttpTestServer::Response corrupt;
    corrupt.body = "\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03 not deflate at all";
    corrupt.headers = {{"Content-Encoding", "gzip"}};
    server_.setResponse("/corrupt", corrupt);
    HttpTestServer::Response dropped;
    dropped.closeWithoutAnswer = true;
    server_.setResponse("/dropped", dropped);
    const auto fileUrl = [this](const char* name) {
        return QUrl::fromLocalFile(QString::fromStdString(home_.str()) + "/" + name).toString().toStdString();
    };
    const struct {
        std::string url;
        const char* failure;
    } cases[] = {
        {server_.url("/cut"), "connection closed before the answer ended"},
        {server_.url("/loop"), "redirect loop"},
        {server_.url("/bomb"), "answer too large once unpacked"},
        {server_.url("/corrupt"), "answer could not be unpacked"},
        {server_.url("/dropped"), "no connection"},
        {fileUrl("missing.tle"), "file not found"},
        {fileUrl(""), "file could not be read"},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        const UserTLESource source("Source " + std::to_string(index++), c.url);
        ASSERT_TRUE(UserTLESourceStore::add(source));
        writeCache(source.categoryKey(), tleText("CACHED", 777), 25 * 3600);
        std::optional<TLEManager::CategoriesLoad> load;
        TLEManager::loadCategories({source.categoryKey()}, false,
                                   [&](TLEManager::CategoriesLoad result) { load = std::move(result); });
        ASSERT_TRUE(test::waitUntil([&]() { return load.has_value(); }, 10s));
        ASSERT_EQ(load->outcomes.size(), 1u);
        EXPECT_EQ(load->outcomes[0].failure, std::string(c.failure));
        EXPECT_TRUE(load->outcomes[0].usingCachedCopy);
        ASSERT_EQ(load->sets.size(), 1u);
        EXPECT_EQ(load->sets[0].name, "CACHED");
    }
    platform::Http::setBodyLimit(0);
}

// An answer whose reading runs out of memory after the transfer has handed
// it over still ends its download: every load waiting on it hears why, the
// last good copy stands in and stays as it was on disk, and the next load
// downloads afresh.
TEST_F(TLEManagerTest, AnAnswerWhoseReadingRunsOutOfMemoryStillEndsItsDownload)
{
    const std::string cachedBody = "[" + ommJson("CACHED", 100, "2024-01-01T00:00:00") + "]";
    writeCache("amateur", cachedBody, 25 * 3600);
    const auto stampBefore = Files::readFile(TLEManager::timestampFile("amateur"));
    server_.setResponse(groupTarget("amateur"), 200, "[" + ommJson("NEW", 100, "2024-02-29T00:00:00") + "]");
    server_.hold(groupTarget("amateur"));
    TLEManager::failNextAnswerReadings(1);

    std::optional<TLEManager::CategoriesLoad> first;
    std::optional<TLEManager::CategoriesLoad> joined;
    TLEManager::loadCategories({"amateur"}, false, [&](TLEManager::CategoriesLoad load) { first = std::move(load); });
    ASSERT_TRUE(test::waitUntil([&]() { return server_.heldCount(groupTarget("amateur")) == 1; }, 10s));
    TLEManager::loadCategories({"amateur"}, true, [&](TLEManager::CategoriesLoad load) { joined = std::move(load); });
    server_.release(groupTarget("amateur"));
    ASSERT_TRUE(test::waitUntil([&]() { return first.has_value() && joined.has_value(); }, 20s));
    EXPECT_EQ(server_.requestCount(groupTarget("amateur")), 1);
    for (const auto* load : {&*first, &*joined}) {
        ASSERT_EQ(load->outcomes.size(), 1u);
        EXPECT_EQ(load->outcomes[0].failure, std::string("out of memory"));
        EXPECT_FALSE(load->outcomes[0].downloaded);
        EXPECT_TRUE(load->outcomes[0].usingCachedCopy);
        ASSERT_EQ(load->sets.size(), 1u);
        EXPECT_EQ(load->sets[0].name, "CACHED");
    }
    EXPECT_EQ(Files::readFile(TLEManager::cacheFile("amateur")), cachedBody);
    EXPECT_EQ(Files::readFile(TLEManager::timestampFile("amateur")), stampBefore);

    std::optional<TLEManager::CategoriesLoad> next;
    TLEManager::loadCategories({"amateur"}, false, [&](TLEManager::CategoriesLoad load) { next = std::move(load); });
    ASSERT_TRUE(test::waitUntil([&]() { return next.has_value(); }, 20s));
    EXPECT_EQ(server_.requestCount(groupTarget("amateur")), 2);
    ASSERT_EQ(next->outcomes.size(), 1u);
    EXPECT_TRUE(next->outcomes[0].downloaded);
    ASSERT_EQ(next->sets.size(), 1u);
    EXPECT_EQ(next->sets[0].name, "NEW");
}

// A load that runs out of memory taking a download's answer in (merging a
// large answer) still ends, without sets, and the category says why. The
// download itself has ended and stored its answer, which the next load
// reads from the cache.
TEST_F(TLEManagerTest, ALoadThatRunsOutTakingAnAnswerInStillEndsAndSaysWhy)
{
    server_.setResponse(groupTarget("amateur"), 200, "[" + ommJson("NEW", 100, "2024-02-29T00:00:00") + "]");
    TLEManager::failNextAnswersTakenIn(1);
    std::optional<TLEManager::CategoriesLoad> load;
    TLEManager::loadCategories({"amateur"}, false, [&](TLEManager::CategoriesLoad result) { load = std::move(result); });
    ASSERT_TRUE(test::waitUntil([&]() { return load.has_value(); }, 20s));
    EXPECT_FALSE(load->setsChanged);
    EXPECT_TRUE(load->sets.empty());
    ASSERT_EQ(load->outcomes.size(), 1u);
    EXPECT_EQ(load->outcomes[0].failure, std::string("out of memory"));
    EXPECT_TRUE(load->outcomes[0].loadFailed);
    EXPECT_FALSE(TLEManager::isCacheStale("amateur"));

    const auto sets = fetch({"amateur"});
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].name, "NEW");
    EXPECT_EQ(server_.requestCount(groupTarget("amateur")), 1);
}

// A user source whose compressed answer would never end, or end only
// after gigabytes, is refused soon with its reason, without the memory of
// what it would unpack to; the last good copy stays on disk and stands in.
// The program's own bound holds: a gibibyte of zeros packed into a
// megabyte passes it once unpacked, empty gzip members without end pass it
// on the wire, and bytes after a deflate stream are refused at once.
TEST_F(TLEManagerTest, HostileCompressedAnswersEndSoonAndKeepTheLastGoodCopy)
{
    const struct {
        const char* what;
        test::EndlessHttpServer::Body body;
        const char* failure;
    } cases[] = {
        {"a gzip bomb", test::gzipBomb(1024), "answer too large once unpacked"},
        {"empty gzip members without end", test::endlessEmptyGzipMembers(), "answer too large"},
        {"bytes after a deflate stream", test::deflateThenEndlessBytes(QByteArray::fromStdString(tleText("SENT", 1))),
         "answer could not be unpacked"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::EndlessHttpServer server(c.body);
        const UserTLESource source(c.what, server.url());
        ASSERT_TRUE(UserTLESourceStore::add(source));
        writeCache(source.categoryKey(), tleText("CACHED", 777), 25 * 3600);
        const auto cached = Files::readFile(TLEManager::cacheFile(source.categoryKey()));
        ASSERT_TRUE(cached.has_value());

        const test::ResidentPeak peak;
        std::optional<TLEManager::CategoriesLoad> load;
        TLEManager::loadCategories({source.categoryKey()}, false,
                                   [&](TLEManager::CategoriesLoad result) { load = std::move(result); });
        // Minutes when nothing bounds the answer; a second or two here.
        ASSERT_TRUE(test::waitUntil([&]() { return load.has_value(); }, 30s));
        EXPECT_LT(peak.grown(), std::int64_t{300} << 20) << "the peak grew by " << (peak.grown() >> 20) << " MiB";
        ASSERT_EQ(load->outcomes.size(), 1u);
        EXPECT_EQ(load->outcomes[0].failure, std::string(c.failure));
        EXPECT_TRUE(load->outcomes[0].usingCachedCopy);
        ASSERT_EQ(load->sets.size(), 1u);
        EXPECT_EQ(load->sets[0].name, "CACHED");
        EXPECT_EQ(Files::readFile(TLEManager::cacheFile(source.categoryKey())), cached);
    }
}

// One name in a foreign encoding does not cost the whole answer: every set
// is read, the bad bytes of that name replaced, and the copy kept on disk
// reads back the same.
TEST_F(TLEManagerTest, AnswerWithBytesThatAreNotUtf8IsReadWithThemReplaced)
{
    std::string body;
    for (int i = 1; i <= 29; ++i) {
        body += tleText("SAT " + std::to_string(i), 1000 + i);
    }
    const struct {
        const char* what;
        std::string name;
        std::string shown;
    } cases[] = {
        {"Latin-1", "M\xDCNCHEN \xC4\xD6\xDC\xDF", "M\uFFFDNCHEN \uFFFD\uFFFD\uFFFD\uFFFD"},
        {"stray continuation bytes", "SAT \x80\x80", "SAT \uFFFD\uFFFD"},
        {"a cut-short sequence", "SAT \xE2\x82", "SAT \uFFFD\uFFFD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Files::remove(Files::dataFolder());
        server_.setResponse(groupTarget("amateur"), 200, body + tleText(c.name, 4242));
        std::optional<TLEManager::CategoriesLoad> load;
        TLEManager::loadCategories({"amateur"}, true, [&](TLEManager::CategoriesLoad result) { load = std::move(result); });
        ASSERT_TRUE(test::waitUntil([&]() { return load.has_value(); }, 10s));
        ASSERT_EQ(load->outcomes.size(), 1u);
        EXPECT_EQ(load->outcomes[0].failure, std::nullopt);
        EXPECT_TRUE(load->outcomes[0].downloaded);
        EXPECT_EQ(load->sets.size(), 30u);
        ASSERT_NE(find(load->sets, 4242), nullptr);
        EXPECT_EQ(find(load->sets, 4242)->name, c.shown);
        const auto cached = TLEManager::loadCached("amateur");
        ASSERT_TRUE(cached.has_value());
        EXPECT_EQ(cached->size(), 30u);
    }
}

TEST_F(TLEManagerTest, CategoryDescriptions)
{
    EXPECT_EQ(TLEManager::describeCategory("amateur"), "Amateur Radio");
    EXPECT_EQ(TLEManager::describeCategory("no-such-key"), "no-such-key");

    // A user's address is described by the name the user gave it, as long
    // as it is stored, though its key has its spaces and slashes replaced.
    const UserTLESource mine("My birds / 2", server_.url("/mine.txt"));
    const std::string key = mine.categoryKey();
    EXPECT_EQ(TLEManager::describeCategory(key), key) << "not stored yet";
    ASSERT_TRUE(UserTLESourceStore::add(mine));
    EXPECT_EQ(TLEManager::describeCategory(key), "My birds / 2");
    UserTLESourceStore::remove(mine.id);
    EXPECT_EQ(TLEManager::describeCategory(key), key) << "removed";
}

TEST_F(TLEManagerTest, CategoriesWithoutAnythingStillComplete)
{
    HttpTestServer::Response dropped;
    dropped.closeWithoutAnswer = true;
    server_.setResponse(groupTarget("amateur"), dropped);
    server_.setResponse(groupTarget("stations"), 500, "oops");
    ASSERT_TRUE(UserTLESourceStore::add(UserTLESource("Bad address", "not a valid address")));
    const auto sets = fetch({"amateur", "stations", "no-such-key", "user:Bad_address"});
    EXPECT_TRUE(sets.empty());
    EXPECT_EQ(server_.requestCount(groupTarget("stations")), 1);
    EXPECT_EQ(server_.totalRequests(), server_.requestCount(groupTarget("amateur")) + 1)
        << "unknown keys and unparsable addresses make no request";
    EXPECT_FALSE(Files::exists(TLEManager::cacheFile("amateur")));
    EXPECT_FALSE(Files::exists(TLEManager::timestampFile("stations")));
}

TEST_F(TLEManagerTest, KeysWithoutAnAddressCompleteAtOnceYetStillUseAFreshCache)
{
    ASSERT_TRUE(UserTLESourceStore::add(UserTLESource("Bad address", "not a valid address")));
    for (const std::string key : {"no-such-key", "user:Bad_address"}) {
        int calls = 0;
        bool absent = false;
        TLEManager::fetchCategory(key, [&](std::optional<std::vector<TLEData>> sets) {
            ++calls;
            absent = !sets;
        });
        EXPECT_EQ(calls, 1) << key << ": completed at once, on the calling thread";
        EXPECT_TRUE(absent) << key;
    }
    // A key that no longer names a category still serves its fresh copy.
    writeCache("retired", "[" + ommJson("OLD", 5, "2024-02-28T00:00:00") + "]", 3600);
    const auto sets = fetch({"retired", "no-such-key"});
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].source, "retired");
    EXPECT_EQ(server_.totalRequests(), 0);
}

TEST_F(TLEManagerTest, EmptyKeyListGivesTheImportedSetsOnly)
{
    ASSERT_EQ(CustomTLEStore::importFromText(tleText("MINE", 7) + tleText("MINE AGAIN", 8)).count, 2);
    const auto sets = fetch({});
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(find(sets, 7)->source, "custom");
    EXPECT_EQ(server_.totalRequests(), 0);
}

TEST_F(TLEManagerTest, CategoriesAreMergedOnePerSatelliteWithTheirSourceKeys)
{
    // Satellite 100 is in both categories and imported; 200 only in one.
    server_.setResponse(groupTarget("amateur"), 200,
                        "[" + ommJson("SAT 100", 100, "2024-02-20T00:00:00") + "," +
                            ommJson("SAT 200", 200, "2024-02-20T00:00:00") + "]");
    writeCache("cubesat", "[" + ommJson("SAT 100", 100, "2024-02-20T00:00:00") + "]", 3600);
    const std::string userBody = tleText("SAT 300", 300, 40.0);
    ASSERT_TRUE(UserTLESourceStore::add(UserTLESource("My list", server_.url("/my/list.txt"))));
    server_.setResponse("/my/list.txt", 200, userBody);
    ASSERT_EQ(CustomTLEStore::importFromText(tleText("MY 100", 100, 51.0)).count, 1);

    const auto sets = fetch({"cubesat", "user:My_list", "amateur"});
    ASSERT_EQ(sets.size(), 3u);
    EXPECT_EQ(find(sets, 100)->source, "amateur,cubesat,custom");
    EXPECT_EQ(find(sets, 100)->name, "MY 100") << "imported set of the same epoch wins";
    EXPECT_EQ(find(sets, 200)->source, "amateur");
    EXPECT_EQ(find(sets, 300)->source, "user:My_list");
    EXPECT_EQ(Files::readFile(Files::dataFolder() / "tle" / "user-My_list.tle"), userBody);
    EXPECT_EQ(server_.requestCount(groupTarget("cubesat")), 0);
}

TLEData setAt(std::int64_t id, const char* source, double secondsAfter, const char* name = "")
{
    TLEData t;
    t.noradId = id;
    t.name = name;
    t.source = source;
    t.epochYear = 2024;
    t.epochDays = 100.5 + secondsAfter / 86400.0;
    return t;
}

TEST(TLEMergeTest, TieWindowCustomPreferenceAndAbsentEpochs)
{
    struct Case {
        const char* label;
        TLEData first;
        TLEData second;
        const char* winner;
    };
    TLEData noEpoch = setAt(1, "weather", 0, "second");
    noEpoch.epochDays = std::numeric_limits<double>::quiet_NaN();
    TLEData noEpochFirst = noEpoch;
    noEpochFirst.name = "first";
    const Case cases[] = {
        {"custom 30 s older wins", setAt(1, "amateur", 0, "first"), setAt(1, "custom", -30, "second"), "second"},
        {"custom 61 s older loses", setAt(1, "amateur", 0, "first"), setAt(1, "custom", -61, "second"), "first"},
        {"custom 61 s newer wins", setAt(1, "amateur", 0, "first"), setAt(1, "custom", 61, "second"), "second"},
        {"exactly 60 s newer: first comer stays", setAt(1, "a", 0, "first"), setAt(1, "b", 60, "second"), "first"},
        {"exactly 60 s older: first comer stays", setAt(1, "a", 0, "first"), setAt(1, "b", -60, "second"), "first"},
        {"60.5 s newer wins", setAt(1, "a", 0, "first"), setAt(1, "b", 60.5, "second"), "second"},
        {"custom does not displace custom", setAt(1, "custom", 0, "first"), setAt(1, "custom", 10, "second"), "first"},
        {"download does not displace custom in the window", setAt(1, "custom", 0, "first"),
         setAt(1, "amateur", 59, "second"), "first"},
        {"absent epoch never replaces", setAt(1, "a", 0, "first"), noEpoch, "first"},
        {"absent epoch is never replaced", noEpochFirst, setAt(1, "custom", 1e6, "second"), "first"},
    };
    for (const auto& c : cases) {
        const auto merged = TLEManager::merge({c.first, c.second});
        ASSERT_EQ(merged.size(), 1u) << c.label;
        EXPECT_EQ(merged[0].name, c.winner) << c.label;
    }
}

TEST(TLEMergeTest, SourceKeysAreDistinctSortedAndJoined)
{
    const auto merged = TLEManager::merge({
        setAt(1, "user:Z", 0), setAt(1, "custom", 0), setAt(1, "amateur", 0), setAt(1, "amateur", 0),
        setAt(1, "", 0), setAt(1, "cubesat", 0), setAt(2, "a,b", 0), setAt(3, "", 0),
    });
    ASSERT_EQ(merged.size(), 3u);
    EXPECT_EQ(find(merged, 1)->source, "amateur,cubesat,custom,user:Z");
    EXPECT_EQ(find(merged, 2)->source, "a,b");
    EXPECT_EQ(find(merged, 3)->source, "");
}

TEST_F(TLEManagerTest, FetchByNoradId)
{
    const std::string target = std::string(TLEManager::servicePath) + "?CATNR=25544&FORMAT=json";
    server_.setResponse(target, 200,
                        "[" + ommJson("ISS", 25544, "2024-02-28T00:00:00") + "," +
                            ommJson("OTHER", 1, "2024-02-28T00:00:00") + "]");
    std::atomic<int> calls{0};
    std::optional<TLEData> got;
    TLEManager::fetchByNoradId(25544, [&](std::optional<TLEData> set) {
        got = std::move(set);
        ++calls;
    });
    ASSERT_TRUE(test::waitUntil([&]() { return calls.load() == 1; }, 10s));
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->name, "ISS");
    EXPECT_EQ(got->source, "");
    EXPECT_FALSE(Files::exists(Files::dataFolder() / "tle" / "25544.tle"));

    std::atomic<int> failures{0};
    TLEManager::fetchByNoradId(1, [&](std::optional<TLEData> set) { failures += set ? 100 : 1; });
    ASSERT_TRUE(test::waitUntil([&]() { return failures.load() > 0; }, 10s));
    EXPECT_EQ(failures.load(), 1) << "a 404 page gives no element set";
}

} // namespace
} // namespace zelvane
