#include "tests/ui/browser/browser_fixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "ui/browser/browser_style.h"

#include "ui/browser/satellite_list_view.h"

namespace zelvane::test {
namespace {

class SatelliteListViewTest : public BrowserTest {
protected:
    void SetUp() override
    {
        BrowserTest::SetUp();
        iss = makeSat("ISS (ZARYA)", "25544", {"amateur", "stations"});
        ao91 = makeSat("AO-91", "43017", {"amateur"});
        geo = makeSat("QO-100", "43700", {"amateur"});
        geo->tle->meanMotion = 1.0027; // a geostationary orbit
        tiangong = makeSat("CSS (TIANHE)", "48274", {"stations"});
        plain = makeSat("LOOSE", "99002");
        sun = makeBody("Sun", -1);
        moon = makeBody("Moon", -2);
        setCatalogue({ao91, tiangong, iss, plain, moon, geo, sun});
    }

    using Model = browser::SatelliteRowsModel;

    // The listed catalogue numbers, top to bottom.
    std::vector<std::int64_t> rowIds(const SatelliteListView& view)
    {
        std::vector<std::int64_t> ids;
        for (int row = 0; row < view.model()->rowCount(); ++row) {
            ids.push_back(cell(view.model(), row, Model::SatelliteIdRole).toLongLong());
        }
        return ids;
    }
    static int rowOf(const SatelliteListView& view, std::int64_t id)
    {
        return view.model()->rowOfSatellite(id);
    }

    std::set<std::int64_t> selectedIds() const
    {
        std::set<std::int64_t> ids;
        for (const auto& sat : state->satellites()) {
            if (sat->isSelected()) {
                ids.insert(sat->id);
            }
        }
        return ids;
    }

    std::shared_ptr<Satellite> iss, ao91, geo, tiangong, plain, sun, moon;
};

TEST_F(SatelliteListViewTest, ListsTheCatalogueInItsOrderAndFiltersWithoutSorting)
{
    SatelliteListView view(state);
    view.show();
    EXPECT_EQ(text(&view, "selectedCount"), "0 selected");
    EXPECT_EQ(child<QLineEdit>(&view, "search")->placeholderText(), "Search name or NORAD ID...");
    EXPECT_EQ(rowIds(view), (std::vector<std::int64_t>{43017, 48274, 25544, 99002, -2, 43700, -1}));
    EXPECT_TRUE(child(&view, "clearSearch")->isHidden());

    struct Case {
        const char* query;
        std::vector<std::int64_t> rows;
    };
    for (const Case& c : {Case{"-", {43017, -2, 43700, -1}},
                          Case{"iss", {25544}},
                          Case{"43", {43017, 43700}},
                          Case{" ", {48274, 25544}}}) {
        auto* search = child<QLineEdit>(&view, "search");
        search->clear();
        QTest::keyClicks(search, c.query);
        EXPECT_FALSE(child(&view, "clearSearch")->isHidden());
        QCoreApplication::processEvents();
        EXPECT_EQ(rowIds(view), c.rows) << "query '" << c.query << "'";
    }
    QTest::mouseClick(child<QToolButton>(&view, "clearSearch"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(rowIds(view).size(), 7u);
    EXPECT_TRUE(child(&view, "clearSearch")->isHidden());
}

TEST_F(SatelliteListViewTest, RowsShowNumberTransmittersPassesAndDownlink)
{
    iss->transmitters = {Transmitter(std::nullopt, std::nullopt, std::nullopt, "FM", "", "down")};
    ao91->transmitters = {Transmitter(145.96e6, std::nullopt, std::nullopt, "FM", "", "up"),
                          Transmitter(435.25e6, std::nullopt, std::nullopt, "FM", "", "up")};
    iss->passes.resize(1);
    SatelliteListView view(state);
    const Model* m = view.model();
    int row = rowOf(view, 25544);
    EXPECT_EQ(cellText(m, row, Qt::DisplayRole), "ISS (ZARYA)");
    EXPECT_EQ(cellText(m, row, Model::NumberTextRole), "NORAD 25544");
    EXPECT_EQ(cellText(m, row, Model::TxTextRole), "1 TX");
    EXPECT_EQ(cellText(m, row, Model::PassTextRole), "1 passes");
    EXPECT_EQ(cellText(m, row, Model::DownlinkTextRole), QStringLiteral("—"));
    EXPECT_EQ(cell(m, row, Model::DownlinkColorRole).value<QColor>(), browser::colors::cyan());
    EXPECT_EQ(cell(m, row, Qt::CheckStateRole).toInt(), Qt::Unchecked);
    row = rowOf(view, 43017);
    EXPECT_EQ(cellText(m, row, Model::TxTextRole), "2 TX");
    EXPECT_EQ(cellText(m, row, Model::PassTextRole), "");
    EXPECT_EQ(cellText(m, row, Model::DownlinkTextRole), ""); // uplinks only
    row = rowOf(view, -1);
    EXPECT_EQ(cellText(m, row, Model::NumberTextRole), "NORAD -1");
    EXPECT_EQ(cellText(m, row, Model::TxTextRole), "");
}

// Through a track's ticks alone the quick list does not even compare its
// rows: a change made without a notice is taken in with the next announced
// change, not at a tick.
TEST_F(SatelliteListViewTest, TicksAloneLeaveTheEntriesUnreadUntilAnAnnouncedChange)
{
    Clock::setFixed(utcMidnight(2026, 1, 1)->addingTimeInterval(30.0));
    SatelliteListView view(state);
    const Model* m = view.model();
    const int row = rowOf(view, 25544);
    QSignalSpy changes(m, &QAbstractItemModel::dataChanged);
    iss->passes.resize(3);
    for (int i = 0; i < 5; ++i) {
        state->setCurrentAzimuth(i * 10.0);
        state->setCurrentRange(1000.0 + i);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(changes.count(), 0) << "the rows were not compared";

    state->objectWillChange.notify();
    QCoreApplication::processEvents();
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes[0][0].value<QModelIndex>().row(), row);
    EXPECT_EQ(cellText(m, row, Model::PassTextRole), "3 passes");
}

TEST_F(SatelliteListViewTest, CheckboxFlipsOncePerClick)
{
    SatelliteListView view(state);
    view.resize(400, 500);
    view.show();
    QCoreApplication::processEvents();
    QSignalSpy changes(view.model(), &QAbstractItemModel::dataChanged);
    QSignalSpy resets(view.model(), &QAbstractItemModel::modelReset);
    clickPart(view.listView(), view.rowDelegate(), rowOf(view, -2), browser::RowPart::checkbox);
    EXPECT_TRUE(moon->isSelected());
    EXPECT_EQ(state->selectedSatelliteIds(), (std::set<std::int64_t>{-2}));
    QCoreApplication::processEvents();
    EXPECT_EQ(text(&view, "selectedCount"), "1 selected");
    EXPECT_EQ(cell(view.model(), rowOf(view, -2), Qt::CheckStateRole).toInt(), Qt::Checked);
    // Only the clicked row is announced.
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes[0][0].value<QModelIndex>().row(), rowOf(view, -2));
    EXPECT_EQ(changes[0][1].value<QModelIndex>().row(), rowOf(view, -2));
    EXPECT_EQ(resets.count(), 0);

    // A click beside the box does nothing; a double click is two clicks.
    const QModelIndex index = view.model()->index(rowOf(view, -2));
    const QRect name = view.rowDelegate()->partRect(view.listView(), index, browser::RowPart::name);
    QTest::mouseClick(view.listView()->viewport(), Qt::LeftButton, {}, name.center());
    EXPECT_TRUE(moon->isSelected());
    const QRect box = view.rowDelegate()->partRect(view.listView(), index, browser::RowPart::checkbox);
    QTest::mouseDClick(view.listView()->viewport(), Qt::LeftButton, {}, box.center());
    EXPECT_TRUE(moon->isSelected());
    clickPart(view.listView(), view.rowDelegate(), rowOf(view, -2), browser::RowPart::checkbox);
    EXPECT_FALSE(moon->isSelected());
    EXPECT_TRUE(state->selectedSatelliteIds().empty());
}

TEST_F(SatelliteListViewTest, PresetsReplaceTheWholeSelectionEvenWhereTheSearchHides)
{
    state->setSelectedSatelliteIds({77777, 99002});
    setCatalogue(state->satellites());
    SatelliteListView view(state);
    view.setSearchText("zzz"); // hides every row
    struct Case {
        const char* button;
        std::set<std::int64_t> selected;
        std::size_t idCount; // the number 77777 has no entry and stays
    };
    const std::vector<Case> cases = {
        {"presetAmateur", {25544, 43017}, 3},           // the geostationary member is left out
        {"presetStations", {25544, 48274}, 3},
        {"presetAll", {25544, 43017, 43700, 48274, 99002, -1, -2}, 8},
        {"presetNone", {}, 1},
    };
    for (const auto& c : cases) {
        int notices = 0;
        const auto watch = state->objectWillChange.connect([&notices] { ++notices; });
        child<QPushButton>(&view, c.button)->click();
        state->objectWillChange.disconnect(watch);
        // One change of the selection and one computation request, however
        // many entries change.
        EXPECT_LE(notices, 2) << c.button;
        EXPECT_EQ(selectedIds(), c.selected) << c.button;
        EXPECT_EQ(state->selectedSatelliteIds().size(), c.idCount) << c.button;
        EXPECT_TRUE(state->selectedSatelliteIds().contains(77777)) << c.button;
        QCoreApplication::processEvents();
        EXPECT_EQ(text(&view, "selectedCount"), QString::number(c.idCount) + " selected");
    }
}

TEST_F(SatelliteListViewTest, PresetRuleTable)
{
    EXPECT_TRUE(presetSelects(*iss, {"amateur"}));
    EXPECT_TRUE(presetSelects(*iss, {"stations"}));
    EXPECT_FALSE(presetSelects(*geo, {"amateur"}));
    EXPECT_FALSE(presetSelects(*plain, {"amateur"}));
    EXPECT_FALSE(presetSelects(*sun, {"celestial"}));
    auto nan = makeSat("ODD", "11111", {"amateur"});
    nan->tle->meanMotion = std::nan("");
    EXPECT_FALSE(presetSelects(*nan, {"amateur"}));
}

} // namespace
} // namespace zelvane::test
