#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <chrono>
#include <memory>
#include <new>
#include <thread>

#include <QDateTime>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include "platform/dispatch.h"
#include "tests/ui/passes/timeline_fixture.h"
#include "tests/ui/shell/fit_check.h"
#include "ui/passes/timeline_geometry.h"
#include "ui/passes/timeline_style.h"
#include "ui/passes/favourites_panel.h"
#include "ui/passes/favourites_rows.h"
#include "ui/passes/zoz_adeza_chart.h"
#include "ui/passes/zoz_adeza_view.h"

namespace zelvane::test {
namespace {

namespace style = timeline_style;

class ZozAdezaTest : public TimelineTest {
protected:
    void SetUp() override
    {
        TimelineTest::SetUp();
        state->setTimelineHoursVisible(12.0);
        state->setTimelineStartTime(now.addingTimeInterval(-3600.0));
    }

    void click(ZozAdezaView& view, const char* name)
    {
        auto* button = view.findChild<QAbstractButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    QString hoursText(ZozAdezaView& view)
    {
        settle();
        return view.findChild<QLabel*>("hoursLabel")->text();
    }

    void wheel(QWidget* target, QPoint pos, int angle)
    {
        QWheelEvent event(QPointF(pos), target->mapToGlobal(QPointF(pos)), QPoint(),
                          QPoint(0, angle), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(target, &event);
    }
};

TEST_F(ZozAdezaTest, ZoomButtonsStepOneHourWithinLimits)
{
    ZozAdezaView view(state);
    view.show();
    const Date start = state->timelineStartTime();
    EXPECT_EQ(hoursText(view), "12h");
    struct Case {
        double from;
        const char* button;
        double to;
        const char* label;
    } cases[] = {{12.0, "zoomInButton", 11.0, "11h"}, {2.0, "zoomInButton", 2.0, "2h"},
                 {2.4, "zoomInButton", 2.0, "2h"},    {48.0, "zoomOutButton", 48.0, "48h"},
                 {47.6, "zoomOutButton", 48.0, "48h"}, {7.3, "zoomOutButton", 8.3, "8h"}};
    for (const Case& c : cases) {
        state->setTimelineHoursVisible(c.from);
        click(view, c.button);
        EXPECT_NEAR(state->timelineHoursVisible(), c.to, 1e-12) << c.from;
        EXPECT_EQ(hoursText(view), c.label) << c.from;
    }
    EXPECT_EQ(state->timelineStartTime(), start); // the left edge stays
}

TEST_F(ZozAdezaTest, NowButtonPutsThePresentAQuarterIn)
{
    ZozAdezaView view(state);
    view.show();
    click(view, "nowButton");
    EXPECT_EQ(state->timelineStartTime(), now.addingTimeInterval(-3 * 3600.0));
    state->setTimelineHoursVisible(2.0);
    click(view, "nowButton");
    EXPECT_EQ(state->timelineStartTime(), now.addingTimeInterval(-1800.0));
    EXPECT_EQ(state->timelineHoursVisible(), 2.0);
}

TEST_F(ZozAdezaTest, FavouritesToggleIsRememberedAndCountsIds)
{
    state->setSelectedSatelliteIds({1, 2, 99999});
    {
        ZozAdezaView view(state);
        view.show();
        settle();
        EXPECT_TRUE(view.favouritesPanel()->isHidden());
        EXPECT_TRUE(view.findChild<QPushButton*>("favoritesToggle")->text().endsWith("FAVORITES (3)"));
        click(view, "favoritesToggle");
        EXPECT_FALSE(view.favouritesPanel()->isHidden());
        EXPECT_EQ(platform::SettingsStore::standard().boolValue("zozAdezaShowFavorites"), true);
    }
    ZozAdezaView again(state);
    EXPECT_TRUE(again.showSatSelector());
    EXPECT_FALSE(again.favouritesPanel()->isHidden());
}

// The open panel wants room for every favourite row, its list held to 270,
// below a readable chart; favourites that come or go while it is open say
// so, and a closed panel wants no more than the view's least height.
TEST_F(ZozAdezaTest, OpenFavouritesWantRoomForTheirRows)
{
    setCatalogue({makeFavourite("SAT", 40001, {})});
    ZozAdezaView view(state);
    view.setShowSatSelector(true);
    view.show();
    settle();
    const int pitch = FavouriteRowDelegate::kRowHeight;
    const int oneRow = view.heightWanted();
    EXPECT_EQ(oneRow, view.minimumSizeHint().height());
    QSignalSpy changed(&view, &ZozAdezaView::heightWantedChanged);
    const struct {
        int favourites;
        int listHeight;
    } cases[] = {{5, 5 * pitch}, {10, 10 * pitch}, {11, 270}, {40, 270}, {2, 2 * pitch}, {1, pitch}};
    for (const auto& c : cases) {
        std::vector<std::shared_ptr<Satellite>> sats;
        for (int i = 0; i < c.favourites; ++i) {
            sats.push_back(makeFavourite("SAT " + std::to_string(i), 40001 + i, {}));
        }
        const int before = view.heightWanted();
        changed.clear();
        setCatalogue(sats);
        settle();
        EXPECT_EQ(view.heightWanted(), oneRow - pitch + c.listHeight) << c.favourites;
        EXPECT_EQ(changed.count(), view.heightWanted() == before ? 0 : 1) << c.favourites;
    }
    changed.clear();
    view.setShowSatSelector(false);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(view.heightWanted(), view.minimumSizeHint().height());
    EXPECT_LT(view.heightWanted(), oneRow);
}

TEST_F(ZozAdezaTest, ChartClickSelectsDragPansWheelZooms)
{
    // 12 h over 720 points: one point a minute, the left edge an hour ago.
    auto low = makeFavourite("LOW", 1, {makePass(now, 1200.0, 20.0)},
                             {downlink(145.8e6)});
    auto high = makeFavourite("HIGH", 2, {makePass(now.addingTimeInterval(600.0), 1200.0, 60.0)});
    setCatalogue({low, high});
    ZozAdezaView view(state);
    view.resize(720, 300);
    view.show();
    settle();
    ZozAdezaChart* chart = view.chart();
    ASSERT_EQ(chart->width(), 720);
    const int y = 150;

    // 65 min in: only LOW is up. 75 min: both, HIGH is higher.
    QTest::mouseClick(chart, Qt::LeftButton, {}, QPoint(65, y));
    ASSERT_TRUE(state->selectedPass().has_value());
    EXPECT_EQ(state->selectedPass()->satellite, low);
    ASSERT_TRUE(state->selectedTransmitter().has_value());
    EXPECT_EQ(state->selectedTransmitter()->freq, 145.8e6);
    QTest::mouseClick(chart, Qt::LeftButton, {}, QPoint(75, y));
    EXPECT_EQ(state->selectedPass()->satellite, high);
    EXPECT_FALSE(state->selectedTransmitter().has_value()); // no transmitters
    // Where nothing is up, a click changes nothing.
    QTest::mouseClick(chart, Qt::LeftButton, {}, QPoint(400, y));
    EXPECT_EQ(state->selectedPass()->satellite, high);

    // A move under 5 points is no drag; a 120-point drag right goes 2 h back.
    const Date start = state->timelineStartTime();
    QTest::mousePress(chart, Qt::LeftButton, {}, QPoint(300, y));
    QTest::mouseMove(chart, QPoint(303, y));
    EXPECT_EQ(state->timelineStartTime(), start);
    QTest::mouseMove(chart, QPoint(420, y + 30));
    EXPECT_EQ(state->timelineStartTime(), start.addingTimeInterval(-2 * 3600.0));
    QTest::mouseRelease(chart, Qt::LeftButton, {}, QPoint(420, y + 30));
    EXPECT_EQ(state->selectedPass()->satellite, high); // a drag is not a click
    EXPECT_EQ(state->timelineHoursVisible(), 12.0);

    // Three wheel notches up widen by one hour; a notch down then leaves a remainder.
    for (int i = 0; i < 3; ++i) {
        wheel(chart, QPoint(300, y), 120);
    }
    EXPECT_EQ(state->timelineHoursVisible(), 13.0);
    wheel(chart, QPoint(300, y), -120);
    EXPECT_EQ(state->timelineHoursVisible(), 13.0);
    EXPECT_EQ(chart->scrollAccumulator().sum(), -1.0);
    state->setTimelineHoursVisible(48.0);
    chart->applyScrollDelta(10.0);
    EXPECT_EQ(state->timelineHoursVisible(), 48.0);
    EXPECT_EQ(chart->scrollAccumulator().sum(), 0.0);
    chart->applyPinch(0.4);
    EXPECT_EQ(state->timelineHoursVisible(), 30.0);
}

TEST_F(ZozAdezaTest, HoverReportsThePassUnderThePointer)
{
    auto sat = makeFavourite("LOW", 1, {makePass(now, 1200.0, 20.0)});
    setCatalogue({sat});
    ZozAdezaView view(state);
    view.resize(720, 300);
    view.show();
    settle();
    QTest::mouseMove(view.chart(), QPoint(65, 150));
    EXPECT_TRUE(waitUntil([&] { return view.chart()->hoveredPassId().has_value(); }));
    QTest::mouseMove(view.chart(), QPoint(500, 150));
    EXPECT_TRUE(waitUntil([&] { return !view.chart()->hoveredPassId().has_value(); }));
}

TEST_F(ZozAdezaTest, RenderDrawsEachPassInItsSatellitesColour)
{
    auto iss = makeFavourite("ISS (ZARYA)", 25544,
                             {makePass(now.addingTimeInterval(1800.0), 600.0, 72.0, 300, 120, 11),
                              makePass(now.addingTimeInterval(7200.0), 540.0, 18.0, 200, 80, 10)});
    auto ao = makeFavourite("AO-91", 43017,
                            {makePass(now.addingTimeInterval(2000.0), 720.0, 35.0, 10, 170, 12),
                             makePass(now.addingTimeInterval(-900.0), 600.0, 8.0, 10, 90, 8)},
                            {downlink(145.96e6)});
    ao->sources = {"amateur"};
    setCatalogue({ao, iss});
    state->setSelectedPass(PassInfo(iss, iss->passes[0], std::nullopt));
    state->setTimelineHoursVisible(4.0);
    ZozAdezaView view(state);
    view.setShowSatSelector(true);
    view.resize(900, 520);
    view.show();
    settle();
    ZozAdezaChart* chart = view.chart();
    const QImage image = chart->grab().toImage();
    keepRender(view.grab().toImage(), QStringLiteral("zozadeza"));
    ASSERT_EQ(image.width(), chart->width());

    const double totalTime = 4.0 * 3600.0;
    const Date start = state->timelineStartTime();
    const double canvas = chart->height() - timeline::kHeaderHeight;
    const auto xOf = [&](Date t) { return static_cast<int>(std::lround(timeline::timeToX(t, start, totalTime, image.width()))); };
    const auto yOf = [&](double el) {
        return static_cast<int>(std::lround(timeline::kHeaderHeight + timeline::elevationToY(el, canvas)));
    };

    // The selected ISS pass: its outline at the peak is drawn in ISS's own
    // colour, on top of the white halo.
    const QColor issColor = style::satelliteColor(iss->id);
    const PredictedPass& peakPass = iss->passes[0];
    const int px = xOf(peakPass.peakTime);
    const int py = yOf(peakPass.maxElevation);
    int best = 1 << 30;
    for (int dy = -3; dy <= 3; ++dy) {
        best = std::min(best, colorDistance(image.pixelColor(px, py + dy), issColor));
    }
    EXPECT_LT(best, 60) << "no ISS-coloured outline near the peak at " << px << "," << py;

    // Under the outline the pass is filled with a tint of that colour.
    const int fillY = yOf(peakPass.maxElevation * 0.5);
    const QColor bare = image.pixelColor(xOf(start.addingTimeInterval(3.6 * 3600.0)), fillY);
    EXPECT_TRUE(tintedWith(image.pixelColor(px, fillY), bare, issColor))
        << image.pixelColor(px, fillY).name().toStdString();

    // AO-91's pass is tinted with AO-91's colour, not ISS's (low, 100 s
    // after the ISS pass that overlaps it has set).
    const QColor aoColor = style::satelliteColor(ao->id);
    const PredictedPass& aoPass = ao->passes[0];
    ASSERT_LT(iss->passes[0].setTime.addingTimeInterval(100.0), aoPass.setTime);
    const QColor aoFill = image.pixelColor(xOf(iss->passes[0].setTime.addingTimeInterval(100.0)), yOf(8.0));
    EXPECT_TRUE(tintedWith(aoFill, bare, aoColor)) << aoFill.name().toStdString();
    EXPECT_FALSE(tintedWith(aoFill, bare, issColor));

    // Nothing is drawn where there is no pass.
    EXPECT_LT(colorDistance(bare, chart->palette().color(QPalette::Base)), 30);
}

// The elevation scale labels 90° whatever the chart's height, also where
// its labels thin out to every 20° (the chart of the smallest window).
TEST_F(ZozAdezaTest, TheNinetyDegreeLabelShowsAtEverySize)
{
    setCatalogue({});
    ZozAdezaView view(state);
    view.setShowSatSelector(false);
    view.show();
    // The scale's digits as the chart measures them: their own height in
    // its label font.
    const double digits =
        QFontMetricsF(style::monoFont(15, QFont::Medium)).tightBoundingRect(QStringLiteral("90")).height();
    bool thinned = false;
    for (const int height : {150, 175, 260, 520}) {
        view.resize(720, height);
        settle();
        ZozAdezaChart* chart = view.chart();
        const QImage image = chart->grab().toImage();
        const double canvas = chart->height() - timeline::kHeaderHeight;
        thinned = thinned || timeline::elevationLabelValues(canvas, digits).size() < 10;
        const QColor bare = chart->palette().color(QPalette::Base);
        for (const int el : {0, 90}) {
            const int y = static_cast<int>(std::lround(timeline::kHeaderHeight + timeline::elevationToY(el, canvas)));
            // The outer half of the label only: its neighbour on the scale
            // (80\u00B0 below 90\u00B0 in 10\u00B0 steps, 60\u00B0 once thinned; 10\u00B0,
            // 20\u00B0 or 30\u00B0 above 0\u00B0) stands at least a digit's height
            // off, so it reaches no further than this label's middle.
            const int outward = el == 90 ? -1 : 1;
            int ink = 0;
            for (int x = 0; x < 28; ++x) {
                for (int dy = outward; std::abs(dy) <= 5; dy += outward) {
                    ink += colorDistance(image.pixelColor(x, y + dy), bare) > 120 ? 1 : 0;
                }
            }
            EXPECT_GT(ink, 5) << "no " << el << "\u00B0 label in a chart " << chart->height() << " high";
        }
    }
    EXPECT_TRUE(thinned) << "no height thinned the labels out";
}

// Every major tick of the time header has its clock label centred on it,
// from the left edge on, whatever the span, the chart's width and the font
// family: the first reads the start time and is cut by the left edge; none
// gives way to a neighbour.
TEST_F(ZozAdezaTest, EveryMajorTickHasItsClockLabelCentredOnIt)
{
    setCatalogue({});
    // Not on a whole hour: labels fall at the start plus whole steps.
    const Date start = now.addingTimeInterval(14 * 3600.0 + 37 * 60.0 + 20.0);
    const QString startClock = QLocale::system().toString(
        QDateTime::fromMSecsSinceEpoch(start.nanosecondsSince1970() / 1000000), QStringLiteral("HH:mm"));
    const struct {
        double hours;
        double step;
        const char* pattern;
    } spans[] = {{2, 0.5, "HH:mm"},  {10, 1, "HH:mm"},        {12, 1, "HH:mm"},
                 {24, 2, "HH:mm"}, {25, 4, "MMM d HH:mm"}, {48, 4, "MMM d HH:mm"}};
    std::vector<std::string> missing;
    for (const FontFamilies& families : {kDejaVu, kNoto}) {
        SCOPED_TRACE(families.name);
        UseFontFamilies use(families);
        if (!use.available()) {
            missing.push_back(families.fixed);
            continue;
        }
        ASSERT_EQ(drawnFamily(style::monoFont(14, QFont::Medium)), families.fixed);
        ZozAdezaChart chart(state);
        chart.show();
        for (const auto& span : spans) {
            for (const int width : {588, 716, 816}) {
                SCOPED_TRACE(std::to_string(span.hours) + " h in " + std::to_string(width) + " px");
                state->setTimelineHoursVisible(span.hours);
                state->setTimelineStartTime(start);
                chart.resize(width, 300);
                settle();
                const std::vector<timeline::HeaderLabel> labels = chart.headerLabels();
                const auto ticks = static_cast<std::size_t>(span.hours / span.step) + 1;
                EXPECT_EQ(labels.size(), ticks);
                for (std::size_t k = 0; k < ticks; ++k) {
                    const double hours = static_cast<double>(k) * span.step;
                    const double x = hours / span.hours * width;
                    const auto label = std::find_if(labels.begin(), labels.end(),
                                                    [&](const auto& l) { return std::abs(l.tickX - x) < 1e-6; });
                    ASSERT_TRUE(label != labels.end()) << "no label at " << hours << " h";
                    EXPECT_NEAR(label->left + label->width / 2.0, x, 1e-6) << hours << " h";
                    const QDateTime local = QDateTime::fromMSecsSinceEpoch(
                        start.addingTimeInterval(hours * 3600.0).nanosecondsSince1970() / 1000000);
                    EXPECT_EQ(label->text, QLocale::system().toString(local, QString::fromLatin1(span.pattern)))
                        << hours << " h";
                }
                ASSERT_FALSE(labels.empty());
                EXPECT_DOUBLE_EQ(labels.front().tickX, 0.0);
                EXPECT_TRUE(labels.front().text.endsWith(startClock)) << labels.front().text.toStdString();

                // And it is drawn: ink of the first label's right half
                // beside the left edge, above the ticks.
                const QImage image = chart.grab().toImage();
                const QColor bare = image.pixelColor(width / 2, 1);
                int ink = 0;
                for (int px = 0; px < labels.front().width / 2.0 - 2.0; ++px) {
                    for (int py = 2; py < 20; ++py) {
                        ink += colorDistance(image.pixelColor(px, py), bare) > 100 ? 1 : 0;
                    }
                }
                EXPECT_GT(ink, 10) << "no start time drawn at the left edge";
            }
        }
    }
    if (!missing.empty()) {
        GTEST_SKIP() << missing.front() << " is not installed (scripts/install-deps)";
    }
}

// Through a track's ticks the chart and the favourites look at nothing;
// passes published between two ticks still reach both.
TEST_F(ZozAdezaTest, PassesPublishedDuringATrackReachTheChartAndTheFavourites)
{
    auto sat = makeFavourite("HIGH", 7, {makePass(now.addingTimeInterval(600.0), 1200.0, 60.0)});
    setCatalogue({sat});
    ZozAdezaView view(state);
    view.setShowSatSelector(true);
    view.resize(720, 400);
    ZozAdezaChart* chart = view.chart();
    QSignalSpy layers(chart, &ZozAdezaChart::layerReady);
    view.show();
    ASSERT_TRUE(waitUntil([&] { return layers.count() > 0; }));
    settle();
    const FavouritesModel* favourites = view.favouritesPanel()->model();
    ASSERT_EQ(favourites->rowCount(), 1);
    EXPECT_EQ(favourites->row(0).passCount, 1u);
    const auto drawn = layers.count();
    for (int i = 0; i < 5; ++i) {
        state->setCurrentAzimuth(10.0 * i); // a tick
        settle();
    }
    EXPECT_EQ(layers.count(), drawn);

    // Stored, then announced, as a finished computation does; a tick follows.
    sat->passes.push_back(makePass(now.addingTimeInterval(5400.0), 600.0, 30.0));
    state->objectWillChange.notify();
    state->setCurrentAzimuth(99.0);
    ASSERT_TRUE(waitUntil([&] { return layers.count() > drawn; }));
    settle();
    ASSERT_EQ(layers.count(), drawn + 1);
    EXPECT_EQ(layers.last().at(0).toInt(), 2);
    EXPECT_EQ(favourites->row(0).passCount, 2u);
}

// Holds each background drawing of a chart until let go (or given up, or
// ten seconds have gone by, so that a fault fails rather than hangs).
struct DrawingGate {
    std::atomic<bool> hold{false};
    std::atomic<bool> holding{false};
    std::atomic<bool> sawGiveUp{false};
    std::atomic<int> started{0}; // drawings that got under way

    void install(ZozAdezaChart& chart)
    {
        chart.setBackgroundFromPasses(0);
        chart.setBackgroundHook([this](const std::atomic<bool>& cancelled) {
            ++started;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            holding = true;
            while (hold && !cancelled && std::chrono::steady_clock::now() < deadline) {
                // A short sleep, not a spin: with one CPU the main thread
                // must run meanwhile.
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            sawGiveUp = cancelled.load();
            holding = false;
        });
    }
};

TEST_F(ZozAdezaTest, ABackgroundDrawingShowsTheLastLayerMovedThenOnlyTheNewest)
{
    // 4 h over 720 points from an hour ago: 180 points an hour.
    state->setTimelineHoursVisible(4.0);
    auto sat = makeFavourite("HIGH", 7, {makePass(now.addingTimeInterval(600.0), 1200.0, 60.0, 350, 100, 21)});
    setCatalogue({sat});
    ZozAdezaView view(state);
    ZozAdezaChart* chart = view.chart();
    QSignalSpy layers(chart, &ZozAdezaChart::layerReady);
    DrawingGate gate;
    gate.install(*chart);
    view.resize(720, 300);
    view.show();
    ASSERT_TRUE(waitUntil([&] { return layers.count() == 1; }));
    ASSERT_EQ(chart->width(), 720);
    const QColor colour = style::satelliteColor(sat->id);
    const double canvas = chart->height() - timeline::kHeaderHeight;
    const int y = static_cast<int>(std::lround(timeline::kHeaderHeight + timeline::elevationToY(30.0, canvas)));
    const auto tintedAt = [&](const QImage& image, int x) {
        return tintedWith(image.pixelColor(x, y), image.pixelColor(700, y), colour);
    };
    // The pass spans 210–270 with its peak at 240.
    QImage image = chart->grab().toImage();
    EXPECT_TRUE(tintedAt(image, 240));
    EXPECT_FALSE(tintedAt(image, 150));

    // Half an hour on, while the drawing of it is held: the last layer is
    // shown moved by 90 points.
    gate.hold = true;
    state->setTimelineStartTime(state->timelineStartTime().addingTimeInterval(1800.0));
    settle();
    ASSERT_TRUE(waitUntil([&] { return gate.holding.load(); }));
    EXPECT_EQ(gate.started.load(), 2);
    image = chart->grab().toImage();
    EXPECT_TRUE(tintedAt(image, 150));
    EXPECT_FALSE(tintedAt(image, 240));

    // A zoom and a recomputation that moves the pass, both while the drawing
    // is held: none starts another drawing.
    state->setTimelineHoursVisible(3.0);
    settle();
    auto moved = makeFavourite("HIGH", 7, {makePass(now.addingTimeInterval(1200.0), 1200.0, 60.0, 350, 100, 21)});
    setCatalogue({moved});
    settle();
    EXPECT_EQ(gate.started.load(), 2);
    EXPECT_TRUE(chart->isDrawingInBackground());

    // Let go: one more drawing, of the newest state, and no other.
    gate.hold = false;
    ASSERT_TRUE(waitUntil([&] { return layers.count() == 3 && !chart->isDrawingInBackground(); }));
    settle();
    EXPECT_EQ(gate.started.load(), 3);
    EXPECT_EQ(layers.count(), 3);
    EXPECT_FALSE(gate.sawGiveUp.load());
    // 3 h from half an hour ago, 240 points an hour: the moved pass spans
    // 200–280; the old one spanned 160–240.
    image = chart->grab().toImage();
    EXPECT_TRUE(tintedAt(image, 240));
    EXPECT_FALSE(tintedAt(image, 170));
}

// A background drawing breaks down (memory runs out as it starts, or
// half-way): the chart gives it up rather than wait for it, and the next
// change draws as ever. Closing the chart then waits for nothing.
TEST_F(ZozAdezaTest, ABrokenBackgroundDrawingIsGivenUpAndTheNextChangeDraws)
{
    // 4 h over 720 points from an hour ago: the pass peaks at 240.
    state->setTimelineHoursVisible(4.0);
    const auto sat = makeFavourite("HIGH", 7, {makePass(now.addingTimeInterval(600.0), 1200.0, 60.0, 350, 100, 21)});
    setCatalogue({sat});
    const Date start = state->timelineStartTime();
    for (const bool halfWay : {false, true}) {
        SCOPED_TRACE(halfWay ? "half-way" : "as it starts");
        state->setTimelineStartTime(start);
        auto view = std::make_unique<ZozAdezaView>(state);
        ZozAdezaChart* chart = view->chart();
        QSignalSpy layers(chart, &ZozAdezaChart::layerReady);
        std::atomic<bool> breakDown{halfWay};
        chart->setBackgroundFromPasses(0);
        chart->setBackgroundHook([&](const std::atomic<bool>&) {
            if (breakDown.exchange(false)) {
                throw std::bad_alloc();
            }
        });
        if (!halfWay) {
            platform::failNextBackgroundJobs(platform::Lane::drawing, 1);
        }
        view->resize(720, 300);
        view->show();
        settle();
        ASSERT_TRUE(waitUntil([&] { return !chart->isDrawingInBackground(); }));
        settle();
        EXPECT_FALSE(breakDown.load());
        EXPECT_EQ(layers.count(), 0) << "no drawing in a loop while memory is short";

        // Half an hour on: a drawing of it.
        state->setTimelineStartTime(start.addingTimeInterval(1800.0));
        ASSERT_TRUE(waitUntil([&] { return layers.count() == 1 && !chart->isDrawingInBackground(); }));
        const double canvas = chart->height() - timeline::kHeaderHeight;
        const int y = static_cast<int>(std::lround(timeline::kHeaderHeight + timeline::elevationToY(30.0, canvas)));
        const QImage image = chart->grab().toImage();
        const QColor colour = style::satelliteColor(sat->id);
        EXPECT_TRUE(tintedWith(image.pixelColor(150, y), image.pixelColor(700, y), colour));
        EXPECT_FALSE(tintedWith(image.pixelColor(240, y), image.pixelColor(700, y), colour));
        view.reset();
    }
}

TEST_F(ZozAdezaTest, AChartClosedWhileDrawingStopsTheDrawing)
{
    auto sat = makeFavourite("HIGH", 7, {makePass(now.addingTimeInterval(600.0), 1200.0, 60.0)});
    setCatalogue({sat});
    auto view = std::make_unique<ZozAdezaView>(state);
    DrawingGate gate;
    gate.hold = true;
    gate.install(*view->chart());
    view->resize(720, 300);
    view->show();
    settle();
    ASSERT_TRUE(waitUntil([&] { return gate.holding.load(); }));
    // Closing waits for the drawing to give up; what it would have put in
    // place finds no chart.
    view.reset();
    EXPECT_TRUE(gate.sawGiveUp.load());
    EXPECT_FALSE(gate.holding.load());
    settle();
}

} // namespace
} // namespace zelvane::test
