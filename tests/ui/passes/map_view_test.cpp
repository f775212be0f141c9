#include <gtest/gtest.h>

#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <QToolButton>

#include "tests/ui/passes/map_test_fixture.h"
#include "tests/ui/passes/timeline_fixture.h"
#include "ui/passes/map_view.h"
#include "ui/style/ui_style.h"

namespace zelvane {
namespace {

class MapViewTest : public test::ViewTest {
protected:
    QToolButton* styleButton(SatelliteMapView& view, const char* raw)
    {
        return view.findChild<QToolButton*>(QString("mapStyle_") + raw);
    }

    // Where a place shows in the view's image.
    static QPoint pixelOf(const SatelliteMapView& view, double lat, double lon)
    {
        const MapProjection projection(QSizeF(view.width(), view.height()), view.camera());
        return projection.toScreen(lat, lon).toPoint();
    }

    // Renders are written, when asked to, into the folder named by
    // ZELVANE_RENDER_DIR, which outlives the test.
    void saveRender(const QImage& image, const QString& name)
    {
        if (const QString folder = qEnvironmentVariable("ZELVANE_RENDER_DIR"); !folder.isEmpty()) {
            const QString path = folder + "/" + name;
            image.save(path);
            std::printf("render: %s\n", path.toUtf8().constData());
        }
    }
};

TEST_F(MapViewTest, StartsInTheStandardStyleOverTheObserver)
{
    state->setObsLongitude(12.5);
    SatelliteMapView view(state);
    EXPECT_EQ(view.style(), MapStyle::standard);
    EXPECT_EQ(view.camera(), (MapCamera{0, 12.5, 50'000'000}));
    EXPECT_TRUE(styleButton(view, "standard")->isChecked());
    EXPECT_FALSE(styleButton(view, "imagery")->isChecked());
}

TEST_F(MapViewTest, PickingAStyleStoresItAndMovesTheCamera)
{
    SatelliteMapView view(state);
    view.setCamera({-30, 100, 5'000'000});  // the user has wandered off
    QTest::mouseClick(styleButton(view, "imagery"), Qt::LeftButton);
    EXPECT_EQ(store().stringValue("mapStyle"), "imagery");
    EXPECT_EQ(view.style(), MapStyle::imagery);
    EXPECT_EQ(view.cameraTarget(), (MapCamera{20, state->obsLongitude(), 30'000'000}));
    EXPECT_TRUE(styleButton(view, "imagery")->isChecked());
    EXPECT_FALSE(styleButton(view, "standard")->isChecked());

    QTest::mouseClick(styleButton(view, "standard"), Qt::LeftButton);
    EXPECT_EQ(view.cameraTarget(), (MapCamera{0, state->obsLongitude(), 50'000'000}));
    ASSERT_TRUE(test::waitUntil([&] { return view.camera() == view.cameraTarget(); }, std::chrono::milliseconds(3000)));
}

TEST_F(MapViewTest, UnknownStoredStyleShowsImageryWithNoSegmentChosen)
{
    store().setString("mapStyle", "terrain");
    SatelliteMapView view(state);
    EXPECT_EQ(view.style(), MapStyle::imagery);
    EXPECT_EQ(view.camera(), (MapCamera{20, state->obsLongitude(), 30'000'000}));
    for (const char* raw : {"standard", "imagery", "hybrid"}) {
        EXPECT_FALSE(styleButton(view, raw)->isChecked()) << raw;
    }
}

TEST_F(MapViewTest, TrackSpanSliderMovesInHalfHoursAndIsRemembered)
{
    {
        SatelliteMapView view(state);
        auto* slider = view.findChild<QSlider*>("mapTrackSpanSlider");
        auto* text = view.findChild<QLabel*>("mapTrackSpanText");
        ASSERT_TRUE(slider && text);
        EXPECT_EQ(text->text(), "off");
        slider->setValue(1);
        EXPECT_DOUBLE_EQ(view.extendedTrackHours(), 0.5);
        EXPECT_EQ(text->text(), QString::fromUtf8("\u00B10.5h"));
        slider->setValue(slider->maximum());
        EXPECT_DOUBLE_EQ(view.extendedTrackHours(), 4.0);
        EXPECT_EQ(text->text(), QString::fromUtf8("\u00B14.0h"));
        EXPECT_EQ(store().doubleValue("mapTrackHours"), 4.0);
    }
    SatelliteMapView again(state);
    EXPECT_DOUBLE_EQ(again.extendedTrackHours(), 4.0);
    EXPECT_EQ(again.findChild<QSlider*>("mapTrackSpanSlider")->value(), 8);
}

TEST_F(MapViewTest, SelectionFillsTheCacheWithoutMovingTheCamera)
{
    auto iss = test::makeIss();
    SatelliteMapView view(state);
    EXPECT_FALSE(view.passCache().cachedTrackPassRise);
    const MapCamera moved{10, 40, 8'000'000};
    view.setCamera(moved);

    const Date rise = test::nearEpoch();
    state->setSelectedPass(PassInfo(iss, test::plainPass(rise, 600), std::nullopt));
    test::settle();
    EXPECT_EQ(view.passCache().cachedTrackPassRise, rise);
    EXPECT_FALSE(view.passCache().cachedTrack.empty());
    EXPECT_FALSE(view.passTrackSegments().empty());
    EXPECT_EQ(view.camera(), moved);

    state->setSelectedPass(std::nullopt);
    test::settle();
    EXPECT_FALSE(view.passCache().cachedTrackPassRise);
    EXPECT_TRUE(view.passCache().cachedTrack.empty());
    EXPECT_FALSE(view.currentSubSatellitePoint(rise));
}

TEST_F(MapViewTest, ExtendedTrackSamplesBothSidesOfNow)
{
    auto iss = test::makeIss();
    SatelliteMapView view(state);
    const auto count = [&](double hours) {
        std::size_t n = 0;
        for (const auto& run : view.extendedTrackSegments(*iss, test::nearEpoch(), hours)) {
            n += run.size();
        }
        return n;
    };
    EXPECT_EQ(count(0.5), 241u);
    EXPECT_EQ(count(1.0), 401u);
    EXPECT_EQ(count(4.0), 401u);
    // Several orbits cross the antimeridian: the runs are cut.
    EXPECT_GT(view.extendedTrackSegments(*iss, test::nearEpoch(), 4.0).size(), 1u);
}

TEST_F(MapViewTest, DrawsEveryLayer)
{
    auto iss = test::makeIss();
    state->setObs2Enabled(true);
    state->setObs2Name("Field");
    state->setObs2Latitude(-33.9);
    state->setObs2Longitude(151.2);
    state->setSelectedPass(PassInfo(iss, test::plainPass(test::nearEpoch().addingTimeInterval(-300), 900),
                                    std::nullopt));
    store().setDouble("mapTrackHours", 1.5);
    for (const char* raw : {"standard", "imagery", "hybrid"}) {
        store().setString("mapStyle", raw);
        SatelliteMapView view(state);
        view.resize(900, 480);
        ASSERT_TRUE(view.currentSubSatellitePoint(Date::now()).has_value());
        // The satellite's disc is drawn in its colour at the live point
        // (a little below the centre, clear of the white glyph).
        const auto live = view.currentSubSatellitePoint(Date::now());
        view.setCamera({live->latitudeDeg, live->longitudeDeg, kWholeWorldDistance});
        const QImage image = view.grab().toImage();
        ASSERT_FALSE(image.isNull());
        const QPoint disc = pixelOf(view, live->latitudeDeg, live->longitudeDeg) + QPoint(0, 6);
        ASSERT_TRUE(image.rect().contains(disc)) << raw;
        const QColor expected = ui_style::satelliteColor(iss->id);
        const QColor seen = image.pixelColor(disc);
        EXPECT_NEAR(seen.red(), expected.red(), 3) << raw;
        EXPECT_NEAR(seen.green(), expected.green(), 3) << raw;
        EXPECT_NEAR(seen.blue(), expected.blue(), 3) << raw;
        saveRender(image, QString("map-%1.png").arg(raw));
    }
    // Over the antimeridian, zoomed in: land and tracks continue across it.
    // The selected pass is one whose ground track crosses it.
    Date crossing = test::nearEpoch();
    for (Date t = crossing; t < crossing.addingTimeInterval(86400.0); t = t.addingTimeInterval(10.0)) {
        const auto a = iss->currentSubPoint(t);
        const auto b = iss->currentSubPoint(t.addingTimeInterval(10.0));
        if (a && b && a->longitudeDeg > 170.0 && b->longitudeDeg < -170.0 && std::abs(a->latitudeDeg) < 40.0) {
            crossing = t;
            break;
        }
    }
    ASSERT_NE(crossing, test::nearEpoch()) << "no crossing found";
    state->setSelectedPass(PassInfo(iss, test::plainPass(crossing.addingTimeInterval(-240), 480), std::nullopt));
    store().setDouble("mapTrackHours", 0.0);
    store().setString("mapStyle", "standard");
    SatelliteMapView pacific(state);
    pacific.resize(900, 480);
    pacific.setCamera({45, -180, 20'000'000});
    EXPECT_EQ(pacific.camera(), (MapCamera{45, -180, 20'000'000}));
    const QImage image = pacific.grab().toImage();
    ASSERT_FALSE(image.isNull());
    saveRender(image, "map-pacific.png");
    // A place east of the antimeridian lies a turn of the Earth round from
    // the camera's longitude: the map draws it there.
    const auto colorAt = [&](double lat, double lon) {
        for (const double turn : {0.0, 360.0, -360.0}) {
            const QPoint at = pixelOf(pacific, lat, lon + turn);
            if (image.rect().contains(at)) {
                return image.pixelColor(at);
            }
        }
        ADD_FAILURE() << lat << " " << lon << " is not in view";
        return QColor();
    };
    // Land west and east of it: Kamchatka and Alaska.
    for (const auto& [lat, lon] : {std::pair{56.5, 159.0}, std::pair{62.0, -150.0}}) {
        const QColor c = colorAt(lat, lon);
        EXPECT_GT(c.green(), c.blue()) << "land at " << lat << " " << lon;
    }
    // The pass's track is drawn on both sides, in the satellite's colour.
    const QColor satColor = ui_style::satelliteColor(iss->id);
    int west = 0;
    int east = 0;
    for (const auto& point : pacific.passCache().cachedTrack) {
        const bool nearWest = point.longitudeDeg > 172.0 && point.longitudeDeg < 179.0;
        const bool nearEast = point.longitudeDeg < -172.0 && point.longitudeDeg > -179.0;
        if (!nearWest && !nearEast) {
            continue;
        }
        const QColor c = colorAt(point.latitudeDeg, point.longitudeDeg);
        const int distance = test::colorDistance(c, satColor);
        EXPECT_LT(distance, 60) << point.latitudeDeg << " " << point.longitudeDeg;
        (nearWest ? west : east) += distance < 60 ? 1 : 0;
    }
    EXPECT_GT(west, 0);
    EXPECT_GT(east, 0);
}

TEST_F(MapViewTest, LandShowsAtLandPointsAndSeaAtSeaPointsInEveryStyle)
{
    struct Place {
        const char* name;
        double lat, lon;
        bool land;
    };
    // Inland or open-water points, away from the graticule's lines and
    // from the observer's marker.
    const Place places[] = {
        {"Sahara", 25.0, 2.0, true},         {"Siberia", 62.0, 100.0, true},
        {"Western Australia", -23.0, 124.0, true}, {"Amazonia", -8.0, -62.0, true},
        {"mid-Atlantic", 5.0, -35.0, false}, {"South Pacific", -40.0, -125.0, false},
        {"Arabian Sea", 15.0, 64.0, false},  {"Indian Ocean", -35.0, 80.0, false},
    };
    for (const MapStyle style : kAllMapStyles) {
        SatelliteMapView view(state);
        view.setStyleRaw(mapStyleRaw(style));
        view.resize(900, 480);
        view.setCamera({0, 0, kWholeWorldDistance});
        const QImage image = view.grab().toImage();
        for (const Place& place : places) {
            const QPoint at = pixelOf(view, place.lat, place.lon);
            ASSERT_TRUE(image.rect().contains(at)) << place.name;
            const QColor c = image.pixelColor(at);
            // Every style's sea is blue above all; its land is not.
            if (place.land) {
                EXPECT_GT(c.green(), c.blue()) << mapStyleRaw(style) << " " << place.name;
            } else {
                EXPECT_GT(c.blue(), c.green()) << mapStyleRaw(style) << " " << place.name;
                EXPECT_GT(c.blue(), c.red()) << mapStyleRaw(style) << " " << place.name;
            }
        }
        // One colour for all land and one for all sea.
        EXPECT_EQ(image.pixel(pixelOf(view, 25.0, 2.0)), image.pixel(pixelOf(view, 62.0, 100.0)));
        EXPECT_EQ(image.pixel(pixelOf(view, 5.0, -35.0)), image.pixel(pixelOf(view, -40.0, -125.0)));
        saveRender(image, QString("map-world-%1.png").arg(mapStyleRaw(style)));
    }
}

TEST_F(MapViewTest, PassCacheIsKeyedBySatelliteAndRise)
{
    auto iss = test::makeIss();
    auto polar = test::makePolar();
    SatelliteMapView view(state);
    const Date rise = test::nearEpoch();
    state->setSelectedPass(PassInfo(iss, test::plainPass(rise, 600), std::nullopt));
    test::settle();
    ASSERT_FALSE(view.passCache().cachedTrack.empty());
    const SubSatellitePoint issStart = view.passCache().cachedTrack.front();

    // Another satellite rising at the same second has its own track.
    state->setSelectedPass(PassInfo(polar, test::plainPass(rise, 600), std::nullopt));
    test::settle();
    ASSERT_FALSE(view.passCache().cachedTrack.empty());
    const SubSatellitePoint polarStart = view.passCache().cachedTrack.front();
    const auto expected = polar->currentSubPoint(rise);
    ASSERT_TRUE(expected);
    EXPECT_NEAR(polarStart.latitudeDeg, expected->latitudeDeg, 1e-9);
    EXPECT_NEAR(polarStart.longitudeDeg, expected->longitudeDeg, 1e-9);
    EXPECT_GT(std::abs(polarStart.latitudeDeg - issStart.latitudeDeg)
                  + std::abs(polarStart.longitudeDeg - issStart.longitudeDeg),
              1.0);
}

TEST_F(MapViewTest, BaseIsDrawnOncePerSizeCameraStyleAndPass)
{
    auto iss = test::makeIss();
    SatelliteMapView view(state);
    view.resize(600, 320);
    QSignalSpy drawn(&view, &SatelliteMapView::baseLayerDrawn);
    view.grab();
    const int first = static_cast<int>(drawn.count());
    EXPECT_GE(first, 1);
    view.grab();
    view.advanceLive();
    view.grab();
    // Nothing the map shows has changed: a frame is copied, not drawn again.
    state->setCurrentDopplerShift(1234.0);
    state->setStatusMessage("Tracking");
    test::settle();
    view.grab();
    EXPECT_EQ(drawn.count(), first);

    view.setCamera({10, 20, 20'000'000});
    view.grab();
    EXPECT_EQ(drawn.count(), first + 1);
    view.resize(700, 320);
    view.grab();
    EXPECT_EQ(drawn.count(), first + 2);
    state->setSelectedPass(PassInfo(iss, test::plainPass(test::nearEpoch(), 600), std::nullopt));
    test::settle();
    view.grab();
    EXPECT_EQ(drawn.count(), first + 3);
}

TEST_F(MapViewTest, LiveTickRunsOnlyWhileAPassIsShown)
{
    auto iss = test::makeIss();
    SatelliteMapView view(state);
    auto* tick = view.findChild<QTimer*>("mapLiveTick");
    ASSERT_NE(tick, nullptr);
    view.show();
    test::settle();
    EXPECT_FALSE(tick->isActive());

    state->setSelectedPass(PassInfo(iss, test::plainPass(test::nearEpoch(), 600), std::nullopt));
    test::settle();
    EXPECT_TRUE(tick->isActive());
    view.hide();
    EXPECT_FALSE(tick->isActive());
    view.show();
    EXPECT_TRUE(tick->isActive());

    state->setSelectedPass(std::nullopt);
    test::settle();
    EXPECT_FALSE(tick->isActive());
}

} // namespace
} // namespace zelvane
