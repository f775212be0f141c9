#include "tests/ui/browser/browser_fixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

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

    std::vector<QString> rowNames(const SatelliteListView& view)
    {
        std::vector<QString> names;
        for (auto* row : child(&view, "listContent")->findChildren<QWidget*>(QRegularExpression("^row:"))) {
            names.push_back(row->objectName());
        }
        return names;
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
    EXPECT_EQ(rowNames(view), (std::vector<QString>{"row:43017", "row:48274", "row:25544", "row:99002",
                                                    "row:-2", "row:43700", "row:-1"}));
    EXPECT_TRUE(child(&view, "clearSearch")->isHidden());

    struct Case {
        const char* query;
        std::vector<QString> rows;
    };
    for (const Case& c : {Case{"-", {"row:43017", "row:-2", "row:43700", "row:-1"}},
                          Case{"iss", {"row:25544"}},
                          Case{"43", {"row:43017", "row:43700"}},
                          Case{" ", {"row:48274", "row:25544"}}}) {
        auto* search = child<QLineEdit>(&view, "search");
        search->clear();
        QTest::keyClicks(search, c.query);
        EXPECT_FALSE(child(&view, "clearSearch")->isHidden());
        QCoreApplication::processEvents();
        EXPECT_EQ(rowNames(view), c.rows) << "query '" << c.query << "'";
    }
    QTest::mouseClick(child<QToolButton>(&view, "clearSearch"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(rowNames(view).size(), 7u);
    EXPECT_TRUE(child(&view, "clearSearch")->isHidden());
}

TEST_F(SatelliteListViewTest, RowsShowNumberTransmittersPassesAndDownlink)
{
    iss->transmitters = {Transmitter(std::nullopt, std::nullopt, std::nullopt, "FM", "", "down")};
    ao91->transmitters = {Transmitter(145.96e6, std::nullopt, std::nullopt, "FM", "", "up"),
                          Transmitter(435.25e6, std::nullopt, std::nullopt, "FM", "", "up")};
    iss->passes.resize(1);
    SatelliteListView view(state);
    auto* row = child(&view, "row:25544");
    EXPECT_EQ(text(row, "name"), "ISS (ZARYA)");
    EXPECT_EQ(text(row, "norad"), "NORAD 25544");
    EXPECT_EQ(text(row, "txCount"), "1 TX");
    EXPECT_EQ(text(row, "passCount"), "1 passes");
    EXPECT_EQ(text(row, "downlink"), QStringLiteral("—"));
    row = child(&view, "row:43017");
    EXPECT_EQ(text(row, "txCount"), "2 TX");
    EXPECT_EQ(row->findChild<QLabel*>("passCount"), nullptr);
    EXPECT_EQ(row->findChild<QLabel*>("downlink"), nullptr); // uplinks only
    row = child(&view, "row:-1");
    EXPECT_EQ(text(row, "norad"), "NORAD -1");
    EXPECT_EQ(row->findChild<QLabel*>("txCount"), nullptr);
}

TEST_F(SatelliteListViewTest, CheckboxFlipsOncePerClick)
{
    SatelliteListView view(state);
    view.show();
    child<QCheckBox>(child(&view, "row:-2"), "select")->click();
    EXPECT_TRUE(moon->isSelected());
    EXPECT_EQ(state->selectedSatelliteIds(), (std::set<std::int64_t>{-2}));
    QCoreApplication::processEvents();
    EXPECT_EQ(text(&view, "selectedCount"), "1 selected");
    EXPECT_TRUE(child<QCheckBox>(child(&view, "row:-2"), "select")->isChecked());
    child<QCheckBox>(child(&view, "row:-2"), "select")->click();
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
        child<QPushButton>(&view, c.button)->click();
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
