#pragma once

#include <QPainterPath>
#include <QPixmap>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/passes/map_geometry.h"

class QButtonGroup;
class QLabel;
class QSlider;
class QTimer;
class QVariantAnimation;

namespace zelvane {

class AppState;
class Satellite;

// World map of the selected pass: its ground track and covered area, an
// optional extended track either side of now, the live footprint and
// sub-satellite point, and the observer sites. Drawn flat (equirectangular)
// from the shipped coast lines; drag to pan, wheel to zoom.
class SatelliteMapView : public QWidget {
    Q_OBJECT
public:
    explicit SatelliteMapView(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~SatelliteMapView() override;

    // View preferences, kept in the standard settings store under "mapStyle"
    // and "mapTrackHours".
    const std::string& styleRaw() const { return styleRaw_; }
    void setStyleRaw(const std::string& raw);
    MapStyle style() const { return mapStyleFromRaw(styleRaw_); }
    double extendedTrackHours() const { return extendedTrackHours_; }
    void setExtendedTrackHours(double hours);

    // The camera as it is now (mid-animation included) and where a running
    // animation is heading (the camera itself when none runs).
    const MapCamera& camera() const { return camera_; }
    MapCamera cameraTarget() const;
    void setCamera(MapCamera camera);
    // Moves the camera to the style's starting view over observer 1.
    void fitCameraToPass(bool animated = true);

    // The pass's track and covered area, kept for one satellite and rise
    // time (two satellites may rise at the same second).
    const MapPassCache& passCache() const { return cache_; }
    void recomputePassCache();

    // Brings the live point, its footprint and the extended track up to now;
    // the one-second tick does this while a pass is shown.
    void advanceLive();

    MapPoint observerCoordinate() const;
    // The point below the selected pass's satellite; none without a pass.
    std::optional<SubSatellitePoint> currentSubSatellitePoint(Date at) const;
    std::vector<std::vector<MapPoint>> extendedTrackSegments(const Satellite& satellite, Date now,
                                                             double hoursEachSide) const;
    std::vector<std::vector<MapPoint>> passTrackSegments() const;

    QSize sizeHint() const override { return {720, 400}; }
    QSize minimumSizeHint() const override { return {360, 200}; }

signals:
    // The land, borders, graticule and the pass's covered area were drawn
    // anew (once per size, camera, style and pass, not once per repaint).
    void baseLayerDrawn();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void buildControls();
    void syncControls();
    void refresh();
    void placeControls();
    // What the map shows of the state; a change of anything else (the
    // tracking read-outs, the rig link) leaves the map as it is.
    struct Inputs {
        std::optional<std::pair<std::int64_t, Date>> pass;  // satellite, rise
        const void* satelliteObject = nullptr;  // a reloaded catalogue brings new ones
        double obsLat = 0.0, obsLon = 0.0;
        std::string obsName;
        bool obs2Enabled = false;
        double obs2Lat = 0.0, obs2Lon = 0.0;
        std::string obs2Name;
        friend bool operator==(const Inputs&, const Inputs&) = default;
    };
    Inputs currentInputs() const;
    // The pass's own paths, from the cache; on a change of pass only.
    void rebuildPassPaths();
    // What moves with the clock: the live point, its footprint and the
    // extended track; once a second while a pass is shown.
    void updateLive();
    void updateTick();
    // The two images a repaint is made of, each drawn again only when what
    // it shows has changed: the base (land, borders, graticule, the pass's
    // covered area) and, above it, what moves (the pass and extended
    // tracks and the live footprint).
    void ensureBase();
    void ensureLiveLayer();
    void drawOverCopies(QPainter& p, const std::function<void(QPainter&)>& draw) const;

    struct LayerKey {
        QSize size;
        qreal pixelRatio = 1.0;
        MapCamera camera;
        MapStyle style = MapStyle::standard;
        QRgb window = 0;
        std::uint64_t content = 0;
        friend bool operator==(const LayerKey&, const LayerKey&) = default;
    };
    LayerKey layerKey(std::uint64_t content) const;

    std::shared_ptr<AppState> state_;
    std::uint64_t stateConnection_ = 0;
    std::string styleRaw_ = "standard";
    double extendedTrackHours_ = 0.0;
    MapCamera camera_;
    MapCamera animationFrom_;
    MapCamera animationTo_;
    MapPassCache cache_;
    std::optional<Inputs> seen_;

    QPixmap base_;
    std::optional<LayerKey> baseKey_;
    QPixmap liveLayer_;
    std::optional<LayerKey> liveKey_;
    std::uint64_t passVersion_ = 0;
    std::uint64_t liveVersion_ = 0;
    // In (longitude, −latitude) units, drawn once per copy of the world.
    std::shared_ptr<Satellite> shownSatellite_;
    QPainterPath coverageFill_, coverageArcs_, track_;
    QPainterPath extended_, footFill_, footArcs_;
    std::optional<SubSatellitePoint> live_;

    QWidget* controls_ = nullptr;
    QSlider* spanSlider_ = nullptr;
    QLabel* spanText_ = nullptr;
    QButtonGroup* styleButtons_ = nullptr;
    QTimer* tick_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    QVariantAnimation* animation_ = nullptr;
    std::optional<QPointF> dragFrom_;
    MapCamera dragCamera_;
};

} // namespace zelvane
