#include "tests/ui/browser/browser_fixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <map>

#include "catalog/color_palette.h"
#include "elements/custom_tle_store.h"
#include "ui/browser/browser_style.h"
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

    using Model = browser::SatelliteRowsModel;
    using Part = browser::RowPart;

    static int groupRow(const SatelliteBrowser& b, const std::string& key)
    {
        return b.groupsModel()->rowOfGroup(key);
    }
    static int satRow(const SatelliteBrowser& b, std::int64_t id, const std::string& key)
    {
        return b.groupsModel()->rowOfSatellite(id, key);
    }
    static QString header(const SatelliteBrowser& b, const std::string& key, int role)
    {
        return cellText(b.groupsModel(), groupRow(b, key), role);
    }
    static void clickGroup(SatelliteBrowser& b, int row, Part part)
    {
        clickPart(b.groupsView(), b.rowDelegate(), row, part);
    }
    // The tracked rows as their catalogue numbers, top to bottom.
    static std::vector<std::int64_t> trackedIds(const SatelliteBrowser& b)
    {
        std::vector<std::int64_t> ids;
        for (int row = 0; row < b.trackedModel()->rowCount(); ++row) {
            ids.push_back(cell(b.trackedModel(), row, Model::SatelliteIdRole).toLongLong());
        }
        return ids;
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
    // The listed headers in the same order, the uncategorized group last.
    std::vector<std::string> headers;
    for (int row = 0; row < browser.groupsModel()->rowCount(); ++row) {
        if (browser.groupsModel()->kindAt(row) == browser::RowKind::groupHeader) {
            headers.push_back(browser.groupsModel()->groupKeyAt(row));
        }
    }
    EXPECT_EQ(headers, (std::vector<std::string>{"celestial", "amateur", "stations", "custom", "uncategorized"}));
    EXPECT_EQ(header(browser, "amateur", Qt::DisplayRole), "Amateur Radio");
    EXPECT_EQ(header(browser, "amateur", Model::MemberCountTextRole), "(5)");
    EXPECT_EQ(header(browser, "amateur", Model::SelectedCountTextRole), "");
    // The expanded group's rows follow its header, in name order.
    const int amateur = groupRow(browser, "amateur");
    std::vector<std::int64_t> rows;
    for (int row = amateur + 1; row < amateur + 6; ++row) {
        rows.push_back(cell(browser.groupsModel(), row, Model::SatelliteIdRole).toLongLong());
    }
    EXPECT_EQ(rows, (std::vector<std::int64_t>{43017, 40967, 25544, 44909, 27607}));
    EXPECT_EQ(groupRow(browser, "stations"), amateur + 6);
    EXPECT_EQ(satRow(browser, 25544, "stations"), -1); // collapsed
    EXPECT_EQ(satRow(browser, 99001, "custom"), groupRow(browser, "custom") + 1);
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
    EXPECT_EQ(browser.groupsModel()->rowCount(), 0);

    search->clear();
    QTest::keyClicks(search, "44");
    settle();
    EXPECT_EQ(header(browser, "amateur", Model::MemberCountTextRole), "(2)"); // RS-44 and 25544 only
    EXPECT_EQ(text(&browser, "trackedCount"), "(0)");

    QTest::mouseClick(child<QToolButton>(&browser, "clearSearch"), Qt::LeftButton);
    settle();
    EXPECT_TRUE(search->text().isEmpty());
    EXPECT_TRUE(child(&browser, "clearSearch")->isHidden());
    EXPECT_EQ(text(&browser, "availableCount"), "9");
}

TEST_F(SatelliteBrowserTest, SpaceWorksTheCurrentRowFromTheKeyboard)
{
    SatelliteBrowser browser(state);
    browser.show();
    settle();
    QListView* view = browser.groupsView();
    EXPECT_EQ(view->focusPolicy(), Qt::TabFocus) << "reached with Tab, not taken by a click";
    view->setFocus();
    view->setCurrentIndex(browser.groupsModel()->index(satRow(browser, 44909, "amateur"), 0));
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_TRUE(rs44->isSelected());
    EXPECT_EQ(state->selectedSatelliteIds(), (std::set<std::int64_t>{44909}));
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_FALSE(rs44->isSelected());

    // On a group header Space opens or closes the group.
    ASSERT_EQ(satRow(browser, 25544, "stations"), -1);
    view->setCurrentIndex(browser.groupsModel()->index(groupRow(browser, "stations"), 0));
    QTest::keyClick(view, Qt::Key_Space);
    settle();
    EXPECT_EQ(satRow(browser, 25544, "stations"), groupRow(browser, "stations") + 1);
}

TEST_F(SatelliteBrowserTest, RowCheckboxAndTrackedRowToggleTheSelection)
{
    SatelliteBrowser browser(state);
    browser.show();
    settle();
    clickGroup(browser, satRow(browser, 44909, "amateur"), Part::checkbox);
    EXPECT_EQ(flips[rs44->id], 1);
    EXPECT_TRUE(rs44->isSelected());
    EXPECT_EQ(state->selectedSatelliteIds(), (std::set<std::int64_t>{44909}));
    EXPECT_EQ(store->intList("selectedSatIds"), (std::vector<std::int64_t>{44909}));
    settle();
    EXPECT_EQ(text(&browser, "trackedCount"), "(1)");
    EXPECT_FALSE(child(&browser, "clearTracked")->isHidden());
    EXPECT_EQ(header(browser, "amateur", Model::SelectedCountTextRole), QStringLiteral("· 1 selected"));
    const int row = satRow(browser, 44909, "amateur");
    EXPECT_EQ(cell(browser.groupsModel(), row, Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_TRUE(cell(browser.groupsModel(), row, Model::NameBoldRole).toBool());

    EXPECT_EQ(trackedIds(browser), (std::vector<std::int64_t>{44909}));
    EXPECT_EQ(cellText(browser.trackedModel(), 0, Qt::DisplayRole), "RS-44");
    EXPECT_EQ(partToolTip(browser.trackedView(), browser.rowDelegate(), 0, Part::remove), "Remove from tracked list");
    clickPart(browser.trackedView(), browser.rowDelegate(), 0, Part::remove);
    EXPECT_FALSE(rs44->isSelected());
    EXPECT_EQ(flips[rs44->id], 2);
    settle();
    EXPECT_EQ(text(&browser, "trackedCount"), "(0)");
    EXPECT_TRUE(trackedIds(browser).empty());
}

TEST_F(SatelliteBrowserTest, AllAndNoneToggleOnlyWhatDiffers)
{
    state->setSelectedSatelliteIds({25544, 44909});
    setCatalogue(state->satellites());
    flips.clear();
    SatelliteBrowser browser(state);
    browser.show();
    settle();
    EXPECT_EQ(header(browser, "amateur", Model::SelectedCountTextRole), QStringLiteral("· 2 selected"));

    // One change of the selection: one notice of the new set, saved once,
    // and one pass computation, whose status names the whole new selection.
    std::vector<std::string> statusAtNotices;
    const auto watch = state->objectWillChange.connect(
        [this, &statusAtNotices] { statusAtNotices.push_back(state->statusMessage()); });
    clickGroup(browser, groupRow(browser, "amateur"), Part::allButton);
    state->objectWillChange.disconnect(watch);
    EXPECT_EQ(totalFlips(), 3); // five members, two already selected
    EXPECT_EQ(flips[iss->id] + flips[rs44->id], 0);
    EXPECT_EQ(state->selectedSatelliteIds(),
              (std::set<std::int64_t>{25544, 27607, 40967, 43017, 44909}));
    EXPECT_EQ(store->intList("selectedSatIds"),
              (std::vector<std::int64_t>{25544, 27607, 40967, 43017, 44909}));
    EXPECT_LE(statusAtNotices.size(), 2u);
    for (const auto& status : statusAtNotices) {
        EXPECT_EQ(status.find("Computing passes"), std::string::npos) << "a computation before the last";
    }
    EXPECT_EQ(state->statusMessage(), "Computing passes for 5 satellites...");

    // Nothing to change: no toggle and so no pass computation.
    settle();
    EXPECT_EQ(header(browser, "amateur", Model::SelectedCountTextRole), QStringLiteral("· 5 selected"));
    state->setStatusMessage("unchanged");
    flips.clear();
    clickGroup(browser, groupRow(browser, "amateur"), Part::allButton);
    EXPECT_EQ(totalFlips(), 0);
    EXPECT_EQ(state->statusMessage(), "unchanged");

    clickGroup(browser, groupRow(browser, "amateur"), Part::noneButton);
    EXPECT_EQ(totalFlips(), 5);
    EXPECT_TRUE(state->selectedSatelliteIds().empty());
    // One more computation follows the one "All" started, for no satellites.
    EXPECT_TRUE(waitUntil([&] { return state->statusMessage() == "0 passes in next 24h"; }))
        << state->statusMessage();
}

TEST_F(SatelliteBrowserTest, ClearDeselectsEveryEntryButKeepsNumbersWithoutOne)
{
    state->setSelectedSatelliteIds({12345, 27607, 43017, -1});
    setCatalogue(state->satellites());
    flips.clear();
    SatelliteBrowser browser(state);
    EXPECT_EQ(text(&browser, "trackedCount"), "(4)");
    // Rows in name order, one per catalogue entry.
    EXPECT_EQ(trackedIds(browser), (std::vector<std::int64_t>{43017, 27607, -1}));

    child<QPushButton>(&browser, "clearTracked")->click();
    EXPECT_EQ(totalFlips(), 3);
    EXPECT_EQ(state->selectedSatelliteIds(), (std::set<std::int64_t>{12345}));
    settle();
    EXPECT_EQ(text(&browser, "trackedCount"), "(1)");
    EXPECT_FALSE(child(&browser, "clearTracked")->isHidden());
    EXPECT_TRUE(trackedIds(browser).empty());
}

TEST_F(SatelliteBrowserTest, GroupControlsDependOnTheKind)
{
    state->setSubscribedCategories({"amateur"});
    SatelliteBrowser browser(state);
    browser.resize(820, 620);
    browser.show();
    settle();
    struct Case {
        std::string group;
        bool hasSwitch;
        bool hasClear;
    };
    for (const Case& c : {Case{"celestial", false, false}, Case{"amateur", true, false},
                          Case{"stations", true, false}, Case{"custom", false, true},
                          Case{"uncategorized", false, false}}) {
        const QModelIndex index = browser.groupsModel()->index(groupRow(browser, c.group));
        const auto has = [&](Part part) {
            return !browser.rowDelegate()->partRect(browser.groupsView(), index, part).isEmpty();
        };
        EXPECT_TRUE(has(Part::allButton)) << c.group;
        EXPECT_TRUE(has(Part::noneButton)) << c.group;
        EXPECT_EQ(has(Part::subscribe), c.hasSwitch) << c.group;
        EXPECT_EQ(has(Part::clearButton), c.hasClear) << c.group;
    }
    // Tooltips as the delegate gives them at each control.
    const auto toolTip = [&](const std::string& key, Part part) {
        const QModelIndex index = browser.groupsModel()->index(groupRow(browser, key));
        QStyleOptionViewItem option;
        option.initFrom(browser.groupsView()->viewport());
        option.widget = browser.groupsView();
        option.rect = browser.groupsView()->visualRect(index);
        for (const auto& c : browser.rowDelegate()->layoutRow(option, index)) {
            if (c.part == part) {
                return c.toolTip;
            }
        }
        return QStringLiteral("<none>");
    };
    EXPECT_TRUE(cell(browser.groupsModel(), groupRow(browser, "amateur"), Model::SubscribedRole).toBool());
    EXPECT_EQ(toolTip("amateur", Part::subscribe), "Unsubscribe (stop downloading)");
    EXPECT_EQ(partToolTip(browser.groupsView(), browser.rowDelegate(), groupRow(browser, "amateur"), Part::subscribe),
              "Unsubscribe (stop downloading)");
    EXPECT_FALSE(cell(browser.groupsModel(), groupRow(browser, "stations"), Model::SubscribedRole).toBool());
    EXPECT_EQ(toolTip("stations", Part::subscribe), "Subscribe (download TLEs)");
    EXPECT_EQ(toolTip("custom", Part::clearButton), "Remove all imported TLEs");
}

TEST_F(SatelliteBrowserTest, SwitchingASubscriptionSavesItAndReloads)
{
    // A selected number without an entry: the reload selects no defaults
    // and so asks for no transmitter lists.
    state->setSelectedSatelliteIds({424242});
    state->setSubscribedCategories({"amateur"});
    SatelliteBrowser browser(state);
    browser.resize(820, 620);
    browser.show();
    settle();
    clickGroup(browser, groupRow(browser, "amateur"), Part::subscribe);
    EXPECT_TRUE(state->subscribedCategories().empty());
    EXPECT_EQ(store->stringList("tleCategories"), std::vector<std::string>{});
    EXPECT_TRUE(state->isLoadingTLEs());
    EXPECT_EQ(state->statusMessage(), "Fetching TLEs...");
    // The switch shows the new subscription before the reload completes.
    browser.refreshNow();
    EXPECT_FALSE(cell(browser.groupsModel(), groupRow(browser, "amateur"), Model::SubscribedRole).toBool());
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
    browser.resize(820, 620);
    browser.show();
    settle();
    clickGroup(browser, groupRow(browser, "custom"), Part::clearButton);
    EXPECT_FALSE(std::filesystem::exists(CustomTLEStore::fileURL()));
    EXPECT_TRUE(state->isLoadingTLEs());
    EXPECT_TRUE(waitUntil([&] { return !state->isLoadingTLEs(); }));
    settle();
    EXPECT_EQ(groupRow(browser, "custom"), -1);
}

TEST_F(SatelliteBrowserTest, ExpandButtonShowsAndHidesRows)
{
    SatelliteBrowser browser(state);
    browser.resize(820, 620);
    browser.show();
    settle();
    EXPECT_EQ(satRow(browser, 25544, "stations"), -1);
    // The controls show the pointing hand, the rest of the header does not.
    const QModelIndex stations = browser.groupsModel()->index(groupRow(browser, "stations"));
    QWidget* viewport = browser.groupsView()->viewport();
    QTest::mouseMove(viewport, browser.rowDelegate()->partRect(browser.groupsView(), stations, Part::allButton).center());
    EXPECT_EQ(viewport->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(viewport, browser.rowDelegate()->partRect(browser.groupsView(), stations, Part::label).center());
    EXPECT_NE(viewport->cursor().shape(), Qt::PointingHandCursor);
    // Only the chevron expands: a click on the label does nothing.
    clickGroup(browser, groupRow(browser, "stations"), Part::label);
    settle();
    EXPECT_FALSE(browser.expandedCategories().contains("stations"));
    clickGroup(browser, groupRow(browser, "stations"), Part::chevron);
    settle();
    EXPECT_TRUE(browser.expandedCategories().contains("stations"));
    EXPECT_EQ(satRow(browser, 25544, "stations"), groupRow(browser, "stations") + 1);
    EXPECT_TRUE(cell(browser.groupsModel(), groupRow(browser, "stations"), Model::ExpandedRole).toBool());
    clickGroup(browser, groupRow(browser, "amateur"), Part::chevron);
    settle();
    EXPECT_EQ(satRow(browser, 25544, "amateur"), -1);
}

TEST_F(SatelliteBrowserTest, RowCellsShowNumberAgeTransmittersAndDownlink)
{
    Clock::setFixed(*utcMidnight(2008, 9, 30)); // the sets are 9.5 days old
    iss->transmitters = {Transmitter(std::nullopt, std::nullopt, std::nullopt, "FM", "up", "up"),
                         Transmitter(145.8e6, std::nullopt, std::nullopt, "FM", "voice", "down")};
    ao91->transmitters = {Transmitter(145.96e6, std::nullopt, std::nullopt, "FM", "", "up")};
    state->setSelectedSatelliteIds({25544});
    setCatalogue(state->satellites());
    SatelliteBrowser browser(state);
    browser.resize(820, 620);
    browser.show();
    settle();
    const Model* m = browser.groupsModel();
    int row = satRow(browser, 25544, "amateur");
    EXPECT_EQ(partToolTip(browser.groupsView(), browser.rowDelegate(), row, Part::age), "TLE epoch age");
    EXPECT_EQ(partToolTip(browser.groupsView(), browser.rowDelegate(), row, Part::info), "Show satellite details");
    EXPECT_EQ(partToolTip(browser.groupsView(), browser.rowDelegate(), row, Part::number), "");
    EXPECT_EQ(cellText(m, row, Qt::DisplayRole), "ISS (ZARYA)");
    EXPECT_EQ(cellText(m, row, Model::NumberTextRole), "25544");
    EXPECT_EQ(cellText(m, row, Model::AgeTextRole), "9.5d");
    EXPECT_EQ(cell(m, row, Model::AgeColorRole).value<QColor>(), browser::withAlpha(browser::colors::yellow(), 0.8));
    EXPECT_EQ(cellText(m, row, Model::TxTextRole), "2tx");
    EXPECT_EQ(cellText(m, row, Model::DownlinkTextRole), "145.800 MHz");
    // Selected: palette dot, full cyan, semibold name and the faint lift.
    EXPECT_EQ(cell(m, row, Model::DotColorRole).value<QColor>(),
              browser::satelliteColor(25544));
    EXPECT_EQ(cell(m, row, Model::DownlinkColorRole).value<QColor>(), browser::colors::cyan());
    EXPECT_TRUE(cell(m, row, Model::NameBoldRole).toBool());
    EXPECT_EQ(cell(m, row, Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 255, 10));

    row = satRow(browser, 43017, "amateur");
    EXPECT_EQ(cellText(m, row, Model::TxTextRole), "1tx");
    EXPECT_EQ(cellText(m, row, Model::DownlinkTextRole), ""); // an uplink only
    // Not selected: gray dot, half cyan, regular name, no background.
    EXPECT_EQ(cell(m, row, Model::DotColorRole).value<QColor>(), browser::withAlpha(browser::colors::gray(), 0.3));
    EXPECT_EQ(cell(m, row, Model::DownlinkColorRole).value<QColor>(), browser::withAlpha(browser::colors::cyan(), 0.5));
    EXPECT_FALSE(cell(m, row, Model::NameBoldRole).toBool());
    EXPECT_FALSE(cell(m, row, Qt::BackgroundRole).isValid());
    EXPECT_EQ(cell(m, row, Qt::CheckStateRole).toInt(), Qt::Unchecked);

    browser.toggleExpanded("celestial");
    browser.refreshNow();
    row = satRow(browser, -1, "celestial");
    EXPECT_EQ(cellText(m, row, Model::NumberTextRole), "-1");
    EXPECT_EQ(cellText(m, row, Model::AgeTextRole), "");
    EXPECT_FALSE(cell(m, row, Model::AgeColorRole).value<QColor>().isValid());
    settle();
    EXPECT_EQ(partToolTip(browser.groupsView(), browser.rowDelegate(), row, Part::age), ""); // blank, no tooltip
    EXPECT_EQ(cellText(m, row, Model::TxTextRole), "");
}

TEST_F(SatelliteBrowserTest, ReadOutChangesLeaveTheRowsAloneAndAChangeTouchesOnlyItsRows)
{
    SatelliteBrowser browser(state);
    const Model* groups = browser.groupsModel();
    QSignalSpy resets(groups, &QAbstractItemModel::modelReset);
    QSignalSpy changes(groups, &QAbstractItemModel::dataChanged);
    QSignalSpy inserts(groups, &QAbstractItemModel::rowsInserted);
    QSignalSpy trackedResets(browser.trackedModel(), &QAbstractItemModel::modelReset);
    for (int i = 0; i < 10; ++i) {
        state->setCurrentAzimuth(i * 10.0);
        state->setStatusMessage("tick");
    }
    settle();
    EXPECT_EQ(resets.count() + changes.count() + inserts.count() + trackedResets.count(), 0);

    // New transmitter lists arrive for an entry: only its row changes.
    ao91->transmitters = {Transmitter(145.96e6, std::nullopt, std::nullopt, "FM", "", "down")};
    state->objectWillChange.notify();
    settle();
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(changes.count(), 1);
    const int row = satRow(browser, 43017, "amateur");
    EXPECT_EQ(changes[0][0].value<QModelIndex>().row(), row);
    EXPECT_EQ(changes[0][1].value<QModelIndex>().row(), row);
    EXPECT_EQ(cellText(groups, row, Model::DownlinkTextRole), "145.960 MHz");

    // A selection: the row in each of its groups and those groups' headers.
    changes.clear();
    state->toggleSatellite(*iss);
    settle();
    std::set<int> touched;
    for (const auto& args : changes) {
        for (int r = args[0].value<QModelIndex>().row(); r <= args[1].value<QModelIndex>().row(); ++r) {
            touched.insert(r);
        }
    }
    EXPECT_EQ(touched, (std::set<int>{groupRow(browser, "amateur"), satRow(browser, 25544, "amateur"),
                                      groupRow(browser, "stations")}));
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(trackedIds(browser), (std::vector<std::int64_t>{25544}));

    // Expanding a group inserts its rows and resets nothing.
    browser.toggleExpanded("stations");
    settle();
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(inserts.count(), 1);
}

// Through a track's ticks alone (the state's revision stands still, within
// one minute of the clock) the browser does not even compare its rows: an
// entry changed without a notice stays as drawn until the next change that
// is announced, or the next minute.
TEST_F(SatelliteBrowserTest, TicksAloneLeaveTheEntriesUnreadUntilAChangeOrAMinute)
{
    const Date start = utcMidnight(2026, 1, 1)->addingTimeInterval(30.0);
    Clock::setFixed(start);
    SatelliteBrowser browser(state);
    const Model* groups = browser.groupsModel();
    const int row = satRow(browser, 43017, "amateur");
    QSignalSpy changes(groups, &QAbstractItemModel::dataChanged);
    const auto tick = [&](int i) {
        state->setCurrentAzimuth(i * 10.0);
        state->setCurrentDopplerShift(i * 5.0);
        settle();
    };

    struct Step {
        const char* what;
        std::function<void()> open; // what lets the view look again
        double downlinkHz;
    };
    const Step steps[] = {
        {"an announced change", [&] { state->objectWillChange.notify(); }, 145.96e6},
        {"the next minute", [&] { Clock::setFixed(start.addingTimeInterval(60.0)); }, 436.1e6},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        changes.clear();
        ao91->transmitters = {Transmitter(step.downlinkHz, std::nullopt, std::nullopt, "FM", "", "down")};
        for (int i = 0; i < 5; ++i) {
            tick(i);
        }
        EXPECT_EQ(changes.count(), 0) << "the row was not compared";

        step.open();
        tick(6);
        ASSERT_EQ(changes.count(), 1);
        EXPECT_EQ(changes[0][0].value<QModelIndex>().row(), row);
        EXPECT_EQ(cellText(groups, row, Model::DownlinkTextRole),
                  QString::number(step.downlinkHz / 1e6, 'f', 3) + " MHz");
    }
}

TEST_F(SatelliteBrowserTest, InfoButtonOpensTheDetailSheetAndClosingForgetsIt)
{
    SatelliteBrowser browser(state);
    browser.show();
    settle();
    clickGroup(browser, satRow(browser, 43017, "amateur"), Part::info);
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
