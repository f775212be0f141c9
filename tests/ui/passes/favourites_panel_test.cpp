#include <gtest/gtest.h>

#include <QLabel>
#include <QImage>
#include <QListView>
#include <QPainter>
#include <QStyleOptionViewItem>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <iterator>
#include <new>
#include <optional>

#include "elements/tle_data.h"
#include "elements/user_tle_source.h"
#include "tests/ui/passes/timeline_fixture.h"
#include "ui/passes/favourites_panel.h"
#include "ui/passes/favourites_rows.h"
#include "ui/passes/timeline_style.h"

namespace zelvane::test {
namespace {

class FavouritesTest : public TimelineTest {
protected:
    // What the row of `id` draws in `part` ("" when the row or part is absent).
    static QString shown(const FavouritesPanel& panel, std::int64_t id, FavouritePart part,
                         QString* toolTip = nullptr)
    {
        const int row = panel.model()->indexOf(id);
        if (row < 0) {
            return {};
        }
        const QRect rect(0, 0, 760, FavouriteRowDelegate::kRowHeight);
        for (const auto& cell : panel.delegate()->layoutRow(panel.model()->row(row), rect)) {
            if (cell.part == part) {
                if (toolTip) {
                    *toolTip = cell.toolTip;
                }
                return cell.text.isEmpty() ? QStringLiteral("<empty>") : cell.text;
            }
        }
        return {};
    }
    static QStringList names(const FavouritesPanel& panel)
    {
        QStringList out;
        for (const FavouriteRow& row : panel.model()->rows()) {
            out << row.name;
        }
        return out;
    }
    // Clicks the painted remove control of the row of `id`, as a user does.
    static void clickRemove(FavouritesPanel& panel, std::int64_t id)
    {
        QListView* list = panel.listView();
        list->doItemsLayout();
        const QModelIndex index = panel.model()->index(panel.model()->indexOf(id));
        list->scrollTo(index);
        const QRect rect = panel.delegate()->partRect(list, index, FavouritePart::remove);
        ASSERT_FALSE(rect.isEmpty());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }
};

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
    EXPECT_EQ(names(panel), (QStringList{"ALPHA", "Sun", "ZULU"}));

    QString tip;
    EXPECT_EQ(shown(panel, 40001, FavouritePart::source, &tip), "Amateur Radio \u00B7 CubeSats");
    EXPECT_EQ(tip, "amateur, cubesat");
    EXPECT_EQ(shown(panel, 40001, FavouritePart::age), "12h");
    EXPECT_EQ(shown(panel, 40001, FavouritePart::passes, &tip), "\u2197 3");
    EXPECT_EQ(tip, "3 upcoming passes in the prediction window");
    EXPECT_EQ(shown(panel, 40001, FavouritePart::downlink), "145.800 MHz");
    EXPECT_EQ(shown(panel, -1, FavouritePart::source), "Celestial");
    EXPECT_EQ(shown(panel, -1, FavouritePart::age), "");
    EXPECT_EQ(shown(panel, 40002, FavouritePart::passes), "");

    panel.resize(760, 300);
    panel.show();
    panel.refresh();
    keepRender(panel.grab().toImage(), QStringLiteral("favourites"));

    // One remove control takes off one favourite.
    clickRemove(panel, 40001);
    EXPECT_FALSE(zulu->isSelected());
    EXPECT_EQ(state->selectedSatelliteIds().count(40001), 0u);
    panel.refresh();
    EXPECT_EQ(panel.findChild<QLabel*>("favoritesCount")->text(), "(3)");
    EXPECT_EQ(names(panel), (QStringList{"ALPHA", "Sun"}));

    // Clear removes every catalogue favourite; the orphan number stays counted.
    QTest::mouseClick(panel.findChild<QPushButton*>("clearFavoritesButton"), Qt::LeftButton);
    EXPECT_EQ(state->selectedSatelliteIds(), (std::set<std::int64_t>{99999}));
    EXPECT_FALSE(alpha->isSelected());
    EXPECT_FALSE(sun->isSelected());
    panel.refresh();
    EXPECT_EQ(panel.findChild<QLabel*>("favoritesCount")->text(), "(1)");
    EXPECT_FALSE(panel.findChild<QPushButton*>("clearFavoritesButton")->isHidden());
    EXPECT_TRUE(panel.findChild<QWidget*>("emptyFavoritesHint")->isHidden());
    EXPECT_EQ(panel.model()->rowCount(), 0);
}

// "Clear" with thousands of favourites is one change of the selection:
// one settings write and one pass computation, not one of each per
// favourite.
TEST_F(FavouritesTest, ClearWithThousandsIsOneSettingsWrite)
{
    std::vector<std::shared_ptr<Satellite>> sats;
    for (int i = 0; i < 3000; ++i) {
        sats.push_back(makeFavourite("SAT " + std::to_string(i), 50000 + i, {}));
    }
    setCatalogue(sats);
    auto orphan = state->selectedSatelliteIds();
    orphan.insert(99999);
    state->setSelectedSatelliteIds(orphan);
    FavouritesPanel panel(state);
    panel.refresh();
    ASSERT_EQ(panel.model()->rowCount(), 3000);

    int writes = 0;
    auto& store = platform::SettingsStore::standard();
    const auto observer = store.addWriteObserver([&](bool) { ++writes; });
    QTest::mouseClick(panel.findChild<QPushButton*>("clearFavoritesButton"), Qt::LeftButton);
    store.removeWriteObserver(observer);

    EXPECT_EQ(writes, 1);
    EXPECT_EQ(state->selectedSatelliteIds(), (std::set<std::int64_t>{99999}));
    EXPECT_TRUE(std::none_of(sats.begin(), sats.end(), [](const auto& sat) { return sat->isSelected(); }));
    EXPECT_EQ(state->statusMessage(), "Computing passes for 0 satellites...");
    ASSERT_TRUE(waitUntil([&] { return state->statusMessage() == "0 passes in next 24h"; }));
    EXPECT_EQ(store.intList("selectedSatIds"), std::vector<std::int64_t>{99999});
    panel.refresh();
    EXPECT_EQ(panel.model()->rowCount(), 0);
}

// A row does nothing when clicked, so it is drawn the same with the pointer
// over it as without.
TEST_F(FavouritesTest, ARowUnderThePointerIsNotTinted)
{
    auto sat = makeFavourite("ZULU", 40001, {makePass(now, 600, 30)}, {downlink(145.8e6)});
    setCatalogue({sat});
    FavouritesPanel panel(state);
    panel.resize(760, 300);
    panel.show();
    panel.refresh();
    QListView* list = panel.listView();
    list->doItemsLayout();
    const QModelIndex index = panel.model()->index(0);
    const QRect rect = list->visualRect(index);
    ASSERT_FALSE(rect.isEmpty());
    const auto paint = [&](bool hovered) {
        QImage image(rect.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QStyleOptionViewItem option;
        option.initFrom(list->viewport());
        option.rect = QRect(QPoint(0, 0), rect.size());
        option.state = QStyle::State_Enabled | QStyle::State_Active;
        if (hovered) {
            option.state |= QStyle::State_MouseOver;
        }
        QPainter painter(&image);
        panel.delegate()->paint(&painter, option, index);
        painter.end();
        return image;
    };
    EXPECT_EQ(paint(true), paint(false));
}

// A reload replaces every catalogue entry; with identical values the rows
// stay as they are, and their remove controls still act on their satellites.
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
    panel.refresh();
    QSignalSpy changed(panel.model(), &QAbstractItemModel::dataChanged);
    QSignalSpy reset(panel.model(), &QAbstractItemModel::modelReset);
    QSignalSpy removed(panel.model(), &QAbstractItemModel::rowsRemoved);

    // The reload: new entries, the old ones gone from every owner.
    setCatalogue({make("ALPHA", 40001), make("BRAVO", 40002)});
    panel.refresh();
    EXPECT_EQ(changed.count() + reset.count() + removed.count(), 0); // nothing redrawn

    clickRemove(panel, 40001);
    EXPECT_EQ(state->selectedSatelliteIds(), (std::set<std::int64_t>{40002}));
    EXPECT_FALSE(state->satellites()[0]->isSelected());
    EXPECT_TRUE(state->satellites()[1]->isSelected());
    panel.refresh();
    EXPECT_EQ(names(panel), (QStringList{"BRAVO"}));
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(reset.count(), 0);
}

// Thousands of favourites: a recompute that changes one row's pass count
// changes that row alone; the list keeps its scroll position, and a
// deselection in the middle removes one row.
TEST_F(FavouritesTest, ManyFavouritesUpdateInPlaceAndKeepTheirPlace)
{
    std::vector<std::shared_ptr<Satellite>> sats;
    for (int i = 0; i < 3000; ++i) {
        sats.push_back(makeFavourite("SAT " + std::to_string(10000 + i), 50000 + i, {makePass(now, 600, 30)}));
    }
    setCatalogue(sats);
    FavouritesPanel panel(state);
    panel.resize(760, 600);
    panel.show();
    panel.setListHeightLimit(200);
    panel.refresh();
    ASSERT_EQ(panel.model()->rowCount(), 3000);
    QScrollBar* bar = panel.listView()->verticalScrollBar();
    panel.listView()->doItemsLayout();
    bar->setValue(bar->maximum() / 2);
    const int where = bar->value();
    ASSERT_GT(where, 0);

    QSignalSpy changed(panel.model(), &QAbstractItemModel::dataChanged);
    QSignalSpy reset(panel.model(), &QAbstractItemModel::modelReset);
    sats[1500]->passes.push_back(makePass(now, 1200, 20));
    state->objectWillChange.notify();
    panel.refresh();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(shown(panel, 51500, FavouritePart::passes), "\u2197 2");
    EXPECT_EQ(bar->value(), where);

    state->toggleSatellite(*sats[1700]);
    panel.refresh();
    EXPECT_EQ(panel.model()->rowCount(), 2999);
    EXPECT_EQ(panel.model()->indexOf(51700), -1);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(bar->value(), where);
}

// The list is as tall as its rows up to the room it is given, and one row
// at the least.
TEST_F(FavouritesTest, TheListGrowsWithItsRowsUpToItsLimit)
{
    const int pitch = FavouriteRowDelegate::kRowHeight;
    const struct {
        int favourites;
        int limit;
        int height;
    } cases[] = {
        {1, 209, pitch}, {3, 209, 3 * pitch}, {10, 209, 209}, {20, 35, 35}, {20, 10, pitch}, {0, 209, pitch},
    };
    for (const auto& c : cases) {
        std::vector<std::shared_ptr<Satellite>> sats;
        for (int i = 0; i < c.favourites; ++i) {
            sats.push_back(makeFavourite("SAT " + std::to_string(i), 40001 + i, {}));
        }
        setCatalogue(sats);
        FavouritesPanel panel(state);
        panel.setListHeightLimit(c.limit);
        panel.refresh();
        EXPECT_EQ(panel.listView()->height(), c.height) << c.favourites << " in " << c.limit;
        // The panel asks for one row, whatever the list holds.
        EXPECT_EQ(panel.minimumSizeHint().height(),
                  panel.QWidget::minimumSizeHint().height() - panel.listView()->minimumHeight() + pitch);
    }
}

// The downlink column is as wide as the widest frequency of the list, so
// every range shows whole, in a wide and a narrow panel; the columns stay
// aligned from row to row, and in a narrow panel the source column gives
// the room rather than the name.
TEST_F(FavouritesTest, DownlinkColumnShowsEveryRangeWhole)
{
    const struct {
        const char* name;
        Transmitter tx;
        const char* whole;
    } cases[] = {
        {"FO-29", Transmitter(std::nullopt, 435.800e6, 435.900e6, "USB", "Linear", "down"),
         "435.800–435.900 MHz"},
        {"QO-100", Transmitter(std::nullopt, 10489.550e6, 10489.800e6, "USB", "NB", "down"),
         "10489.550–10489.800 MHz"},
        {"AO-91", downlink(145.96e6), "145.960 MHz"},
    };
    std::vector<std::shared_ptr<Satellite>> sats;
    std::int64_t id = 40001;
    for (const auto& c : cases) {
        sats.push_back(makeFavourite(c.name, id++, {}, {c.tx}));
        sats.back()->sources = {"amateur", "cubesat"};
    }
    setCatalogue(sats);
    FavouritesPanel panel(state);
    panel.resize(760, 300);
    panel.show();
    panel.refresh();
    const QFontMetricsF metrics(timeline_style::monoFont(14));
    for (const int width : {760, 560}) {
        std::optional<QRect> column;
        std::optional<int> sourceWidth;
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const auto& c = cases[i];
            const int row = panel.model()->indexOf(40001 + static_cast<std::int64_t>(i));
            ASSERT_GE(row, 0);
            const QRect rect(0, 0, width, FavouriteRowDelegate::kRowHeight);
            for (const auto& cell : panel.delegate()->layoutRow(panel.model()->row(row), rect)) {
                switch (cell.part) {
                case FavouritePart::downlink:
                    EXPECT_EQ(cell.text.toStdString(), c.whole) << c.name << " in " << width;
                    EXPECT_TRUE(cell.toolTip.isEmpty()) << c.name;
                    EXPECT_LE(metrics.horizontalAdvance(cell.text), cell.rect.width()) << c.name;
                    EXPECT_GE(cell.rect.width(), 150);
                    EXPECT_EQ(cell.rect, column.value_or(cell.rect)) << c.name << " aligned";
                    column = cell.rect;
                    break;
                case FavouritePart::source:
                    EXPECT_EQ(cell.rect.width(), sourceWidth.value_or(cell.rect.width())) << c.name;
                    sourceWidth = cell.rect.width();
                    break;
                case FavouritePart::name:
                    // The name keeps the room a column of 150 left it, or
                    // 200 where that was more.
                    EXPECT_GE(cell.rect.width(), std::min(width - 514, 200)) << c.name << " in " << width;
                    break;
                default:
                    break;
                }
            }
        }
        ASSERT_TRUE(sourceWidth.has_value());
        // The wide panel has room for the whole source column; the narrow
        // one gives up some of it to the name, down to its least.
        if (width == 760) {
            EXPECT_EQ(*sourceWidth, 180);
        } else {
            EXPECT_LT(*sourceWidth, 180);
            EXPECT_GE(*sourceWidth, 64);
        }
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
    panel.resize(760, 300);
    panel.show();
    clickRemove(panel, 40001);
    panel.refresh();
    EXPECT_FALSE(panel.findChild<QWidget*>("emptyFavoritesHint")->isHidden());
    EXPECT_TRUE(panel.findChild<QPushButton*>("clearFavoritesButton")->isHidden());
}

// A refresh that runs out of memory while it makes its rows leaves the panel
// as it was, and the next notice shows the change, though the state's
// revision has not moved since the failed look.
TEST_F(FavouritesTest, ARefreshThatRunsOutKeepsItsRowsAndIsTriedAgain)
{
    auto alpha = makeFavourite("ALPHA", 40001, {});
    auto bravo = makeFavourite("BRAVO", 40002, {});
    auto charlie = std::make_shared<Satellite>("CHARLIE", 40003);
    setCatalogue({alpha, bravo, charlie});
    FavouritesPanel panel(state);
    const auto* count = panel.findChild<QLabel*>("favoritesCount");
    EXPECT_EQ(names(panel), (QStringList{"ALPHA", "BRAVO"}));

    state->toggleSatellite(*charlie);
    FavouritesPanel::failNextRefreshes(1);
    EXPECT_THROW(panel.refresh(), std::bad_alloc);
    EXPECT_EQ(count->text(), "(2)");
    EXPECT_EQ(names(panel), (QStringList{"ALPHA", "BRAVO"}));

    panel.refresh();
    EXPECT_EQ(count->text(), "(3)");
    EXPECT_EQ(names(panel), (QStringList{"ALPHA", "BRAVO", "CHARLIE"}));
}

} // namespace
} // namespace zelvane::test
