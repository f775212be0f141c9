#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
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

    const MapPassCache& passCache() const { return cache_; }
    void recomputePassCache();

    MapPoint observerCoordinate() const;
    // The point below the selected pass's satellite; none without a pass.
    std::optional<SubSatellitePoint> currentSubSatellitePoint(Date at) const;
    std::vector<std::vector<MapPoint>> extendedTrackSegments(const Satellite& satellite, Date now,
                                                             double hoursEachSide) const;
    std::vector<std::vector<MapPoint>> passTrackSegments() const;

    QSize sizeHint() const override { return {720, 400}; }
    QSize minimumSizeHint() const override { return {360, 200}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void buildControls();
    void syncControls();
    void scheduleRefresh();
    void refresh();
    void placeControls();

    std::shared_ptr<AppState> state_;
    std::uint64_t stateConnection_ = 0;
    std::string styleRaw_ = "standard";
    double extendedTrackHours_ = 0.0;
    MapCamera camera_;
    MapCamera animationFrom_;
    MapCamera animationTo_;
    MapPassCache cache_;
    std::optional<Date> seenRise_;

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
