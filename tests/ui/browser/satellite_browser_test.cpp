#include "tests/ui/browser/browser_fixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QPointer>
#include <QTest>
#include <QToolButton>

#include <map>

#include "elements/custom_tle_store.h"
#include "ui/browser/satellite_browser.h"
#include "ui/browser/satellite_detail_view.h"
#include "ui/browser/tle_import_sheet.h"

namespace zelvane::test {
namespace {

class SatelliteBrowserTest : public BrowserTest {
protected:
    void SetUp() override
    {
        BrowserTest::SetUp();
        iss = makeSat("ISS (ZARYA)", "25544", {"amateur", "stations"});
        ao91 = makeSat("AO-91", "43017", {"amateur"});
        rs44 = makeSat("RS-44", "44909", {"amateur"});
        so50 = makeSat("SO-50", "27607", {"amateur"});
        fox = makeSat("FOX-1", "40967", {"amateur"});
        mine = makeSat("MY SAT", "99001", {"custom"});
        plain = makeSat("LOOSE", "99002");
        sun = makeBody("Sun", -1);
        moon = makeBody("Moon", -2);
        // In name order, as a load leaves it.
        setCatalogue({ao91, fox, iss, plain, moon, mine, rs44, so50, sun});
        for (const auto& sat : state->satellites()) {
            sat->isSelectedChanged.connect([this, id = sat->id](bool) { ++flips[id]; });
        }
    }

    // Runs the refresh that a change schedules.
    void settle() { QCoreApplication::processEvents(); }

    int totalFlips() const
    {
        int sum = 0;
        for (const auto& [id, count] : flips) {
            sum += count;
        }
        return sum;
    }

    std::shared_ptr<Satellite> iss, ao91, rs44, so50, fox, mine, plain, sun, moon;
    std::map<std::int64_t, int> flips;
};

TEST_F(SatelliteBrowserTest, OpensWithEmptySearchDefaultGroupsAndNoSheet)
{
    SatelliteBrowser browser(state);
    EXPECT_EQ(browser.searchText(), "");
    EXPECT_TRUE(child<QLineEdit>(&browser, "search")->text().isEmpty());
    EXPECT_EQ(child<QLineEdit>(&browser, "search")->placeholderText(), "Search name or NORAD ID…");
    EXPECT_TRUE(child(&browser, "clearSearch")->isHidden());
    EXPECT_EQ(browser.expandedCategories(), (std::set<std::string>{"amateur", "custom"}));
    EXPECT_EQ(browser.importSheet(), nullptr);
    EXPECT_EQ(browser.detailSheet(), nullptr);
    EXPECT_EQ(text(&browser, "availableCount"), "9");
    EXPECT_EQ(text(&browser, "tleAge"), "TLE < 1m ago");
    EXPECT_EQ(text(&browser, "trackedCount"), "(0)");
    EXPECT_TRUE(child(&browser, "clearTracked")->isHidden());
    EXPECT_EQ(text(&browser, "trackedFooter"), "These satellites appear on the ZozAdeza timeline.");
    EXPECT_EQ(child<QPushButton>(&browser, "importTLE")->toolTip(),
              "Paste or load TLE data for satellites not in CelesTrak");
    EXPECT_EQ(child<QPushButton>(&browser, "refreshTLEs")->toolTip(),
              "Re-download all TLEs from CelesTrak");

    // Groups in order, expanded ones with their rows.
    std::vector<std::string> groups;
    for (const auto& g : browser.orderedCategories()) {
        groups.push_back(g.key);
    }
    EXPECT_EQ(groups, (std::vector<std::string>{"celestial", "amateur", "stations", "custom"}));
    EXPECT_EQ(browser.uncategorizedSats(), browser::SatelliteList{plain});
    auto* amateur = child(&browser, "group:amateur");
    EXPECT_EQ(text(amateur, "label"), "Amateur Radio");
    EXPECT_EQ(text(amateur, "memberCount"), "(5)");
    EXPECT_EQ(amateur->findChild<QLabel*>("selectedCount"), nullptr);
    EXPECT_NE(amateur->findChild<QWidget*>("satRow:25544"), nullptr);
    auto* stations = child(&browser, "group:stations");
    EXPECT_EQ(stations->findChild<QWidget*>("satRow:25544"), nullptr); // collapsed
    EXPECT_NE(child(&browser, "group:uncategorized"), nullptr);
}

TEST_F(SatelliteBrowserTest, TypingNarrowsTheCatalogueAndTheClearButtonEmptiesTheSearch)
{
    SatelliteBrowser browser(state);
    browser.show();
    auto* search = child<QLineEdit>(&browser, "search");
    QTest::keyClicks(search, "-");
    EXPECT_FALSE(child(&browser, "clearSearch")->isHidden());
    settle();
    // Names with a hyphen, plus the Sun and the Moon by number.
    EXPECT_EQ(text(&browser, "availableCount"), "6");

    search->clear();
    QTest::keyClicks(search, "zzz");
    settle();
    EXPECT_EQ(text(&browser, "availableCount"), "0");
    EXPECT_EQ(child(&browser, "groupsContent")->findChildren<QWidget*>(QRegularExpression("^group:")).size(), 0);

    search->clear();
    QTest::keyClicks(search, "44");
    settle();
    auto* amateur = child(&browser, "group:amateur");
    EXPECT_EQ(text(amateur, "memberCount"), "(2)"); // RS-44 and 25544 only
    EXPECT_EQ(text(&browser, "trackedCount"), "(0)");

    QTest::mouseClick(child<QToolButton>(&browser, "clearSearch"), Qt::LeftButton);
    settle();
    EXPECT_TRUE(search->text().isEmpty());
    EXPECT_TRUE(child(&browser, "clearSearch")->isHidden());
    EXPECT_EQ(text(&browser, "availableCount"), "9");
}

TEST_F(SatelliteBrowserTest, RowCheckboxAndTrackedRowToggleTheSelection)
{
    SatelliteBrowser browser(state);
    browser.show();
    auto* row = child(child(&browser, "group:amateur"), "satRow:44909");
    child<QCheckBox>(row, "select")->click();
    EXPECT_EQ(flips[rs44->id], 1);
    EXPECT_TRUE(rs44->isSelected());
    EXPECT_EQ(state->selectedSatelliteIds(), (std::set<std::int64_t>{44909}));
    EXPECT_EQ(store->intList("selectedSatIds"), (std::vector<std::int64_t>{44909}));
    settle();
    EXPECT_EQ(text(&browser, "trackedCount"), "(1)");
    EXPECT_FALSE(child(&browser, "clearTracked")->isHidden());
    auto* amateur = child(&browser, "group:amateur");
    EXPECT_EQ(text(amateur, "selectedCount"), QStringLiteral("· 1 selected"));
    row = child(amateur, "satRow:44909");
    EXPECT_TRUE(child<QCheckBox>(row, "select")->isChecked());
    EXPECT_EQ(child<QLabel>(row, "name")->font().weight(), QFont::DemiBold);

    auto* tracked = child(&browser, "tracked:44909");
    EXPECT_EQ(text(tracked, "name"), "RS-44");
    auto* remove = child<QToolButton>(tracked, "remove");
    EXPECT_EQ(remove->toolTip(), "Remove from tracked list");
    remove->click();
    EXPECT_FALSE(rs44->isSelected());
    EXPECT_EQ(flips[rs44->id], 2);
    settle();
    EXPECT_EQ(text(&browser, "trackedCount"), "(0)");
    EXPECT_EQ(browser.findChild<QWidget*>("tracked:44909"), nullptr);
}

TEST_F(SatelliteBrowserTest, AllAndNoneToggleOnlyWhatDiffers)
{
    state->setSelectedSatelliteIds({25544, 44909});
    setCatalogue(state->satellites());
    flips.clear();
    SatelliteBrowser browser(state);
    auto* amateur = child(&browser, "group:amateur");
    EXPECT_EQ(text(amateur, "selectedCount"), QStringLiteral("· 2 selected"));

    child<QPushButton>(amateur, "all")->click();
    EXPECT_EQ(totalFlips(), 3); // five members, two already selected
    EXPECT_EQ(flips[iss->id] + flips[rs44->id], 0);
    EXPECT_EQ(state->selectedSatelliteIds(),
              (std::set<std::int64_t>{25544, 27607, 40967, 43017, 44909}));

    // Nothing to change: no toggle and so no pass computation.
    settle();
    amateur = child(&browser, "group:amateur");
    state->setStatusMessage("unchanged");
    flips.clear();
    child<QPushButton>(amateur, "all")->click();
    EXPECT_EQ(totalFlips(), 0);
    EXPECT_EQ(state->statusMessage(), "unchanged");

    child<QPushButton>(amateur, "none")->click();
    EXPECT_EQ(totalFlips(), 5);
    EXPECT_TRUE(state->selectedSatelliteIds().empty());
}

TEST_F(SatelliteBrowserTest, ClearDeselectsEveryEntryButKeepsNumbersWithoutOne)
{
    state->setSelectedSatelliteIds({12345, 27607, 43017, -1});
    setCatalogue(state->satellites());
    flips.clear();
    SatelliteBrowser browser(state);
    EXPECT_EQ(text(&browser, "trackedCount"), "(4)");
    // Rows in name order, one per catalogue entry.
    auto rows = child(&browser, "trackedContent")->findChildren<QWidget*>(QRegularExpression("^tracked:"));
    std::vector<QString> order;
    for (auto* row : rows) {
        order.push_back(row->objectName());
    }
    EXPECT_EQ(order, (std::vector<QString>{"tracked:43017", "tracked:27607", "tracked:-1"}));

    child<QPushButton>(&browser, "clearTracked")->click();
    EXPECT_EQ(totalFlips(), 3);
    EXPECT_EQ(state->selectedSatelliteIds(), (std::set<std::int64_t>{12345}));
    settle();
    EXPECT_EQ(text(&browser, "trackedCount"), "(1)");
    EXPECT_FALSE(child(&browser, "clearTracked")->isHidden());
    EXPECT_TRUE(child(&browser, "trackedContent")->findChildren<QWidget*>(QRegularExpression("^tracked:")).isEmpty());
}

TEST_F(SatelliteBrowserTest, GroupControlsDependOnTheKind)
{
    state->setSubscribedCategories({"amateur"});
    SatelliteBrowser browser(state);
    struct Case {
        QString group;
        bool hasSwitch;
        bool hasClear;
    };
    for (const Case& c : {Case{"group:celestial", false, false}, Case{"group:amateur", true, false},
                          Case{"group:stations", true, false}, Case{"group:custom", false, true},
                          Case{"group:uncategorized", false, false}}) {
        auto* group = child(&browser, c.group);
        EXPECT_NE(group->findChild<QPushButton*>("all"), nullptr) << c.group.toStdString();
        EXPECT_NE(group->findChild<QPushButton*>("none"), nullptr) << c.group.toStdString();
        EXPECT_EQ(group->findChild<QAbstractButton*>("subscribe") != nullptr, c.hasSwitch) << c.group.toStdString();
        EXPECT_EQ(group->findChild<QPushButton*>("clearCustom") != nullptr, c.hasClear) << c.group.toStdString();
    }
    auto* on = child<QAbstractButton>(child(&browser, "group:amateur"), "subscribe");
    auto* off = child<QAbstractButton>(child(&browser, "group:stations"), "subscribe");
    EXPECT_TRUE(on->isChecked());
    EXPECT_EQ(on->toolTip(), "Unsubscribe (stop downloading)");
    EXPECT_FALSE(off->isChecked());
    EXPECT_EQ(off->toolTip(), "Subscribe (download TLEs)");
    EXPECT_EQ(child<QPushButton>(child(&browser, "group:custom"), "clearCustom")->toolTip(),
              "Remove all imported TLEs");
}

TEST_F(SatelliteBrowserTest, SwitchingASubscriptionSavesItAndReloads)
{
    // A selected number without an entry: the reload selects no defaults
    // and so asks for no transmitter lists.
    state->setSelectedSatelliteIds({424242});
    state->setSubscribedCategories({"amateur"});
    SatelliteBrowser browser(state);
    auto* toggle = child<QAbstractButton>(child(&browser, "group:amateur"), "subscribe");
    toggle->click();
    EXPECT_TRUE(state->subscribedCategories().empty());
    EXPECT_EQ(store->stringList("tleCategories"), std::vector<std::string>{});
    EXPECT_TRUE(state->isLoadingTLEs());
    EXPECT_EQ(state->statusMessage(), "Fetching TLEs...");
    EXPECT_EQ(toggle->toolTip(), "Subscribe (download TLEs)");
    // The reload (nothing subscribed, nothing imported) leaves only the Sun
    // and the Moon.
    EXPECT_TRUE(waitUntil([&] { return !state->isLoadingTLEs(); }));
    settle();
    EXPECT_EQ(text(&browser, "availableCount"), "2");
}

TEST_F(SatelliteBrowserTest, ClearingImportedSetsDeletesTheFileAndReloads)
{
    // A selected number without an entry: the reload selects no defaults
    // and so asks for no transmitter lists.
    state->setSelectedSatelliteIds({424242});
    ASSERT_EQ(CustomTLEStore::add({*mine->tle}), 1);
    ASSERT_TRUE(std::filesystem::exists(CustomTLEStore::fileURL()));
    SatelliteBrowser browser(state);
    child<QPushButton>(child(&browser, "group:custom"), "clearCustom")->click();
    EXPECT_FALSE(std::filesystem::exists(CustomTLEStore::fileURL()));
    EXPECT_TRUE(state->isLoadingTLEs());
    EXPECT_TRUE(waitUntil([&] { return !state->isLoadingTLEs(); }));
    settle();
    EXPECT_EQ(browser.findChild<QWidget*>("group:custom"), nullptr);
}

TEST_F(SatelliteBrowserTest, ExpandButtonShowsAndHidesRows)
{
    SatelliteBrowser browser(state);
    auto* stations = child(&browser, "group:stations");
    EXPECT_EQ(stations->findChild<QWidget*>("satRow:25544"), nullptr);
    child<QToolButton>(stations, "expand")->click();
    settle();
    EXPECT_TRUE(browser.expandedCategories().contains("stations"));
    EXPECT_NE(child(&browser, "group:stations")->findChild<QWidget*>("satRow:25544"), nullptr);
    child<QToolButton>(child(&browser, "group:amateur"), "expand")->click();
    settle();
    EXPECT_EQ(child(&browser, "group:amateur")->findChild<QWidget*>("satRow:25544"), nullptr);
}

TEST_F(SatelliteBrowserTest, RowCellsShowNumberAgeTransmittersAndDownlink)
{
    Clock::setFixed(*utcMidnight(2008, 9, 30)); // the sets are 9.5 days old
    iss->transmitters = {Transmitter(std::nullopt, std::nullopt, std::nullopt, "FM", "up", "up"),
                         Transmitter(145.8e6, std::nullopt, std::nullopt, "FM", "voice", "down")};
    ao91->transmitters = {Transmitter(145.96e6, std::nullopt, std::nullopt, "FM", "", "up")};
    SatelliteBrowser browser(state);
    auto* amateur = child(&browser, "group:amateur");
    auto* row = child(amateur, "satRow:25544");
    EXPECT_EQ(text(row, "number"), "25544");
    EXPECT_EQ(text(row, "age"), "9.5d");
    EXPECT_EQ(child<QLabel>(row, "age")->toolTip(), "TLE epoch age");
    EXPECT_EQ(text(row, "txCount"), "2tx");
    EXPECT_EQ(text(row, "downlink"), "145.800 MHz");
    EXPECT_EQ(child<QToolButton>(row, "info")->toolTip(), "Show satellite details");

    row = child(amateur, "satRow:43017");
    EXPECT_EQ(text(row, "txCount"), "1tx");
    EXPECT_EQ(text(row, "downlink"), ""); // an uplink only

    browser.toggleExpanded("celestial");
    browser.refreshNow();
    row = child(child(&browser, "group:celestial"), "satRow:-1");
    EXPECT_EQ(text(row, "number"), "-1");
    EXPECT_EQ(text(row, "age"), "");
    EXPECT_TRUE(child<QLabel>(row, "age")->toolTip().isEmpty());
    EXPECT_EQ(text(row, "txCount"), "");
}

TEST_F(SatelliteBrowserTest, ReadOutChangesLeaveThePanelsAloneWhileCatalogueChangesRebuildThem)
{
    SatelliteBrowser browser(state);
    QPointer<QWidget> groups = child(&browser, "groupsContent");
    QPointer<QWidget> tracked = child(&browser, "trackedContent");
    for (int i = 0; i < 10; ++i) {
        state->setCurrentAzimuth(i * 10.0);
        state->setStatusMessage("tick");
    }
    settle();
    EXPECT_FALSE(groups.isNull());
    EXPECT_FALSE(tracked.isNull());

    // New transmitter lists arrive for an entry: its row changes.
    ao91->transmitters = {Transmitter(145.96e6, std::nullopt, std::nullopt, "FM", "", "down")};
    state->objectWillChange.notify();
    settle();
    EXPECT_TRUE(groups.isNull());
    EXPECT_EQ(text(child(&browser, "satRow:43017"), "downlink"), "145.960 MHz");
}

TEST_F(SatelliteBrowserTest, InfoButtonOpensTheDetailSheetAndClosingForgetsIt)
{
    SatelliteBrowser browser(state);
    browser.show();
    auto* row = child(child(&browser, "group:amateur"), "satRow:43017");
    child<QToolButton>(row, "info")->click();
    ASSERT_NE(browser.detailSheet(), nullptr);
    EXPECT_EQ(browser.detailSatellite(), ao91);
    EXPECT_EQ(browser.detailSheet()->satellite(), ao91);
    EXPECT_TRUE(browser.detailSheet()->isVisible());
    QTest::keyClick(browser.detailSheet(), Qt::Key_Escape);
    EXPECT_EQ(browser.detailSatellite(), nullptr);
    EXPECT_TRUE(waitUntil([&] { return browser.detailSheet() == nullptr; }));
}

TEST_F(SatelliteBrowserTest, ImportButtonOpensTheImportSheet)
{
    SatelliteBrowser browser(state);
    browser.show();
    child<QPushButton>(&browser, "importTLE")->click();
    ASSERT_NE(browser.importSheet(), nullptr);
    EXPECT_TRUE(browser.importSheet()->isVisible());
    child<QPushButton>(browser.importSheet(), "close")->click();
    EXPECT_TRUE(waitUntil([&] { return browser.importSheet() == nullptr; }));
}

} // namespace
} // namespace zelvane::test
