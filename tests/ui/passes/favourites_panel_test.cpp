#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "elements/tle_data.h"
#include "elements/user_tle_source.h"
#include "tests/ui/passes/timeline_fixture.h"
#include "tests/ui/shell/fit_check.h"
#include "ui/passes/favourites_panel.h"
#include "ui/passes/zoz_adeza_chart.h"
#include "ui/passes/zoz_adeza_view.h"

namespace zelvane::test {
namespace {

class FavouritesTest : public TimelineTest {};

TEST_F(FavouritesTest, SourceLabels)
{
    UserTLESourceStore::add(UserTLESource("My Birds", "https://example.invalid/birds.txt"));
    struct Case {
        std::set<std::string> keys;
        const char* label;
    } cases[] = {
        {{"amateur", "custom"}, "Amateur Radio \u00B7 Custom"},
        {{"celestial"}, "Celestial"},
        {{"user:My_List"}, "My List"},          // its address has since been deleted
        {{"user:My_Birds"}, "My Birds"},        // named by the stored address
        {{"oldgroup"}, "oldgroup"},             // no built-in category of that key
        {{"custom", "Custom"}, "Custom \u00B7 Custom"}, // byte order, names not merged
        {{}, ""},
    };
    for (const Case& c : cases) {
        Satellite sat("X", 1);
        sat.sources = c.keys;
        EXPECT_EQ(FavouritesPanel::sourceDisplay(sat), c.label);
    }
}

TEST_F(FavouritesTest, AgeTones)
{
    using Tone = FavouritesPanel::AgeTone;
    struct Case {
        double days;
        Tone tone;
    } cases[] = {{0.5, Tone::green}, {-3.0, Tone::green}, {6.99, Tone::green},
                 {7.0, Tone::yellow}, {13.99, Tone::yellow}, {14.0, Tone::red}};
    for (const Case& c : cases) {
        EXPECT_EQ(FavouritesPanel::ageTone(c.days), c.tone) << c.days;
    }
}

TEST_F(FavouritesTest, EmptyPanelShowsHintAndOpensBrowser)
{
    FavouritesPanel panel(state);
    panel.show();
    QSignalSpy spy(&panel, &FavouritesPanel::openSatelliteBrowser);
    EXPECT_EQ(panel.findChild<QLabel*>("favoritesCount")->text(), "(0)");
    EXPECT_TRUE(panel.findChild<QPushButton*>("clearFavoritesButton")->isHidden());
    EXPECT_FALSE(panel.findChild<QWidget*>("emptyFavoritesHint")->isHidden());
    QTest::mouseClick(panel.findChild<QPushButton*>("openBrowserButton"), Qt::LeftButton);
    QTest::mouseClick(panel.findChild<QPushButton*>("browseButton"), Qt::LeftButton);
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(FavouritesTest, RowsShowColumnsAndRemove)
{
    auto zulu = makeFavourite("ZULU", 40001, {makePass(now, 600, 30), makePass(now, 600, 40),
                                               makePass(now, 600, 50)},
                              {downlink(145.8e6)});
    zulu->sources = {"cubesat", "amateur"};
    TLEData tle;
    tle.noradId = 40001;
    tle.epochYear = 2025;
    tle.epochDays = 365.5; // noon on 31 December: half a day before the pinned now
    zulu->tle = tle;
    auto alpha = makeFavourite("ALPHA", 40002, {});
    auto sun = makeFavourite("Sun", -1, {makePass(now, 600, 30)});
    sun->sources = {"celestial"};
    auto other = std::make_shared<Satellite>("OTHER", 40003);
    setCatalogue({alpha, other, sun, zulu});
    // A saved number without a satellite in the catalogue.
    state->insertSelectedSatelliteId(99999);

    FavouritesPanel panel(state);
    EXPECT_EQ(panel.findChild<QLabel*>("favoritesCount")->text(), "(4)");
    EXPECT_TRUE(panel.findChild<QWidget*>("emptyFavoritesHint")->isHidden());

    // Rows by name: ALPHA, Sun, ZULU (plain byte order puts upper case first).
    auto* content = panel.findChild<QScrollArea*>("favoritesList")->widget();
    QStringList names;
    for (QLabel* name : content->findChildren<QLabel*>("favoriteName")) {
        names << name->text();
    }
    EXPECT_EQ(names, (QStringList{"ALPHA", "Sun", "ZULU"}));

    auto* zuluRow = content->findChild<QWidget*>("favoriteRow_40001");
    ASSERT_NE(zuluRow, nullptr);
    auto* source = zuluRow->findChild<QLabel*>("favoriteSource");
    EXPECT_EQ(source->text(), "Amateur Radio \u00B7 CubeSats");
    EXPECT_EQ(source->toolTip(), "amateur, cubesat");
    EXPECT_EQ(zuluRow->findChild<QLabel*>("favoriteAge")->text(), "12h");
    EXPECT_EQ(zuluRow->findChild<QLabel*>("favoritePassCount")->toolTip(),
              "3 upcoming passes in the prediction window");
    EXPECT_EQ(zuluRow->findChild<QLabel*>("favoriteDownlink")->text(), "145.800 MHz");
    auto* sunRow = content->findChild<QWidget*>("favoriteRow_-1");
    EXPECT_EQ(sunRow->findChild<QLabel*>("favoriteSource")->text(), "Celestial");
    EXPECT_EQ(sunRow->findChild<QLabel*>("favoriteAge"), nullptr);
    EXPECT_EQ(content->findChild<QWidget*>("favoriteRow_40002")->findChild<QLabel*>("favoritePassCount"),
              nullptr);

    panel.resize(760, 300);
    panel.show();
    settle();
    keepRender(panel.grab().toImage(), QStringLiteral("favourites"));

    // One remove button takes off one favourite.
    QTest::mouseClick(zuluRow->findChild<QToolButton*>("removeFavorite_40001"), Qt::LeftButton);
    EXPECT_FALSE(zulu->isSelected());
    EXPECT_EQ(state->selectedSatelliteIds().count(40001), 0u);
    settle();
    EXPECT_EQ(panel.findChild<QLabel*>("favoritesCount")->text(), "(3)");
    EXPECT_EQ(content->findChild<QWidget*>("favoriteRow_40001"), nullptr);

    // Clear removes every catalogue favourite; the orphan number stays counted.
    QTest::mouseClick(panel.findChild<QPushButton*>("clearFavoritesButton"), Qt::LeftButton);
    EXPECT_EQ(state->selectedSatelliteIds(), (std::set<std::int64_t>{99999}));
    EXPECT_FALSE(alpha->isSelected());
    EXPECT_FALSE(sun->isSelected());
    settle();
    EXPECT_EQ(panel.findChild<QLabel*>("favoritesCount")->text(), "(1)");
    EXPECT_FALSE(panel.findChild<QPushButton*>("clearFavoritesButton")->isHidden());
    EXPECT_TRUE(panel.findChild<QWidget*>("emptyFavoritesHint")->isHidden());
    EXPECT_TRUE(content->findChildren<QLabel*>("favoriteName").isEmpty());
}

// A reload replaces every catalogue entry; with identical values the rows
// stay as they are, and their remove buttons still act on their satellites.
TEST_F(FavouritesTest, RemoveButtonWorksAfterAReloadWithIdenticalValues)
{
    const auto make = [&](const std::string& name, std::int64_t id) {
        auto sat = makeFavourite(name, id, {makePass(now, 600, 30)}, {downlink(145.8e6)});
        sat->sources = {"amateur"};
        return sat;
    };
    setCatalogue({make("ALPHA", 40001), make("BRAVO", 40002)});
    FavouritesPanel panel(state);
    panel.resize(760, 300);
    panel.show();
    settle();
    QWidget* rowBefore = panel.findChild<QWidget*>("favoriteRow_40001");
    ASSERT_NE(rowBefore, nullptr);

    // The reload: new entries, the old ones gone from every owner.
    setCatalogue({make("ALPHA", 40001), make("BRAVO", 40002)});
    settle();
    ASSERT_EQ(panel.findChild<QWidget*>("favoriteRow_40001"), rowBefore); // not rebuilt

    auto* remove = panel.findChild<QToolButton*>("removeFavorite_40001");
    ASSERT_NE(remove, nullptr);
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(state->selectedSatelliteIds(), (std::set<std::int64_t>{40002}));
    EXPECT_FALSE(state->satellites()[0]->isSelected());
    EXPECT_TRUE(state->satellites()[1]->isSelected());
    settle();
    EXPECT_EQ(panel.findChild<QWidget*>("favoriteRow_40001"), nullptr);
    EXPECT_NE(panel.findChild<QWidget*>("favoriteRow_40002"), nullptr);
}

// The downlink column keeps its width; a range too wide for it loses its
// middle, so both ends stay readable and no digits are silently cut.
TEST_F(FavouritesTest, DownlinkColumnShortensARangeInTheMiddle)
{
    const struct {
        const char* name;
        Transmitter tx;
        const char* whole;
    } cases[] = {
        {"FO-29", Transmitter(std::nullopt, 435.800e6, 435.900e6, "USB", "Linear", "down"),
         "435.800\u2013435.900 MHz"},
        {"QO-100", Transmitter(std::nullopt, 10489.550e6, 10489.800e6, "USB", "NB", "down"),
         "10489.550\u201310489.800 MHz"},
        {"AO-91", downlink(145.96e6), "145.960 MHz"},
    };
    std::vector<std::shared_ptr<Satellite>> sats;
    std::int64_t id = 40001;
    for (const auto& c : cases) {
        sats.push_back(makeFavourite(c.name, id++, {}, {c.tx}));
    }
    setCatalogue(sats);
    FavouritesPanel panel(state);
    panel.resize(760, 300);
    panel.show();
    settle();
    id = 40001;
    for (const auto& c : cases) {
        QWidget* row = panel.findChild<QWidget*>(QStringLiteral("favoriteRow_%1").arg(id++));
        ASSERT_NE(row, nullptr) << c.name;
        auto* label = row->findChild<QLabel*>("favoriteDownlink");
        ASSERT_NE(label, nullptr) << c.name;
        EXPECT_EQ(label->width(), 150) << c.name;
        const QString whole = QString::fromUtf8(c.whole);
        const QString shown = label->text();
        EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width()) << c.name;
        if (shown == whole) {
            continue;
        }
        // Shortened: the start and the unit are still there, the ellipsis in between.
        const int cut = shown.indexOf(QChar(0x2026));
        ASSERT_GT(cut, 0) << c.name << " " << shown.toStdString();
        EXPECT_TRUE(whole.startsWith(shown.left(cut))) << shown.toStdString();
        EXPECT_TRUE(whole.endsWith(shown.mid(cut + 1))) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(QStringLiteral(" MHz"))) << shown.toStdString();
        EXPECT_GE(cut, 6) << "the low end keeps its leading digits: " << shown.toStdString();
        EXPECT_EQ(label->toolTip(), whole);
    }
    // The shortcut in the browse button's tooltip is this platform's.
    EXPECT_EQ(panel.findChild<QPushButton*>("browseButton")->toolTip(),
              "Open the Satellite Browser (Ctrl+B) to add or remove favorites");
}

TEST_F(FavouritesTest, RemovingTheLastFavouriteShowsTheHint)
{
    auto only = makeFavourite("ONLY", 40001, {});
    setCatalogue({only});
    FavouritesPanel panel(state);
    EXPECT_TRUE(panel.findChild<QWidget*>("emptyFavoritesHint")->isHidden());
    panel.show();
    QTest::mouseClick(panel.findChild<QToolButton*>("removeFavorite_40001"), Qt::LeftButton);
    settle();
    EXPECT_FALSE(panel.findChild<QWidget*>("emptyFavoritesHint")->isHidden());
    EXPECT_TRUE(panel.findChild<QPushButton*>("clearFavoritesButton")->isHidden());
}

// The list grows with its rows up to the height the timeline lets it have,
// each row at the list's own pitch with either font family: every row in
// view while they fit (no scroll bar), a scroll bar only beyond that.
TEST_F(FavouritesTest, ListGrowsWithItsRowsUpToItsAllowedHeight)
{
    std::vector<std::shared_ptr<Satellite>> all;
    for (int i = 0; i < 20; ++i) {
        all.push_back(makeFavourite("SAT " + std::to_string(i), 41000 + i, {}));
    }
    for (const FontFamilies& families : {kDejaVu, kNoto}) {
        SCOPED_TRACE(families.name);
        UseFontFamilies use(families);
        if (!use.available()) {
            GTEST_SKIP() << families.fixed << " is not installed (scripts/install-deps)";
        }
        const struct {
            int favourites;
            int viewHeight;
        } cases[] = {{1, 600}, {5, 600}, {10, 600}, {20, 600}, {10, 330}, {20, 250}};
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(c.favourites) + " in " + std::to_string(c.viewHeight));
            std::set<std::int64_t> ids;
            for (int i = 0; i < 20; ++i) {
                const auto& sat = all[static_cast<std::size_t>(i)];
                sat->setIsSelected(i < c.favourites);
                if (i < c.favourites) {
                    ids.insert(sat->id);
                }
            }
            state->setSatellites(all);
            state->setSelectedSatelliteIds(ids);
            ZozAdezaView view(state);
            view.setShowSatSelector(true);
            view.resize(900, c.viewHeight);
            view.show();
            settle();
            view.grab();
            auto* list = view.findChild<QScrollArea*>("favoritesList");
            ASSERT_NE(list, nullptr);
            const int pitch = FavouritesPanel::kRowPitch;
            const int wanted = c.favourites * pitch;
            EXPECT_GE(view.chart()->height(), ZozAdezaView::kReadableChartHeight);
            if (list->maximumHeight() >= wanted) {
                EXPECT_EQ(list->height(), wanted) << "every row in view";
                EXPECT_FALSE(list->verticalScrollBar()->isVisibleTo(&view));
            } else {
                EXPECT_EQ(list->height(), list->maximumHeight()) << "all the room it may have";
                EXPECT_GE(list->height(), pitch);
                EXPECT_TRUE(list->verticalScrollBar()->isVisibleTo(&view));
            }
            for (QWidget* row : list->widget()->findChildren<QWidget*>(QRegularExpression("^favoriteRow_"))) {
                if (row->isVisibleTo(list)) {
                    EXPECT_EQ(row->height(), pitch);
                }
            }
            std::vector<std::string> cuts;
            walkGeometry(view, families.name, cuts);
            EXPECT_TRUE(cuts.empty()) << joined(cuts);
        }
    }
}

} // namespace
} // namespace zelvane::test
