#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "elements/tle_manager.h"
#include "elements/user_tle_source.h"
#include "platform/settings_store.h"
#include "tests/support/test_support.h"

namespace zelvane {
namespace {

using platform::SettingsStore;

class UserTLESourceTest : public ::testing::Test {
protected:
    void SetUp() override { SettingsStore::setStandardPath(std::filesystem::path(dir_.str()) / "settings.json"); }
    void TearDown() override { SettingsStore::setStandardPath({}); }

    SettingsStore& store() { return SettingsStore::standard(); }
    test::TempDir dir_;
};

TEST_F(UserTLESourceTest, CategoryKeysAndCategories)
{
    const std::pair<const char*, const char*> keys[] = {
        {"My Sats/Extra", "user:My_Sats_Extra"},
        {"two  spaces", "user:two__spaces"},
        {"with:colon", "user:with:colon"},
        {"tab\there", "user:tab\there"},
    };
    for (const auto& [name, key] : keys) {
        EXPECT_EQ(UserTLESource(name, "http://x").categoryKey(), key);
    }
    const TLECategory category = UserTLESource("My Sats", "http://host/file.txt").asCategory();
    EXPECT_EQ(category.name, "user:My_Sats");
    EXPECT_EQ(category.description, "My Sats");
    EXPECT_EQ(category.url, "http://host/file.txt");
    EXPECT_EQ(category.section, "Custom URLs");
    EXPECT_TRUE(category.isUserSource);
}

TEST_F(UserTLESourceTest, StoredListAndTheCombinedCategoryTable)
{
    EXPECT_TRUE(UserTLESourceStore::load().empty());
    EXPECT_FALSE(UserTLESourceStore::findByCategoryKey("user:My_Sats"));
    EXPECT_EQ(TLEManager::categories().size(), 41u);

    const UserTLESource first("My Sats", "https://example.org/a.txt");
    const UserTLESource second("My_Sats", "https://example.org/b.json");
    EXPECT_TRUE(UserTLESourceStore::add(first));
    // One key would mean one cached copy and one subscription for both.
    EXPECT_EQ(UserTLESourceStore::sourceWithSameKey(second), first);
    EXPECT_FALSE(UserTLESourceStore::add(second));
    EXPECT_FALSE(UserTLESourceStore::add(UserTLESource("My/Sats", "https://example.org/c.txt")));
    EXPECT_EQ(UserTLESourceStore::sourceWithSameKey(UserTLESource("My  Sats", "https://x/")), std::nullopt);
    // Keys that differ only by ":" and "-" still name one cache file.
    const UserTLESource colon("a:b", "https://example.org/colon.txt");
    EXPECT_TRUE(UserTLESourceStore::add(colon));
    const UserTLESource dash("a-b", "https://example.org/dash.txt");
    ASSERT_NE(colon.categoryKey(), dash.categoryKey());
    EXPECT_EQ(UserTLESourceStore::sourceWithSameKey(dash), colon);
    EXPECT_FALSE(UserTLESourceStore::add(dash));
    UserTLESourceStore::remove(colon.id);
    EXPECT_EQ(UserTLESourceStore::load().size(), 1u);
    // A list stored before that rule is read as it is.
    ASSERT_TRUE(UserTLESourceStore::save({first, second}));
    EXPECT_FALSE(UserTLESourceStore::add(UserTLESource("Other name", "https://example.org/a.txt")));
    EXPECT_TRUE(UserTLESourceStore::add(UserTLESource("Case", "https://EXAMPLE.org/a.txt")));
    EXPECT_TRUE(UserTLESourceStore::add(UserTLESource("Slash", "https://example.org/a.txt/")));

    const auto loaded = UserTLESourceStore::load();
    ASSERT_EQ(loaded.size(), 4u);
    EXPECT_EQ(loaded[0], first);
    EXPECT_EQ(loaded[1], second);
    // Both names give one key: the first stored wins.
    EXPECT_EQ(UserTLESourceStore::findByCategoryKey("user:My_Sats"), first);

    const auto all = TLEManager::categories();
    ASSERT_EQ(all.size(), 45u);
    EXPECT_FALSE(all[40].isUserSource);
    EXPECT_EQ(all[41].name, "user:My_Sats");
    EXPECT_EQ(all[41].url, "https://example.org/a.txt");
    EXPECT_EQ(all[42].url, "https://example.org/b.json");
    EXPECT_TRUE(all[44].isUserSource);
    EXPECT_EQ(all[44].section, "Custom URLs");

    // Removing an unknown id changes nothing; ids match in either case.
    UserTLESourceStore::remove("00000000-0000-0000-0000-000000000000");
    EXPECT_EQ(UserTLESourceStore::load().size(), 4u);
    std::string lower = first.id;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    UserTLESourceStore::remove(lower);
    const auto after = UserTLESourceStore::load();
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[0], second);
}

TEST_F(UserTLESourceTest, StoredFormIsAJsonArrayOfIdNameUrl)
{
    const UserTLESource source("CSN", "http://example.net/x.txt");
    ASSERT_TRUE(UserTLESourceStore::add(source));
    const auto bytes = store().bytes(UserTLESourceStore::defaultsKey);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, R"([{"id":")" + source.id + R"(","name":"CSN","url":"http://example.net/x.txt"}])");
    EXPECT_EQ(source.id.size(), 36u);
    EXPECT_EQ(std::string(UserTLESourceStore::defaultsKey), "userTLESources");

    // Lower-case identifiers are read; other members are ignored.
    store().setBytes(UserTLESourceStore::defaultsKey,
                     R"([{"url":"u","extra":1,"name":"n","id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f"}])");
    const auto loaded = UserTLESourceStore::load();
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].id, "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
}

TEST_F(UserTLESourceTest, UndecodableStoredListIsBackedUpBeforeItIsReplaced)
{
    const std::string broken[] = {
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","name":"kept"},)"
        R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E50","name":"no url"}])",
        R"([{"id":"not-an-id","name":"n","url":"u"}])",
        "not json",
    };
    for (const auto& bytes : broken) {
        SCOPED_TRACE(bytes);
        store().remove(UserTLESourceStore::backupKey);
        store().setBytes(UserTLESourceStore::defaultsKey, bytes);
        EXPECT_TRUE(UserTLESourceStore::load().empty());
        EXPECT_TRUE(UserTLESourceStore::add(UserTLESource("New", "https://new.example/")));
        ASSERT_EQ(UserTLESourceStore::load().size(), 1u);
        EXPECT_EQ(store().bytes(UserTLESourceStore::backupKey), bytes);
    }
    // A value of another kind is kept as it was, and a second backup does
    // not overwrite the first.
    store().setString(UserTLESourceStore::defaultsKey, "text, not bytes");
    UserTLESourceStore::remove("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    EXPECT_TRUE(store().bytes(UserTLESourceStore::backupKey).has_value());
    EXPECT_EQ(store().stringValue(std::string(UserTLESourceStore::backupKey) + "-2"), "text, not bytes");
    EXPECT_TRUE(UserTLESourceStore::load().empty());
}

TEST_F(UserTLESourceTest, SourceWhoseIdIsNotAnIdentifierIsNeverStored)
{
    // Stored, such an id would make the whole list unreadable at the next load.
    const UserTLESource kept("Kept", "https://kept.example/a.txt");
    ASSERT_TRUE(UserTLESourceStore::add(kept));
    const auto before = store().bytes(UserTLESourceStore::defaultsKey);
    EXPECT_FALSE(UserTLESourceStore::add(UserTLESource("not-an-id", "Bad", "https://bad.example/")));
    EXPECT_FALSE(UserTLESourceStore::save({kept, UserTLESource("", "Empty id", "https://empty.example/")}));
    EXPECT_EQ(store().bytes(UserTLESourceStore::defaultsKey), before);
    EXPECT_EQ(UserTLESourceStore::load(), std::vector<UserTLESource>{kept});
}

TEST_F(UserTLESourceTest, PresetsAreFixedForTheProcessAndNotStored)
{
    const auto& presets = UserTLESourceStore::presets();
    ASSERT_EQ(presets.size(), 2u);
    EXPECT_EQ(presets[0].name, "CSN Technologies");
    EXPECT_EQ(presets[0].url.rfind("http://", 0), 0u);
    EXPECT_TRUE(presets[0].url.ends_with("/SAT/csnbare.txt"));
    EXPECT_EQ(presets[1].name, "AMSAT NASA.all");
    EXPECT_EQ(presets[1].url.rfind("https://", 0), 0u);
    EXPECT_TRUE(presets[1].url.ends_with("/tle/current/nasa.all"));
    EXPECT_EQ(UserTLESourceStore::presets()[0].id, presets[0].id);
    EXPECT_NE(presets[0].id, presets[1].id);
    EXPECT_FALSE(store().contains(UserTLESourceStore::defaultsKey));
    EXPECT_TRUE(UserTLESourceStore::add(presets[1]));
    EXPECT_EQ(UserTLESourceStore::load().front(), presets[1]);
}

} // namespace
} // namespace zelvane
