#include <gtest/gtest.h>

#include <QThread>
#include <limits>
#include <memory>
#include <mutex>

#include "catalog/satnogs_cache.h"
#include "catalog/satnogs_fetch.h"
#include "orbital/date.h"
#include "platform/files.h"
#include "tests/support/http_test_server.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/test_support.h"

namespace zelvane {
namespace {

namespace Files = platform::Files;
using test::HttpTestServer;

constexpr const char* kAnswer =
    R"([{"description":"Rpt","alive":true,"downlink_low":436795000,"uplink_low":145850000}])";
constexpr const char* kCachedList =
    R"([{"freq":145800000,"mode":"FM","description":"Cached","direction":"down","inverting":false}])";
const Date kNow = Date::fromNanosecondsSince1970(1'700'000'000'000'000'000LL);

class SatNOGSCacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Files::setHomeFolder(home_.str());
        SatNOGSFetch::setHost(server_.url());
        Clock::setFixed(kNow);
    }
    void TearDown() override
    {
        Clock::clearFixed();
        SatNOGSFetch::failNextAnswerReadings(0);
        SatNOGSFetch::setHost("");
        Files::setHomeFolder({});
    }

    static std::string target(std::int64_t id)
    {
        return "/api/transmitters/?format=json&satellite__norad_cat_id=" + std::to_string(id);
    }

    void writeFiles(std::int64_t id, const std::string& list, const std::string& stamp)
    {
        ASSERT_TRUE(Files::writeFileAtomically(SatNOGSCache::cacheFile(id), list));
        ASSERT_TRUE(Files::writeFileAtomically(SatNOGSCache::timestampFile(id), stamp));
    }

    static std::string stampAgo(double seconds)
    {
        return std::to_string(static_cast<long long>(1'700'000'000 - seconds));
    }

    struct Result {
        std::vector<Transmitter> list;
        bool synchronous = false;
    };

    // Runs fetchWithCache and waits for its single completion.
    Result fetch(std::int64_t id)
    {
        struct Shared {
            std::mutex mutex;
            int calls = 0;
            std::vector<Transmitter> list;
        };
        auto shared = std::make_shared<Shared>();
        SatNOGSCache::fetchWithCache(id, [shared](std::vector<Transmitter> list) {
            std::lock_guard lock(shared->mutex);
            ++shared->calls;
            shared->list = std::move(list);
        });
        Result result;
        {
            std::lock_guard lock(shared->mutex);
            result.synchronous = shared->calls == 1;
        }
        EXPECT_TRUE(test::waitUntil([&] {
            std::lock_guard lock(shared->mutex);
            return shared->calls > 0;
        }));
        test::spinFor(std::chrono::milliseconds(20));
        std::lock_guard lock(shared->mutex);
        EXPECT_EQ(shared->calls, 1);
        result.list = shared->list;
        return result;
    }

    test::TempDir home_;
    HttpTestServer server_;
};

TEST_F(SatNOGSCacheTest, FilesLiveInTheDataFolderUnderTheSignedNumber)
{
    const auto folder = std::filesystem::path(home_.str()) / ".zelvane" / "satnogs";
    EXPECT_EQ(SatNOGSCache::cacheDir(), folder);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(SatNOGSCache::cacheFile(25544), folder / "25544.json");
    EXPECT_EQ(SatNOGSCache::timestampFile(-2), folder / "-2.timestamp");
    EXPECT_EQ(SatNOGSCache::defaultMaxAgeHours, 168.0);
}

TEST_F(SatNOGSCacheTest, NoFilesDownloadsSavesAndHandsOnTheDownload)
{
    server_.setResponse(target(-1), 200, kAnswer);
    const auto result = fetch(-1);
    EXPECT_FALSE(result.synchronous);
    ASSERT_EQ(result.list.size(), 2u);
    EXPECT_EQ(result.list[0].description, "Rpt (DL)");
    EXPECT_EQ(server_.requestCount(target(-1)), 1);

    const auto saved = SatNOGSCache::loadCached(-1);
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->size(), 2u);
    EXPECT_EQ((*saved)[1].description, "Rpt (UL)");
    EXPECT_NE((*saved)[0].id, result.list[0].id); // handed on as downloaded, reloaded with fresh ids
    EXPECT_EQ(Files::readFile(SatNOGSCache::timestampFile(-1)), "1700000000.0");
    EXPECT_FALSE(SatNOGSCache::isCacheStale(-1));

    // Within the week the answer comes from the files, before the call returns.
    const auto again = fetch(-1);
    EXPECT_TRUE(again.synchronous);
    EXPECT_EQ(again.list.size(), 2u);
    EXPECT_EQ(server_.requestCount(target(-1)), 1);
}

TEST_F(SatNOGSCacheTest, EmptyAnswerWithoutFilesWritesNothing)
{
    server_.setResponse(target(7530), 200, "[]");
    const auto result = fetch(7530);
    EXPECT_TRUE(result.list.empty());
    EXPECT_EQ(server_.requestCount(target(7530)), 1);
    EXPECT_FALSE(Files::exists(SatNOGSCache::cacheFile(7530)));
    EXPECT_FALSE(Files::exists(SatNOGSCache::timestampFile(7530)));
}

TEST_F(SatNOGSCacheTest, FreshStampServesTheListFileOnlyWhenItDecodes)
{
    server_.setResponse(target(1), 200, kAnswer);
    server_.setResponse(target(2), 200, kAnswer);
    server_.setResponse(target(3), 200, kAnswer);
    struct Case {
        std::int64_t id;
        std::optional<std::string> list; // absent: no list file
        bool fromFile;
        std::size_t size;
    };
    const Case cases[] = {
        {1, std::nullopt, false, 2},
        {2, std::string(R"([{"freq":"1","mode":"FM","description":"","direction":"down"}])"), false, 2},
        {3, std::string("[]"), true, 0},
        {4, std::string(kCachedList), true, 1},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Files::writeFileAtomically(SatNOGSCache::timestampFile(c.id), stampAgo(3600)));
        if (c.list) {
            ASSERT_TRUE(Files::writeFileAtomically(SatNOGSCache::cacheFile(c.id), *c.list));
        }
        const auto result = fetch(c.id);
        EXPECT_EQ(result.synchronous, c.fromFile) << c.id;
        EXPECT_EQ(result.list.size(), c.size) << c.id;
        EXPECT_EQ(server_.requestCount(target(c.id)), c.fromFile ? 0 : 1) << c.id;
    }
}

TEST_F(SatNOGSCacheTest, StaleCacheWithEmptyAnswerFallsBackAndKeepsTheFiles)
{
    const std::string stamp = stampAgo(200 * 3600.0);
    writeFiles(43017, kCachedList, stamp);
    ASSERT_TRUE(SatNOGSCache::isCacheStale(43017));
    // An error answer or no answer at all are both "nothing".
    server_.setResponse(target(43017), 500, "Internal error");
    for (int round = 0; round < 2; ++round) {
        const auto result = fetch(43017);
        EXPECT_FALSE(result.synchronous);
        ASSERT_EQ(result.list.size(), 1u);
        EXPECT_EQ(result.list[0].description, "Cached");
        EXPECT_EQ(Files::readFile(SatNOGSCache::cacheFile(43017)), kCachedList);
        EXPECT_EQ(Files::readFile(SatNOGSCache::timestampFile(43017)), stamp);
    }
    EXPECT_EQ(server_.requestCount(target(43017)), 2); // still stale, so asked again

    SatNOGSFetch::setHost("http://127.0.0.1:" + std::to_string(HttpTestServer::unusedPort()));
    EXPECT_EQ(fetch(43017).list.size(), 1u);

    // A stale cache and a real answer: the answer replaces both files.
    SatNOGSFetch::setHost(server_.url());
    server_.setResponse(target(43017), 200, kAnswer);
    EXPECT_EQ(fetch(43017).list.size(), 2u);
    EXPECT_EQ(SatNOGSCache::loadCached(43017)->size(), 2u);
    EXPECT_FALSE(SatNOGSCache::isCacheStale(43017));
}

// An answer whose reading runs out of memory after the transfer has handed
// it over still ends the download: the caller hears, the last list stands
// in with its files as they were, no download is left counted as under way,
// and the next one goes through.
TEST_F(SatNOGSCacheTest, AnAnswerWhoseReadingRunsOutOfMemoryStillEndsTheDownload)
{
    const std::string stamp = stampAgo(200 * 3600.0);
    writeFiles(43017, kCachedList, stamp);
    server_.setResponse(target(43017), 200, kAnswer);
    SatNOGSFetch::failNextAnswerReadings(1);
    const auto result = fetch(43017);
    ASSERT_EQ(result.list.size(), 1u);
    EXPECT_EQ(result.list[0].description, "Cached");
    EXPECT_EQ(Files::readFile(SatNOGSCache::cacheFile(43017)), kCachedList);
    EXPECT_EQ(Files::readFile(SatNOGSCache::timestampFile(43017)), stamp);
    EXPECT_TRUE(test::waitUntil([] { return SatNOGSCache::downloadsInFlight() == 0; }));

    const auto again = fetch(43017);
    EXPECT_EQ(again.list.size(), 2u);
    EXPECT_EQ(server_.requestCount(target(43017)), 2);
    EXPECT_FALSE(SatNOGSCache::isCacheStale(43017));
}

TEST_F(SatNOGSCacheTest, StampReadingAndAgeLimit)
{
    struct Case {
        std::optional<std::string> stamp;
        double maxAgeHours;
        bool stale;
    };
    const Case cases[] = {
        {std::nullopt, 168.0, true},
        {std::string(""), 168.0, true},
        {std::string("yesterday"), 168.0, true},
        {std::string("2023-11-14T22:13:20Z"), 168.0, true},
        {std::string("1.7e9 x"), 168.0, true},
        {std::string("\xff\xfe"), 168.0, true},
        {std::string("1700000000"), 168.0, false},
        {std::string(" \t1699999000.5\r\n"), 168.0, false},
        {std::string("1.7e9"), 168.0, false},
        {std::string("1800000000.0"), 168.0, false},                 // in the future
        {std::to_string(1'700'000'000LL - 168 * 3600), 168.0, false}, // exactly at the limit
        {std::to_string(1'700'000'000LL - 168 * 3600) + ".001", 168.0, false},
        {std::to_string(1'700'000'000LL - 168 * 3600 - 1), 168.0, true},
        {std::to_string(1'700'000'000LL - 7200), 2.0, false},
        {std::to_string(1'700'000'000LL - 7201), 2.0, true},
    };
    for (const auto& c : cases) {
        Files::remove(SatNOGSCache::timestampFile(5));
        if (c.stamp) {
            ASSERT_TRUE(Files::writeFileAtomically(SatNOGSCache::timestampFile(5), *c.stamp));
        }
        EXPECT_EQ(SatNOGSCache::isCacheStale(5, c.maxAgeHours), c.stale) << c.stamp.value_or("<none>");
    }
}

TEST_F(SatNOGSCacheTest, SaveAfterClearAllRecreatesTheFolder)
{
    SatNOGSCache::save(25544, {Transmitter(145.8e6, std::nullopt, std::nullopt, "FM", "Voice", "down")});
    ASSERT_TRUE(SatNOGSCache::loadCached(25544));
    SatNOGSCache::clearAll();
    EXPECT_FALSE(Files::exists(std::filesystem::path(home_.str()) / ".zelvane" / "satnogs"));
    SatNOGSCache::clearAll(); // nothing to remove: harmless

    SatNOGSCache::save(25544, {Transmitter(437.8e6, std::nullopt, std::nullopt, "FM", "Repeater", "down")});
    const auto list = SatNOGSCache::loadCached(25544);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->at(0).description, "Repeater");
    EXPECT_FALSE(SatNOGSCache::isCacheStale(25544));
}

// A list that cannot be encoded, or a disk that cannot take it: the last
// good list and its old stamp stay byte for byte, and the save says so.
TEST_F(SatNOGSCacheTest, ListThatCannotBeWrittenIsNotStampedFresh)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::string longText(600, 'd');
    struct Case {
        const char* what;
        Transmitter transmitter;
        std::optional<std::size_t> fileSizeLimit;
    };
    const Case cases[] = {
        {"not encodable", Transmitter(nan, std::nullopt, std::nullopt, "FM", "Broken", "down"), std::nullopt},
        {"disk full", Transmitter(145.8e6, std::nullopt, std::nullopt, "FM", longText, "down"),
         std::string(kCachedList).size()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string oldStamp = stampAgo(200 * 3600.0);
        writeFiles(24278, kCachedList, oldStamp);
        bool saved = true;
        {
            std::optional<test::FileSizeLimit> limit;
            if (c.fileSizeLimit) {
                limit.emplace(*c.fileSizeLimit);
            }
            saved = SatNOGSCache::save(24278, {c.transmitter});
        }
        EXPECT_FALSE(saved);
        EXPECT_EQ(Files::readFile(SatNOGSCache::cacheFile(24278)), kCachedList);
        EXPECT_EQ(Files::readFile(SatNOGSCache::timestampFile(24278)), oldStamp);
        EXPECT_TRUE(SatNOGSCache::isCacheStale(24278));
    }
    EXPECT_TRUE(SatNOGSCache::save(24278, {cases[1].transmitter}));
}

TEST_F(SatNOGSCacheTest, ConcurrentFetchesOfManySatellitesEachCompleteOnce)
{
    constexpr int count = 12;
    for (int id = 0; id < count; ++id) {
        server_.setResponse(target(id), 200, id % 3 == 0 ? "[]" : kAnswer);
    }
    std::mutex mutex;
    std::map<std::int64_t, int> calls;
    std::map<std::int64_t, std::size_t> sizes;
    for (int id = 0; id < count; ++id) {
        SatNOGSCache::fetchWithCache(id, [&, id](std::vector<Transmitter> list) {
            std::lock_guard lock(mutex);
            ++calls[id];
            sizes[id] = list.size();
        });
    }
    EXPECT_EQ(SatNOGSCache::downloadsInFlight(), static_cast<std::size_t>(count));
    ASSERT_TRUE(test::waitUntil([&] { return SatNOGSCache::downloadsInFlight() == 0; }));
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(calls.size(), static_cast<std::size_t>(count)) << "every answer was handed on first";
    }
    test::spinFor(std::chrono::milliseconds(20));
    std::lock_guard lock(mutex);
    for (int id = 0; id < count; ++id) {
        EXPECT_EQ(calls[id], 1) << id;
        EXPECT_EQ(sizes[id], id % 3 == 0 ? 0u : 2u) << id;
        EXPECT_EQ(Files::exists(SatNOGSCache::cacheFile(id)), id % 3 != 0) << id;
    }
}

} // namespace
} // namespace zelvane
