#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/files.h"
#include "platform/settings_store.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/test_support.h"

namespace zelvane::platform {
namespace {

using test::TempDir;

std::filesystem::path settingsIn(const TempDir& dir)
{
    // A folder that does not exist yet: the store creates it on first write.
    return std::filesystem::path(dir.str()) / "config" / "settings.json";
}

TEST(SettingsStoreTest, EveryKindSurvivesAReloadAndKeepsItsKind)
{
    TempDir dir;
    const auto file = settingsIn(dir);
    const std::string binary("\x00\x01\xff\xfe zelvane\n", 13);
    {
        SettingsStore store(file);
        store.setDouble("wholeDouble", 2.0);
        store.setDouble("fraction", 0.1);
        store.setInt("count", 42);
        store.setInt("big", std::numeric_limits<std::int64_t>::min());
        store.setBool("flag", false);
        store.setString("text", "Zürich \"quoted\" 1,5");
        store.setStringList("list", {"amateur", "", "user:My Sats"});
        store.setStringList("emptyList", {});
        store.setBytes("blob", binary);
    }
    SettingsStore reloaded(file);
    EXPECT_EQ(reloaded.doubleValue("wholeDouble"), 2.0);
    EXPECT_EQ(reloaded.intValue("wholeDouble"), std::nullopt) << "a double stays a double";
    EXPECT_EQ(reloaded.doubleValue("fraction"), 0.1);
    EXPECT_EQ(reloaded.intValue("count"), 42);
    EXPECT_EQ(reloaded.doubleValue("count"), 42.0) << "any number reads as a double";
    EXPECT_EQ(reloaded.intValue("big"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(reloaded.boolValue("flag"), false);
    EXPECT_EQ(reloaded.intValue("flag"), std::nullopt);
    EXPECT_EQ(reloaded.stringValue("text"), "Zürich \"quoted\" 1,5");
    EXPECT_EQ(reloaded.stringList("list"), (std::vector<std::string>{"amateur", "", "user:My Sats"}));
    EXPECT_EQ(reloaded.stringList("emptyList"), std::vector<std::string>{});
    EXPECT_EQ(reloaded.bytes("blob"), binary);
    EXPECT_EQ(reloaded.stringValue("blob"), std::nullopt) << "bytes are not text";
    EXPECT_EQ(reloaded.bytes("text"), std::nullopt) << "text is not bytes";
    EXPECT_EQ(reloaded.stringList("text"), std::nullopt);
    EXPECT_FALSE(reloaded.contains("missing"));
    EXPECT_EQ(reloaded.doubleValue("missing"), std::nullopt);
}

TEST(SettingsStoreTest, IntegerListsKeepTheirKindAndRefuseAnyOtherElement)
{
    TempDir dir;
    const auto file = settingsIn(dir);
    {
        SettingsStore store(file);
        store.setIntList("ids", {25544, -1, std::numeric_limits<std::int64_t>::min()});
        store.setIntList("none", {});
        store.setStringList("names", {"1"});
        store.setDouble("number", 5.0);
    }
    SettingsStore reloaded(file);
    EXPECT_EQ(reloaded.intList("ids"),
              (std::vector<std::int64_t>{25544, -1, std::numeric_limits<std::int64_t>::min()}));
    EXPECT_EQ(reloaded.intList("none"), std::vector<std::int64_t>{});
    EXPECT_EQ(reloaded.stringList("ids"), std::nullopt);
    EXPECT_EQ(reloaded.intList("names"), std::nullopt);
    EXPECT_EQ(reloaded.intList("number"), std::nullopt);
    EXPECT_EQ(reloaded.intList("missing"), std::nullopt);
}

TEST(SettingsStoreTest, RemovalAndOverwritesArePersistedImmediately)
{
    TempDir dir;
    const auto file = settingsIn(dir);
    SettingsStore store(file);
    store.setInt("a", 1);
    store.setString("b", "x");
    store.setBool("a", true); // a new kind replaces the old one
    store.remove("b");
    SettingsStore other(file);
    EXPECT_EQ(other.boolValue("a"), true);
    EXPECT_EQ(other.intValue("a"), std::nullopt);
    EXPECT_FALSE(other.contains("b"));
}

TEST(SettingsStoreTest, NonFiniteDoubleLeavesNoStaleValue)
{
    TempDir dir;
    SettingsStore store(settingsIn(dir));
    store.setDouble("x", 3.5);
    store.setDouble("x", std::nan(""));
    EXPECT_FALSE(store.contains("x"));
    store.setDouble("y", std::numeric_limits<double>::infinity());
    SettingsStore reloaded(store.file());
    EXPECT_FALSE(reloaded.contains("y"));
}

TEST(SettingsStoreTest, CorruptFileIsKeptAsideBeforeTheFirstWrite)
{
    struct Case {
        const char* label;
        std::string content;
    };
    const Case cases[] = {
        {"not JSON", "{\"lat\": 52.1, "},
        {"JSON but not an object", "[1, 2, 3]"},
        {"binary", std::string("\x00\xff\x10", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        const auto file = settingsIn(dir);
        ASSERT_TRUE(Files::createFolder(file.parent_path()));
        ASSERT_TRUE(Files::writeFileAtomically(file, c.content));

        SettingsStore store(file);
        EXPECT_FALSE(store.contains("lat"));
        EXPECT_EQ(Files::readFile(file), c.content) << "reading alone changes nothing";

        store.setInt("count", 7);
        auto backup = file;
        backup += ".corrupt";
        EXPECT_EQ(Files::readFile(backup), c.content);
        SettingsStore reloaded(file);
        EXPECT_EQ(reloaded.intValue("count"), 7);

        // A second corrupt file later on does not overwrite the first backup.
        ASSERT_TRUE(Files::writeFileAtomically(file, "garbage"));
        SettingsStore again(file);
        again.setBool("b", true);
        EXPECT_EQ(Files::readFile(backup), c.content);
        auto second = file;
        second += ".corrupt-1";
        EXPECT_EQ(Files::readFile(second), "garbage");
    }
}

// A full disk: the file stays byte for byte, every observer hears of the
// failure, and the next write that fits clears it.
TEST(SettingsStoreTest, WriteThatDoesNotFitKeepsTheFileAndIsReported)
{
    TempDir dir;
    const auto file = settingsIn(dir);
    SettingsStore store(file);
    std::vector<bool> outcomes;
    const auto id = store.addWriteObserver([&](bool written) { outcomes.push_back(written); });
    store.setString("name", "kept");
    const auto before = Files::readFile(file);
    ASSERT_TRUE(before.has_value());
    EXPECT_FALSE(store.writeFailed());
    {
        test::FileSizeLimit limit(before->size());
        store.setString("name", std::string(200, 'x'));
        EXPECT_TRUE(store.writeFailed());
        store.remove("nothing stored under this"); // no write, no report
        store.setBool("more", true);
    }
    EXPECT_EQ(Files::readFile(file), before);
    EXPECT_EQ(outcomes, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(store.stringValue("name"), std::string(200, 'x')) << "the value lives on in memory";

    store.setInt("n", 1);
    EXPECT_FALSE(store.writeFailed());
    EXPECT_EQ(SettingsStore(file).stringValue("name"), std::string(200, 'x'));
    store.removeWriteObserver(id);
    store.setInt("n", 2);
    EXPECT_EQ(outcomes.size(), 4u);
}

TEST(SettingsStoreTest, UnreadableFileIsRememberedForTheSession)
{
    TempDir dir;
    const auto file = settingsIn(dir);
    EXPECT_FALSE(SettingsStore(file).foundUnreadableFile()) << "a missing file is not unreadable";
    ASSERT_TRUE(Files::createFolder(file.parent_path()));
    ASSERT_TRUE(Files::writeFileAtomically(file, "{ not json"));
    SettingsStore store(file);
    EXPECT_TRUE(store.foundUnreadableFile());
    store.setInt("count", 1);
    EXPECT_TRUE(store.foundUnreadableFile()) << "still true after it was kept aside";
    EXPECT_FALSE(SettingsStore(file).foundUnreadableFile());
}

TEST(SettingsStoreTest, StandardStoreFollowsTheConfiguredPath)
{
    TempDir dir;
    const auto file = std::filesystem::path(dir.str()) / "std.json";
    SettingsStore::setStandardPath(file);
    SettingsStore::standard().setString("k", "v");
    EXPECT_EQ(SettingsStore::standard().file(), file);
    EXPECT_EQ(SettingsStore(file).stringValue("k"), "v");
    SettingsStore::setStandardPath({});
    // Without an override it lives in the (isolated) config folder.
    const auto path = SettingsStore::standard().file();
    EXPECT_EQ(path.filename(), "settings.json");
    EXPECT_NE(path, file);
    EXPECT_EQ(path.string().rfind(Files::homeFolder().string(), 0), 0u) << path;
}

} // namespace
} // namespace zelvane::platform
