#include <gtest/gtest.h>

#include <atomic>

#include "elements/tle_manager.h"
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

} // namespace
} // namespace zelvane
