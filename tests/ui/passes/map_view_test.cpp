#include <gtest/gtest.h>

#include <QLabel>
#include <QSlider>
#include <QTest>

#include <chrono>
#include <QToolButton>

#include "tests/ui/passes/map_test_fixture.h"
#include "ui/passes/map_view.h"

namespace zelvane {
namespace {

class MapViewTest : public test::ViewTest {
protected:
    QToolButton* styleButton(SatelliteMapView& view, const char* raw)
    {
        return view.findChild<QToolButton*>(QString("mapStyle_") + raw);
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
        const QImage image = view.grab().toImage();
        EXPECT_FALSE(image.isNull());
        if (qEnvironmentVariableIsSet("ZELVANE_SAVE_RENDERS")) {
            image.save(QString("/tmp/zelvane-map-%1.png").arg(raw));
        }
    }
    // Over the antimeridian, zoomed in: land and tracks continue across it.
    SatelliteMapView pacific(state);
    pacific.resize(900, 480);
    pacific.setCamera({20, 175, 20'000'000});
    EXPECT_EQ(pacific.camera(), (MapCamera{20, 175, 20'000'000}));
    const QImage image = pacific.grab().toImage();
    EXPECT_FALSE(image.isNull());
    if (qEnvironmentVariableIsSet("ZELVANE_SAVE_RENDERS")) {
        image.save("/tmp/zelvane-map-pacific.png");
    }
}

} // namespace
} // namespace zelvane
