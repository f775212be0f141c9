#include <gtest/gtest.h>

#include <atomic>

#include "elements/tle_manager.h"
#include "elements/user_tle_source.h"
#include "orbital/date.h"
#include "orbital/numeric_text.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "tests/elements/element_test_helpers.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/http_test_server.h"
#include "tests/support/test_support.h"

namespace zelvane {
namespace {

using namespace std::chrono_literals;
namespace Files = platform::Files;

// A downloaded category that the disk cannot take: its sets are still used
// for this load, but the cached copy and its stamp stay exactly as they
// were, so the old copy is neither cut short nor passed off as fresh.
TEST(TLEManagerCacheWriteTest, CategoryThatCannotBeCachedKeepsTheLastGoodCopyAndStamp)
{
    test::TempDir home;
    test::HttpTestServer server;
    Files::setHomeFolder(home.str());
    platform::SettingsStore::setStandardPath(std::filesystem::path(home.str()) / "settings.json");
    TLEManager::setServiceBaseURL(server.url(""));
    const Date now = *utcMidnight(2024, 3, 1);
    Clock::setFixed(now);

    const std::string oldBody = "[" + test::ommJson("OLD", 100, "2024-01-01T00:00:00") + "]";
    const std::string oldStamp = formatFixed(now.timeIntervalSince1970() - 25 * 3600.0, 3);
    ASSERT_TRUE(Files::createFolder(TLEManager::cacheDir()));
    ASSERT_TRUE(Files::writeFileAtomically(TLEManager::cacheFile("amateur"), oldBody));
    ASSERT_TRUE(Files::writeFileAtomically(TLEManager::timestampFile("amateur"), oldStamp));

    std::string newBody = "[";
    for (int i = 0; i < 20; ++i) {
        newBody += (i > 0 ? "," : "") + test::ommJson("NEW " + std::to_string(i), 100 + i, "2024-02-29T00:00:00");
    }
    newBody += "]";
    server.setResponse(std::string(TLEManager::servicePath) + "?GROUP=amateur&FORMAT=json", 200, newBody);

    std::atomic<bool> done{false};
    std::vector<TLEData> sets;
    {
        test::FileSizeLimit limit(oldBody.size());
        TLEManager::fetchCategories(std::vector<std::string>{"amateur"}, [&](std::vector<TLEData> result) {
            sets = std::move(result);
            done = true;
        });
        ASSERT_TRUE(test::waitUntil([&] { return done.load(); }, 10s));
    }
    EXPECT_EQ(sets.size(), 20u) << "the download itself is used";
    EXPECT_EQ(Files::readFile(TLEManager::cacheFile("amateur")), oldBody);
    EXPECT_EQ(Files::readFile(TLEManager::timestampFile("amateur")), oldStamp);
    EXPECT_TRUE(TLEManager::isCacheStale("amateur")) << "the next load tries again";

    Clock::clearFixed();
    TLEManager::setServiceBaseURL("");
    platform::SettingsStore::setStandardPath({});
    Files::setHomeFolder({});
}

class UserSourceCacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Files::setHomeFolder(home_.str());
        platform::SettingsStore::setStandardPath(std::filesystem::path(home_.str()) / "settings.json");
        Clock::setFixed(*utcMidnight(2024, 3, 1));
    }
    void TearDown() override
    {
        Clock::clearFixed();
        platform::SettingsStore::setStandardPath({});
        Files::setHomeFolder({});
    }

    // Adds a user source answered by the local server; its category key.
    std::string addSource(const std::string& name, const std::string& body)
    {
        const std::string path = "/list" + std::to_string(name.size()) + ".txt";
        const UserTLESource source(name, server_.url(path));
        EXPECT_TRUE(UserTLESourceStore::add(source));
        server_.setResponse(path, 200, body);
        return source.categoryKey();
    }

    TLEManager::CategoriesLoad load(const std::string& key, bool force)
    {
        std::optional<TLEManager::CategoriesLoad> result;
        TLEManager::loadCategories({key}, force, [&](TLEManager::CategoriesLoad r) { result = std::move(r); });
        EXPECT_TRUE(test::waitUntil([&] { return result.has_value(); }, 10s));
        return result.value_or(TLEManager::CategoriesLoad{});
    }

    test::TempDir home_;
    test::HttpTestServer server_;
};

// A source named with 240 characters has files of 249 and 255 bytes, the
// longest a folder takes: it is kept and stamped like any other, and its
// copy serves the next loads without the network.
TEST_F(UserSourceCacheTest, ASourceWithALongNameIsCachedStampedAndUsedOffline)
{
    const std::string body = test::tleText("LONG NAMED", 4242);
    const std::string key = addSource(std::string(240, 'L'), body);
    ASSERT_EQ(TLEManager::timestampFile(key).filename().string().size(), 255u);

    auto first = load(key, false);
    ASSERT_EQ(first.outcomes.size(), 1u);
    EXPECT_TRUE(first.outcomes[0].downloaded);
    EXPECT_EQ(first.sets.size(), 1u);
    EXPECT_EQ(Files::readFile(TLEManager::cacheFile(key)), body);
    EXPECT_FALSE(TLEManager::isCacheStale(key)) << "stamped";

    // Fresh: served from the copy without asking.
    const int asked = server_.totalRequests();
    auto fresh = load(key, false);
    EXPECT_EQ(server_.totalRequests(), asked);
    ASSERT_EQ(fresh.sets.size(), 1u);
    EXPECT_EQ(fresh.sets[0].name, "LONG NAMED");

    // Offline: the copy stands in.
    test::HttpTestServer::Response dropped;
    dropped.closeWithoutAnswer = true;
    server_.setResponse("/list240.txt", dropped);
    auto offline = load(key, true);
    ASSERT_EQ(offline.outcomes.size(), 1u);
    EXPECT_EQ(offline.outcomes[0].failure, "no connection");
    EXPECT_TRUE(offline.outcomes[0].usingCachedCopy);
    ASSERT_EQ(offline.sets.size(), 1u);
    EXPECT_EQ(offline.sets[0].name, "LONG NAMED");
}

// A download whose copy cannot be kept (a name longer than any file may
// have, a folder in the way of the copy or of its stamp) is still used, but
// it is not passed off as downloaded and stored: the outcome says the copy
// was not kept, and nothing stale is stamped fresh.
TEST_F(UserSourceCacheTest, ADownloadThatCannotBeKeptIsToldSo)
{
    const std::string body = test::tleText("NOT KEPT", 4343);
    const struct {
        const char* label;
        std::size_t nameLength;
        bool folderAtCopy;
        bool folderAtStamp;
    } cases[] = {
        {"name too long for a file", 251, false, false},
        {"folder in place of the copy", 20, true, false},
        {"folder in place of the stamp", 21, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string key = addSource(std::string(c.nameLength, 'K'), body);
        ASSERT_TRUE(Files::createFolder(TLEManager::cacheDir()));
        if (c.folderAtCopy) {
            ASSERT_TRUE(Files::createFolder(TLEManager::cacheFile(key)));
        }
        if (c.folderAtStamp) {
            ASSERT_TRUE(Files::createFolder(TLEManager::timestampFile(key)));
        }
        auto result = load(key, false);
        ASSERT_EQ(result.outcomes.size(), 1u);
        const auto& outcome = result.outcomes[0];
        EXPECT_FALSE(outcome.downloaded);
        EXPECT_TRUE(outcome.notStored);
        EXPECT_EQ(outcome.failure, std::nullopt) << "the download itself went well";
        ASSERT_EQ(result.sets.size(), 1u) << "and its sets are used";
        EXPECT_EQ(result.sets[0].name, "NOT KEPT");
        EXPECT_TRUE(TLEManager::isCacheStale(key));
    }
}

} // namespace
} // namespace zelvane
