#include "tests/ui/settings/settings_fixture.h"

#include <QCheckBox>
#include <QKeySequence>
#include <QPushButton>

#include <map>

#include "elements/user_tle_source.h"
#include "tests/support/http_test_server.h"

namespace zelvane::test {
namespace {

class TleSourcesTest : public SettingsViewTest {
protected:
    std::string userToggle(const UserTLESource& source) { return "userSourceToggle:" + source.id; }

    void addSource(const std::string& name, const std::string& url)
    {
        setText("newSourceNameField", name);
        setText("newSourceUrlField", url);
        click("addSourceButton");
        settle();
    }
};

TEST_F(TleSourcesTest, CategoryTogglesSubscribeAndCountPerSection)
{
    open();
    auto* amateur = child<QCheckBox>("categoryToggle:amateur");
    EXPECT_EQ(amateur->text().toStdString(), "Amateur Radio");
    EXPECT_TRUE(amateur->isChecked());

    std::map<std::string, int> totals;
    for (const auto& category : TLEManager::builtinCategories()) {
        ++totals[category.section];
    }
    const std::string amateurSection = "Amateur & Stations";
    auto* count = child<QWidget>("sectionGroup:" + amateurSection)->findChild<QLabel*>("disclosureCount");
    ASSERT_NE(count, nullptr);
    const std::string total = std::to_string(totals[amateurSection]);
    EXPECT_EQ(count->text().toStdString(), "2/" + total);

    amateur->click();
    settle();
    EXPECT_EQ(state->subscribedCategories().count("amateur"), 0u);
    EXPECT_EQ(store().stringList("tleCategories"), (std::vector<std::string>{"stations"}));
    EXPECT_EQ(count->text().toStdString(), "1/" + total);
    EXPECT_TRUE(state->isLoadingTLEs()); // a reload started

    child<QCheckBox>("categoryToggle:stations")->click();
    settle();
    EXPECT_EQ(count->text().toStdString(), total);
    amateur->click();
    EXPECT_EQ(state->subscribedCategories(), (std::set<std::string>{"amateur"}));
}

TEST_F(TleSourcesTest, AmpersandsInTitlesAreShownNotTakenAsShortcuts)
{
    open();
    auto* header = child<QWidget>("sectionGroup:Amateur & Stations")->findChild<QAbstractButton*>("disclosureButton");
    ASSERT_NE(header, nullptr);
    EXPECT_TRUE(QKeySequence::mnemonic(header->text()).isEmpty());
    for (const auto& category : TLEManager::builtinCategories()) {
        auto* toggle = child<QCheckBox>("categoryToggle:" + category.name);
        EXPECT_TRUE(QKeySequence::mnemonic(toggle->text()).isEmpty()) << category.description;
    }
}

TEST_F(TleSourcesTest, AddedSourceIsStoredSubscribedAndListed)
{
    open();
    auto* add = child<QPushButton>("addSourceButton");
    EXPECT_FALSE(add->isEnabled());
    setText("newSourceNameField", "  ");
    EXPECT_FALSE(add->isEnabled());
    setText("newSourceUrlField", "http://127.0.0.1:1/a.txt");
    EXPECT_TRUE(add->isEnabled()); // blanks are a name
    setText("newSourceNameField", "My Sats/LEO");
    click("addSourceButton");
    settle();

    ASSERT_EQ(view->userSources().size(), 1u);
    const UserTLESource source = view->userSources().front();
    EXPECT_EQ(source.name, "My Sats/LEO");
    EXPECT_EQ(source.categoryKey(), "user:My_Sats_LEO");
    EXPECT_EQ(UserTLESourceStore::load(), view->userSources());
    EXPECT_EQ(state->subscribedCategories().count("user:My_Sats_LEO"), 1u);
    EXPECT_TRUE(child<QCheckBox>(userToggle(source))->isChecked());
    EXPECT_EQ(text("newSourceNameField"), "");
    EXPECT_EQ(text("newSourceUrlField"), "");
    EXPECT_FALSE(add->isEnabled());
    EXPECT_EQ(view->findChild<QWidget*>("customUrlGroup")->findChild<QLabel*>("disclosureCount")->text(), "1");

    // The same address again: refused, subscriptions untouched, fields cleared.
    const auto before = state->subscribedCategories();
    addSource("Other", "http://127.0.0.1:1/a.txt");
    EXPECT_EQ(view->userSources().size(), 1u);
    EXPECT_EQ(state->subscribedCategories(), before);
    EXPECT_EQ(text("newSourceNameField"), "");

    // Differing only by letter case or a trailing "/" is another address.
    addSource("Upper", "http://127.0.0.1:1/A.txt");
    addSource("Slash", "http://127.0.0.1:1/a.txt/");
    EXPECT_EQ(view->userSources().size(), 3u);
}

// Two stored sources that share one key (stored before such a pair was
// refused) are read as they are: one toggle state, removal of either
// unsubscribes both.
TEST_F(TleSourcesTest, UserToggleAndRemoval)
{
    ASSERT_TRUE(UserTLESourceStore::save({UserTLESource("A B", "http://127.0.0.1:1/one"),
                                          UserTLESource("A_B", "http://127.0.0.1:1/two")}));
    state->insertSubscribedCategory("user:A_B");
    open();
    ASSERT_EQ(view->userSources().size(), 2u);
    const auto first = view->userSources()[0];
    const auto second = view->userSources()[1];
    ASSERT_EQ(first.categoryKey(), second.categoryKey());

    // One key: the two toggles move together.
    child<QCheckBox>(userToggle(first))->click();
    settle();
    EXPECT_EQ(state->subscribedCategories().count("user:A_B"), 0u);
    EXPECT_FALSE(child<QCheckBox>(userToggle(second))->isChecked());
    child<QCheckBox>(userToggle(second))->click();
    settle();
    EXPECT_TRUE(child<QCheckBox>(userToggle(first))->isChecked());

    // Removing either unsubscribes the key for both.
    click("removeUserSource:" + first.id);
    settle();
    EXPECT_EQ(UserTLESourceStore::load(), (std::vector<UserTLESource>{second}));
    EXPECT_EQ(state->subscribedCategories().count("user:A_B"), 0u);
    EXPECT_EQ(view->findChild<QWidget*>(QString::fromStdString(userToggle(first))), nullptr);
    EXPECT_FALSE(child<QCheckBox>(userToggle(second))->isChecked());

    // Removing an unsubscribed source leaves the set as it was.
    const auto before = state->subscribedCategories();
    click("removeUserSource:" + second.id);
    settle();
    EXPECT_TRUE(UserTLESourceStore::load().empty());
    EXPECT_EQ(state->subscribedCategories(), before);
    EXPECT_EQ(view->findChild<QWidget*>("customUrlGroup")->findChild<QLabel*>("disclosureCount")->text(), "");
}

// A name that would share a stored source's key (its cached copy and its
// subscription) is refused with a message; the typed fields stay for
// another name, and a name of its own is then taken.
TEST_F(TleSourcesTest, SourceSharingAStoredKeyIsRefusedWithAMessage)
{
    open();
    addSource("A B", "http://127.0.0.1:1/one");
    const auto subscribed = state->subscribedCategories();
    auto* message = child<QLabel>("sourceMessage");
    EXPECT_TRUE(message->isHidden());
    const auto refusal = [](const std::string& name, const std::string& stored) {
        return "Not added: \u201C" + name + "\u201D would be one source with the stored \u201C" + stored +
               "\u201D (a space or \u201C/\u201D in a name counts as \u201C_\u201D, a \u201C:\u201D as "
               "\u201C-\u201D). Choose another name.";
    };

    for (const char* name : {"A_B", "A/B"}) {
        SCOPED_TRACE(name);
        addSource(name, "http://127.0.0.1:1/two");
        EXPECT_EQ(view->userSources().size(), 1u);
        EXPECT_EQ(state->subscribedCategories(), subscribed);
        EXPECT_FALSE(message->isHidden());
        EXPECT_EQ(message->text().toStdString(), refusal(name, "A B"));
        EXPECT_EQ(text("newSourceNameField"), name);
        EXPECT_EQ(text("newSourceUrlField"), "http://127.0.0.1:1/two");
    }

    // Typing another name clears the message; that name is added.
    QTest::keyClicks(field("newSourceNameField"), "2");
    EXPECT_TRUE(message->isHidden());
    click("addSourceButton");
    settle();
    ASSERT_EQ(view->userSources().size(), 2u);
    EXPECT_EQ(view->userSources()[1].name, "A/B2");
    EXPECT_EQ(state->subscribedCategories().count("user:A_B2"), 1u);

    // ":" and "-" give one cache file, though not one subscription.
    addSource("C-D", "http://127.0.0.1:1/three");
    addSource("C:D", "http://127.0.0.1:1/four");
    EXPECT_EQ(view->userSources().size(), 3u);
    EXPECT_EQ(message->text().toStdString(), refusal("C:D", "C-D"));
    EXPECT_EQ(text("newSourceNameField"), "C:D");
}

TEST_F(TleSourcesTest, PresetButtonsFollowTheStoredAddresses)
{
    const UserTLESource csn = UserTLESourceStore::presets()[0];
    ASSERT_EQ(csn.name, "CSN Technologies");
    cacheFresh(csn.categoryKey()); // its reload is served from the cache
    open();
    auto* button = child<QPushButton>("presetButton:CSN Technologies");
    EXPECT_TRUE(button->isEnabled());
    EXPECT_TRUE(child<QPushButton>("presetButton:AMSAT NASA.all")->isEnabled());

    button->click();
    settle();
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(state->subscribedCategories().count("user:CSN_Technologies"), 1u);
    ASSERT_EQ(UserTLESourceStore::load().size(), 1u);
    EXPECT_EQ(UserTLESourceStore::load().front(), csn); // its own identifier

    click("removeUserSource:" + csn.id);
    settle();
    EXPECT_TRUE(button->isEnabled());

    // Any name with exactly the preset's address disables it. (Its reload
    // is served from the cache too: no test reaches for a real host.)
    cacheFresh("user:Mine");
    addSource("Mine", csn.url);
    EXPECT_FALSE(button->isEnabled());
}

TEST_F(TleSourcesTest, GroupsStartCollapsedAtEveryOpening)
{
    open();
    auto* group = view->findChild<QWidget*>("customUrlGroup");
    auto* arrow = group->findChild<QAbstractButton*>("disclosureButton");
    EXPECT_TRUE(child<QCheckBox>("categoryToggle:amateur")->isHidden() == false);
    EXPECT_FALSE(child<QCheckBox>("categoryToggle:amateur")->isVisible());
    arrow->click();
    EXPECT_TRUE(child<QWidget>("addSourceButton")->isVisible());
    view->hide();
    open();
    EXPECT_FALSE(child<QWidget>("addSourceButton")->isVisible());
}

// The button downloads every subscribed category again, fresh copies too.
TEST_F(TleSourcesTest, RefreshNowReloads)
{
    HttpTestServer server;
    LocalServices::pointAt(server.url());
    const std::string amateur = std::string(TLEManager::servicePath) + "?GROUP=amateur&FORMAT=json";
    const std::string stations = std::string(TLEManager::servicePath) + "?GROUP=stations&FORMAT=json";
    server.setResponse(amateur, 200, "");
    server.setResponse(stations, 200, "");
    cacheFresh("amateur");
    cacheFresh("stations");
    open();
    click("refreshNowButton");
    EXPECT_TRUE(state->isLoadingTLEs());
    EXPECT_EQ(state->statusMessage(), "Fetching TLEs...");
    EXPECT_TRUE(waitUntil([&] {
        return !state->isLoadingTLEs() && server.requestCount(amateur) == 1 && server.requestCount(stations) == 1;
    }, std::chrono::seconds(10)));
}

} // namespace
} // namespace zelvane::test
