#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineF>
#include <QTest>

#include <algorithm>
#include <cmath>

#include "tests/ui/passes/map_test_fixture.h"
#include "tests/ui/shell/fit_check.h"
#include "ui/passes/mini_polar_plot.h"
#include "ui/passes/polar_geometry.h"
#include "ui/passes/polar_plot_view.h"
#include "ui/style/ui_style.h"

namespace zelvane {
namespace {

TEST(PolarText, DurationRoundsToWholeSecondsAndDropsThemFromAnHourOn)
{
    const std::pair<double, const char*> cases[] = {
        {0.0, "0m00s"},    {59.5, "1m00s"},     {90.0, "1m30s"},    {3599.4, "59m59s"},
        {3599.5, "1h00m"}, {7265.0, "2h01m"},   {36000.0, "10h00m"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(formatHMS(seconds), text) << seconds;
    }
}

TEST(PolarText, PhaseAndCountdownAroundRisePeakAndSet)
{
    const Date rise = test::nearEpoch();
    PredictedPass pass = test::plainPass(rise, 600.0);  // peak at +300
    struct Case {
        double sinceRise;
        PassPhase phase;
        const char* countdown;
    };
    const Case cases[] = {
        {-90.0, PassPhase::beforeAOS, "-1m30s"},
        {0.0, PassPhase::rising, "+0m00s"},
        {280.0, PassPhase::rising, "+4m40s"},      // exactly 20 s before the peak
        {280.1, PassPhase::atTCA, "+4m40s"},       // 19.9 s before
        {319.9, PassPhase::atTCA, "+5m20s"},
        {320.0, PassPhase::setting, "+5m20s"},     // exactly 20 s after
        {600.0, PassPhase::setting, "+10m00s"},    // the set still belongs to the pass
        {600.001, PassPhase::ended, "ended"},
    };
    for (const auto& c : cases) {
        const Date now = rise.addingTimeInterval(c.sinceRise);
        EXPECT_EQ(passPhase(now, pass), c.phase) << c.sinceRise;
        EXPECT_EQ(passCountdown(now, pass), c.countdown) << c.sinceRise;
    }
    // A pass that lies wholly within 20 s of its peak is at its peak throughout.
    PredictedPass brief = test::plainPass(rise, 30.0);
    EXPECT_EQ(passPhase(rise, brief), PassPhase::atTCA);
    EXPECT_EQ(passPhase(brief.setTime, brief), PassPhase::atTCA);

    EXPECT_EQ(passPhaseLabel(PassPhase::beforeAOS), "waiting");
    EXPECT_EQ(passPhaseLabel(PassPhase::rising), "\u2191 RISING");
    EXPECT_EQ(passPhaseLabel(PassPhase::atTCA), "\u2605 AT TCA");
    EXPECT_EQ(passPhaseLabel(PassPhase::setting), "\u2193 SETTING");
    EXPECT_EQ(passPhaseLabel(PassPhase::ended), "ended");
}

TEST(PolarText, LiveValuesArePaddedToFixedWidths)
{
    EXPECT_EQ(formatAngle(5.5), "  5.500\u00B0");
    EXPECT_EQ(formatAngle(359.9996), "360.000\u00B0");
    EXPECT_EQ(formatAngle(-1.25), " -1.250\u00B0");
    EXPECT_EQ(formatRange(1234.5), "1234.500 km");
    EXPECT_EQ(formatRange(512.0), " 512.000 km");
    EXPECT_EQ(formatVelocity(0.0), "\u2193 0.000 km/s");       // not approaching
    EXPECT_EQ(formatVelocity(-0.5), "\u2191 0.500 km/s");
    EXPECT_EQ(formatVelocity(6.25), "\u2193 6.250 km/s");
    EXPECT_EQ(formatRangeAcceleration(0.0123), "  +12.3 m/s\u00B2");
    EXPECT_EQ(formatRangeAcceleration(-0.0456), "  -45.6 m/s\u00B2");
    EXPECT_EQ(formatRangeAcceleration(0.0), "   +0.0 m/s\u00B2");
}

TEST(PolarGeometry, AzimuthAndElevationMapToThePlotAndBack)
{
    const QPointF c(100, 100);
    const double r = 64;
    struct Case {
        double az, el, x, y;
    };
    const Case cases[] = {
        {0, 90, 100, 100},      // zenith at the centre
        {0, 0, 100, 36},        // north up
        {90, 0, 164, 100},      // east to the right
        {180, 45, 100, 132},    // halfway out, south down
        {270, 30, 100 - 64.0 * 2 / 3, 100},
        {0, -9, 100, 100 - 70.4},  // below the horizon lands outside
    };
    for (const auto& k : cases) {
        const QPointF p = polarPoint(k.az, k.el, c, r);
        EXPECT_NEAR(p.x(), k.x, 1e-9) << k.az << "/" << k.el;
        EXPECT_NEAR(p.y(), k.y, 1e-9) << k.az << "/" << k.el;
        const AzEl back = polarAzEl(p, c, r);
        EXPECT_NEAR(back.elevation, k.el, 1e-9);
        if (k.el < 90) {
            EXPECT_NEAR(back.azimuth, k.az, 1e-9);
        }
    }
    EXPECT_DOUBLE_EQ(polarPlotRadius(200, 200), 64.0);
    EXPECT_DOUBLE_EQ(polarPlotRadius(500, 200), 64.0);  // the shorter side decides
    EXPECT_DOUBLE_EQ(MiniPolarPlot::plotRadius(60, 60), 28.0);
}

TEST(PolarGeometry, PeakIsTheFirstHighestSample)
{
    const auto track = [](std::vector<double> els) {
        std::vector<PassPoint> out;
        for (const double el : els) {
            PassPoint p;
            p.elevation = el;
            out.push_back(p);
        }
        return out;
    };
    EXPECT_EQ(peakIndex(track({10, 30, 30, 20})), 1u);
    EXPECT_EQ(peakIndex(track({0, 0})), 0u);
    EXPECT_EQ(peakIndex(track({5, 10, 60})), 2u);
    EXPECT_FALSE(peakIndex({}));
}

TEST(PolarGeometry, BeaconPulsesFromTheClockAlone)
{
    const auto ripples = beaconRipples(0.0);
    EXPECT_DOUBLE_EQ(ripples[0].radius, 5.0);
    EXPECT_NEAR(ripples[1].radius, 5 + 17 * (1 - std::pow(2.0 / 3.0, 1.6)), 1e-12);
    EXPECT_NEAR(ripples[2].radius, 5 + 17 * (1 - std::pow(1.0 / 3.0, 1.6)), 1e-12);
    EXPECT_DOUBLE_EQ(ripples[0].opacity, 0.55);
    EXPECT_NEAR(ripples[1].opacity, 0.55 * 2 / 3, 1e-12);
    EXPECT_NEAR(ripples[2].opacity, 0.55 / 3, 1e-12);
    // A third of the way on, each ripple has taken the place of the next.
    const auto later = beaconRipples(1.0 / 3.0);
    EXPECT_NEAR(later[0].radius, ripples[1].radius, 1e-12);
    EXPECT_NEAR(later[2].radius, ripples[0].radius, 1e-9);

    EXPECT_NEAR(beaconPhase(*Date::fromSecondsSince1970(16.4)), 0.25, 1e-9);
    EXPECT_NEAR(beaconPhase(*Date::fromSecondsSince1970(-0.4)), 0.75, 1e-9);

    EXPECT_FALSE(motionVector({10, 10}, {10.5, 10}));
    const auto m = motionVector({0, 0}, {3, 4});
    ASSERT_TRUE(m);
    EXPECT_NEAR(m->x(), 0.6, 1e-12);
    EXPECT_NEAR(m->y(), 0.8, 1e-12);
}

class PolarPlotViewTest : public test::ViewTest {
protected:
    static std::vector<std::optional<std::string>> values(const std::vector<PolarPlotView::Row>& rows)
    {
        std::vector<std::optional<std::string>> out;
        for (const auto& r : rows) {
            out.push_back(r.value);
        }
        return out;
    }
};

TEST_F(PolarPlotViewTest, NothingToShowGivesDashesEverywhere)
{
    PolarPlotView view(state);
    const auto rows = view.infoRows(Date::now());
    ASSERT_EQ(rows.size(), 12u);
    const char* labels[] = {"AOS", "TCA", "LOS", "Dur", "Max", "T", "State",
                            "AZ",  "EL",  "Rng", "Vel", "V\u0307"};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].label, labels[i]);
        EXPECT_FALSE(rows[i].value) << labels[i];
        EXPECT_EQ(view.findChild<QLabel*>(QString("polarValue_%1").arg(i))->text(),
                  QString::fromUtf8("\u2014"));
    }
    EXPECT_FALSE(view.liveAzEl(Date::now()));
}

TEST_F(PolarPlotViewTest, TrackedSatelliteWithoutPassFillsTheLiveRowsOnly)
{
    auto iss = test::makeIss();
    state->setTrackingSatellite(iss);
    PolarPlotView view(state);
    const Date now = Date::now();
    const auto rows = view.infoRows(now);
    for (int i = 0; i < 7; ++i) {
        EXPECT_FALSE(rows[i].value) << rows[i].label;
    }
    const auto live = state->cachedObserve(*iss, now, 0.0);
    ASSERT_TRUE(live);
    EXPECT_EQ(rows[7].value, formatAngle(live->azimuth));
    EXPECT_EQ(rows[8].value, formatAngle(live->elevation));
    EXPECT_EQ(rows[9].value, formatRange(live->range));
    EXPECT_EQ(rows[10].value, formatVelocity(live->rangeRate));
    const auto next = state->cachedObserve(*iss, now, 1.0);
    EXPECT_EQ(rows[11].value, formatRangeAcceleration(next->rangeRate - live->rangeRate));
}

TEST_F(PolarPlotViewTest, SelectedPassDecidesTheSatelliteAndFillsThePassRows)
{
    auto iss = test::makeIss();
    auto polar = test::makePolar();
    state->setTrackingSatellite(iss);
    PolarPlotView view(state);
    EXPECT_EQ(view.findChild<QLabel*>("polarValue_0")->text(), QString::fromUtf8("\u2014"));

    const Date rise = Date::now().addingTimeInterval(-90);
    const PassInfo info(polar, test::plainPass(rise, 600), std::nullopt);
    state->setSelectedPass(info);
    test::settle();

    const auto rows = view.infoRows(Date::now());
    EXPECT_EQ(rows[0].value, info.riseTimeLocal() + " local");
    EXPECT_EQ(rows[1].value, info.peakTimeLocal() + " local");
    EXPECT_EQ(rows[2].value, info.setTimeLocal() + " local");
    EXPECT_EQ(rows[3].value, "10m 00s");
    EXPECT_EQ(rows[4].value, "40.0\u00B0");
    EXPECT_EQ(rows[5].value, "+1m30s");
    EXPECT_EQ(rows[6].value, "\u2191 RISING");
    const auto live = state->cachedObserve(*polar, Date::now(), 0.0);
    ASSERT_TRUE(live);
    EXPECT_EQ(rows[7].value, formatAngle(live->azimuth));
    // What the user sees follows the model after the change.
    EXPECT_EQ(view.findChild<QLabel*>("polarValue_0")->text().toStdString(), *rows[0].value);
    EXPECT_EQ(view.findChild<QLabel*>("polarValue_6")->text().toStdString(), *rows[6].value);
}

// How far a pixel has gone from `from` towards `to`: 0 at `from`, 1 at `to`.
double towards(QColor pixel, QColor from, QColor to)
{
    const double way[3] = {to.redF() - from.redF(), to.greenF() - from.greenF(), to.blueF() - from.blueF()};
    const double moved[3] = {pixel.redF() - from.redF(), pixel.greenF() - from.greenF(),
                             pixel.blueF() - from.blueF()};
    const double length2 = way[0] * way[0] + way[1] * way[1] + way[2] * way[2];
    return (moved[0] * way[0] + moved[1] * way[1] + moved[2] * way[2]) / length2;
}

// Antialiasing spreads a thin stroke over its neighbours, so each check
// looks at the pixel under a point and the eight around it.
template <typename F>
double strongestNear(const QImage& image, QPointF at, F measure)
{
    double best = -1e9;
    const int x0 = static_cast<int>(std::lround(at.x()));
    const int y0 = static_cast<int>(std::lround(at.y()));
    for (int y = y0 - 1; y <= y0 + 1; ++y) {
        for (int x = x0 - 1; x <= x0 + 1; ++x) {
            if (image.rect().contains(x, y)) {
                best = std::max(best, measure(x, y));
            }
        }
    }
    return best;
}

// The farthest any channel of the pixels around a point is from a colour, in
// steps of 255.
int farthestFrom(const QImage& image, QPointF at, QColor colour)
{
    return static_cast<int>(strongestNear(image, at, [&](int x, int y) {
        const QColor c = image.pixelColor(x, y);
        return static_cast<double>(std::max({std::abs(c.red() - colour.red()), std::abs(c.green() - colour.green()),
                                             std::abs(c.blue() - colour.blue())}));
    }));
}

double distanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    const double t = length2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length2, 0.0, 1.0) : 0.0;
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

TEST_F(PolarPlotViewTest, DrawsTheSkyWithTrackBeaconAndBearingLine)
{
    auto iss = test::makeIss();
    // Stand a few degrees from the point below the satellite so it is high up.
    const auto below = iss->currentSubPoint(Date::now());
    ASSERT_TRUE(below);
    state->setObsLatitude(below->latitudeDeg + 6.0);
    state->setObsLongitude(below->longitudeDeg - 4.0);
    PredictedPass pass = test::plainPass(Date::now().addingTimeInterval(-200), 600);
    for (int i = 0; i <= 20; ++i) {
        PassPoint p;
        p.azimuth = std::fmod(210.0 + i * 9.0, 360.0);
        p.elevation = 60.0 * std::sin(i / 20.0 * 3.14159265);
        pass.trackPoints.push_back(p);
    }
    state->setSelectedPass(PassInfo(iss, pass, std::nullopt));
    PolarPlotView view(state);
    view.resize(760, 460);
    const auto live = view.liveAzEl(Date::now());
    ASSERT_TRUE(live);
    ASSERT_GT(live->elevation, 0.0);

    const auto render = [&](bool bearingLine) {
        state->setPolarBearingLine(bearingLine);
        test::settle();
        // The whole view, so that it places its canvas for its size first.
        const QImage whole = view.grab().toImage();
        const qreal ratio = whole.devicePixelRatio();
        const QRectF canvas = view.canvas()->geometry();
        QImage image = whole.copy(QRectF(canvas.topLeft() * ratio, canvas.size() * ratio).toRect())
                           .convertToFormat(QImage::Format_RGB32);
        image.setDevicePixelRatio(1.0);  // sampled in pixels; the points are scaled below
        return image;
    };
    const QImage plain = render(false);
    const QImage withLine = render(true);
    ASSERT_FALSE(plain.isNull());
    ASSERT_EQ(plain.size(), withLine.size());

    // The plot's own geometry, in the pixels of the rendered image.
    const double scale = view.devicePixelRatioF();
    const QSizeF size = view.canvas()->size();
    const QPointF c(size.width() / 2.0, size.height() / 2.0);
    const double r = polarPlotRadius(size.width(), size.height());
    ASSERT_GT(r, 100.0);
    const auto at = [&](double az, double el) { return scale * polarPoint(az, el, c, r); };
    const auto outside = [&](double az, double beyond) { return at(az, -90.0 * beyond / r); };
    const QPointF beacon = at(live->azimuth, live->elevation);
    std::vector<QPointF> track;
    for (const PassPoint& p : pass.trackPoints) {
        track.push_back(at(p.azimuth, p.elevation));
    }
    const QPointF peak = track[*peakIndex(pass.trackPoints)];
    // Whether a point is clear of what a check does not look at: the track,
    // the beacon's ripples and arrow, the north-south and east-west lines
    // and the elevation labels beside the north line.
    const auto clearOfTrack = [&](QPointF p) {
        for (std::size_t i = 1; i < track.size(); ++i) {
            if (distanceToSegment(p, track[i - 1], track[i]) < 8 * scale) {
                return false;
            }
        }
        return true;
    };
    const auto clear = [&](QPointF p) {
        const QPointF centre = scale * c;
        const bool nearAxes = std::abs(p.x() - centre.x()) < 3 * scale || std::abs(p.y() - centre.y()) < 3 * scale;
        const bool nearLabels = p.y() < centre.y() && p.x() > centre.x() && p.x() < centre.x() + 30 * scale;
        return clearOfTrack(p) && QLineF(p, beacon).length() > 32 * scale && !nearAxes && !nearLabels;
    };

    const QColor base = view.palette().color(QPalette::Base);
    const QColor window = view.palette().color(QPalette::Window);
    const QColor green = ui_style::colors::green();
    const QColor cyan = ui_style::colors::cyan();
    const QColor gray = ui_style::colors::gray();
    ASSERT_GT(std::abs(base.lightness() - window.lightness()), 8) << "the sky must stand out from the window";

    // The sky: a disc of the base colour inside the horizon, the window's
    // colour beyond the scale, and a long tick every 15° of azimuth with
    // nothing between them. A tick (75 %, 0.9 px) on a pixel edge covers
    // each of its two pixels by half: about a third of the way to gray.
    int skyChecked = 0;
    for (int az = 0; az < 360; az += 45) {
        for (const double el : {7.5, 37.5, 67.5}) {
            const QPointF p = at(az + 22.5, el);
            if (clear(p)) {
                EXPECT_LE(farthestFrom(plain, p, base), 6) << "sky at " << az + 22.5 << "/" << el;
                ++skyChecked;
            }
        }
    }
    EXPECT_GE(skyChecked, 12);
    for (const QPointF corner : {QPointF(2, 2), QPointF(plain.width() - 3, plain.height() - 3)}) {
        EXPECT_LE(farthestFrom(plain, corner, window), 6);
    }
    int ticksChecked = 0;
    for (int az = 0; az < 360; az += 15) {
        const QPointF tick = outside(az, 5.5);
        const QPointF between = outside(az + 7.5, 5.5);
        if (!clearOfTrack(tick) || !clearOfTrack(between)) {
            continue;
        }
        const auto toGray = [&](int x, int y) { return towards(plain.pixelColor(x, y), window, gray); };
        EXPECT_GE(strongestNear(plain, tick, toGray), 0.2) << "tick at " << az;
        EXPECT_LE(strongestNear(plain, between, toGray), 0.1) << "no tick at " << az + 7.5;
        ++ticksChecked;
    }
    EXPECT_GE(ticksChecked, 18);

    // The pass's track: its colour halfway along each leg clear of the
    // beacon and of the rise, set and peak marks.
    int legsChecked = 0;
    for (std::size_t i = 1; i < track.size(); ++i) {
        const QPointF mid = (track[i - 1] + track[i]) / 2.0;
        bool nearMarks = false;
        for (const QPointF mark : {track.front(), track.back(), peak}) {
            nearMarks = nearMarks || QLineF(mid, mark).length() < 9 * scale;
        }
        if (nearMarks || QLineF(mid, beacon).length() < 32 * scale) {
            continue;
        }
        const auto toCyan = [&](int x, int y) { return towards(plain.pixelColor(x, y), base, cyan); };
        EXPECT_GE(strongestNear(plain, mid, toCyan), 0.8) << "track leg " << i;
        ++legsChecked;
    }
    EXPECT_GE(legsChecked, 10);

    // The beacon's solid core at the satellite's place now.
    const auto toGreen = [&](int x, int y) { return towards(plain.pixelColor(x, y), base, green); };
    EXPECT_GE(strongestNear(plain, beacon, toGreen), 0.9);
    EXPECT_LE(farthestFrom(plain, beacon, green), 12);

    // The bearing line from the zenith to the horizon below the satellite, a
    // faint green (35 %) drawn only when asked for: sampled between the
    // elevation rings, clear of the beacon.
    int bearingChecked = 0;
    for (const double el : {7.5, 22.5, 37.5, 52.5, 67.5, 82.5}) {
        const QPointF p = at(live->azimuth, el);
        if (!clear(p)) {
            continue;
        }
        EXPECT_LE(farthestFrom(plain, p, base), 6) << "no bearing line at " << el;
        const double added = strongestNear(withLine, p, [&](int x, int y) {
            return towards(withLine.pixelColor(x, y), plain.pixelColor(x, y), green);
        });
        EXPECT_GE(added, 0.15) << "bearing line at " << el;
        EXPECT_LE(added, 0.4) << "bearing line at " << el;
        ++bearingChecked;
    }
    EXPECT_GE(bearingChecked, 2);
    // The line adds nothing off its bearing.
    const QPointF across = at(live->azimuth + 90.0, 45.0);
    EXPECT_LE(strongestNear(withLine, across, [&](int x, int y) {
        return std::abs(towards(withLine.pixelColor(x, y), plain.pixelColor(x, y), green));
    }), 0.02);

    // Renders for a person to look at, into a folder that outlives the test.
    if (const QString folder = qEnvironmentVariable("ZELVANE_RENDER_DIR"); !folder.isEmpty()) {
        view.grab().save(folder + "/polar.png");
        MiniPolarPlot mini(pass);
        mini.resize(60, 60);
        mini.grab().save(folder + "/mini-polar.png");
    }
}

} // namespace
} // namespace zelvane

namespace zelvane {
namespace {

class PolarAnimationTest : public test::ViewTest {
protected:
    // Puts observer 1 a few degrees from the point below the satellite, so
    // that it stands high in the sky at the pinned instant.
    void standBelow(const Satellite& sat)
    {
        const auto below = sat.currentSubPoint(Date::now());
        ASSERT_TRUE(below);
        state->setObsLatitude(below->latitudeDeg + 6.0);
        state->setObsLongitude(below->longitudeDeg - 4.0);
    }
};

TEST_F(PolarAnimationTest, RunsAtDisplayRateOnlyWhileTheBeaconIsDrawn)
{
    auto iss = test::makeIss();
    standBelow(*iss);
    PolarPlotView view(state);
    view.resize(760, 460);
    view.grab();
    EXPECT_FALSE(view.isAnimating()) << "nothing on display";

    state->setSelectedPass(PassInfo(iss, test::plainPass(Date::now().addingTimeInterval(-200), 600),
                                    std::nullopt));
    test::settle();
    ASSERT_GT(view.liveAzEl(Date::now())->elevation, 0.0);
    view.grab();
    EXPECT_TRUE(view.isAnimating()) << "beacon drawn";

    // Ten minutes later it has set: its pass still shows, the beacon not.
    Clock::setFixed(Date::now().addingTimeInterval(600));
    state->setSelectedPass(PassInfo(iss, test::plainPass(Date::now().addingTimeInterval(-800), 600),
                                    std::nullopt));
    test::settle();
    ASSERT_LE(view.liveAzEl(Date::now())->elevation, 0.0);
    view.grab();
    EXPECT_FALSE(view.isAnimating()) << "no beacon";
}

TEST_F(PolarAnimationTest, TheSecondTickStartsTheAnimationWhenTheSatelliteComesUp)
{
    auto iss = test::makeIss();
    standBelow(*iss);
    state->setSelectedPass(PassInfo(iss, test::plainPass(Date::now().addingTimeInterval(-200), 600),
                                    std::nullopt));
    // Ten minutes earlier the satellite is far away and below the horizon.
    const Date up = Date::now();
    Clock::setFixed(up.addingTimeInterval(-600));
    PolarPlotView view(state);
    view.resize(760, 460);
    view.show();
    test::settle();
    view.grab();
    ASSERT_LE(view.liveAzEl(Date::now())->elevation, 0.0);
    EXPECT_FALSE(view.isAnimating());

    Clock::setFixed(up);
    view.refreshTable(up);
    test::settle();
    EXPECT_TRUE(view.isAnimating());
    // Hidden, nothing is drawn and the animation ends at its next frame.
    view.hide();
    EXPECT_TRUE(test::waitUntil([&] { return !view.isAnimating(); }));
}

TEST_F(PolarAnimationTest, TableStandsWholeBesideTheSquarePlot)
{
    auto iss = test::makeIss();
    standBelow(*iss);
    state->setSelectedPass(PassInfo(iss, test::plainPass(Date::now().addingTimeInterval(-200), 600),
                                    std::nullopt));
    PolarPlotView view(state);
    view.refreshTable(Date::now());
    view.show();
    for (const QSize size : {view.minimumSizeHint(), QSize(760, 460), QSize(1500, 420), QSize(900, 900)}) {
        view.resize(size);
        const QRect plot = view.canvas()->geometry();
        const QRect table = view.table()->geometry();
        EXPECT_EQ(plot.width(), plot.height()) << size.width() << "x" << size.height();
        EXPECT_GE(plot.width(), 200);
        // Side by side, 12 apart, the table inside the view.
        EXPECT_EQ(table.left(), plot.right() + 1 + 12);
        EXPECT_LE(table.right(), view.width() - 1) << size.width() << "x" << size.height();
        EXPECT_EQ(table.top(), plot.top());
        // Every value fits its label whole.
        for (int i = 0; i < 12; ++i) {
            auto* value = view.findChild<QLabel*>(QString("polarValue_%1").arg(i));
            ASSERT_NE(value, nullptr);
            EXPECT_LE(value->fontMetrics().horizontalAdvance(value->text()), value->width())
                << value->text().toStdString();
            EXPECT_LE(value->geometry().right(), table.width() - 1);
        }
    }
    // In a wide pane the plot is as tall as the pane and the table beside
    // it, not pushed away to the far side.
    view.resize(1500, 420);
    EXPECT_EQ(view.canvas()->height(), 420);
    EXPECT_EQ(view.table()->x(), 420 + 12);
    // Squeezed below its minimum, the plot gives way and the table stays whole.
    const int tableWidth = view.table()->width();
    view.resize(view.minimumSizeHint().width() - 60, 420);
    EXPECT_EQ(view.table()->width(), tableWidth);
    EXPECT_EQ(view.table()->geometry().right(), view.width() - 1);
    EXPECT_EQ(view.canvas()->width(), 200 - 60);
}

// The table's rows stand at a pitch of their own: the table is as high
// with DejaVu as with Noto (whose line spacing is 1.36 em), every value is
// whole in its row, and each value has a fixed size, so that its new text
// every second repaints it alone.
TEST_F(PolarAnimationTest, TableRowsKeepTheirPitchWithEitherFontFamily)
{
    auto iss = test::makeIss();
    standBelow(*iss);
    state->setSelectedPass(PassInfo(iss, test::plainPass(Date::now().addingTimeInterval(-200), 600),
                                    std::nullopt));
    std::vector<int> heights;
    for (const test::FontFamilies& families : {test::kDejaVu, test::kNoto}) {
        SCOPED_TRACE(families.name);
        test::UseFontFamilies use(families);
        if (!use.available()) {
            GTEST_SKIP() << families.fixed << " is not installed (scripts/install-deps)";
        }
        PolarPlotView view(state);
        view.refreshTable(Date::now());
        view.resize(view.sizeHint());
        view.show();
        view.grab();
        heights.push_back(view.table()->height());
        for (int i = 0; i < 12; ++i) {
            auto* value = view.findChild<QLabel*>(QString("polarValue_%1").arg(i));
            ASSERT_NE(value, nullptr);
            EXPECT_EQ(value->minimumSize(), value->maximumSize()) << i;
        }
        std::vector<std::string> cuts;
        test::walkGeometry(view, families.name, cuts);
        EXPECT_TRUE(cuts.empty()) << test::joined(cuts);
        EXPECT_LE(view.table()->height(), 12 * 23 + 5 + 8) << "twelve rows at their pitch, the divider, margins";
    }
    ASSERT_EQ(heights.size(), 2u);
    EXPECT_EQ(heights[0], heights[1]);
}

} // namespace
} // namespace zelvane
