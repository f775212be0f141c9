#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include <QImage>
#include <QPointF>
#include <QWidget>

#include "base/signal.h"
#include "orbital/date.h"
#include "ui/passes/timeline_geometry.h"
#include "ui/passes/zoz_adeza_scene.h"

class QPainter;
class QTimer;

namespace zelvane {

class AppState;

// The chart area of the pass timeline: the time header strip, the pass
// canvas (grid, threshold, pass curves, NOW marker) and the elevation scale
// over its left edge. Drags pan the window, the wheel and pinches zoom it, a
// click selects the pass under the pointer's time.
//
// Everything but the NOW marker is drawn once into a layer image, again only
// when what it shows changes (the state it draws, its size, the hovered
// pass); a paint copies the layer and draws the marker over it. The clock's
// tick repaints only the strip the marker left and the one it entered, and
// only once it has moved by a pixel.
class ZozAdezaChart : public QWidget {
    Q_OBJECT
public:
    explicit ZozAdezaChart(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~ZozAdezaChart() override;

    const std::optional<std::string>& hoveredPassId() const { return hoveredPassId_; }
    const timeline::ScrollAccumulator& scrollAccumulator() const { return scroll_; }

    // Applies one vertical wheel delta (in lines) over the chart.
    void applyScrollDelta(double delta);
    // Applies a pinch of the given magnification, 1 at its start.
    void applyPinch(double magnification);

    // How many times the layer was drawn.
    int layerRenderCount() const { return layerRenders_; }
    // The passes in the window at the last drawing of the layer, and which of
    // them got their name drawn.
    std::size_t drawnPassCount() const { return drawnPasses_; }
    std::size_t drawnLabelCount() const { return drawnLabels_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct HoveredPass {
        std::int64_t satId = 0;
        Date rise;
        friend bool operator==(const HoveredPass&, const HoveredPass&) = default;
    };

    void refreshFromState();
    void tick();
    void invalidateLayer();
    void renderLayer();
    void drawTimeHeader(QPainter& p, double width);
    void drawCanvas(QPainter& p, double width, double height);
    void drawNowMarker(QPainter& p, double width, double height, Date now);
    void drawElevationScale(QPainter& p, double height);
    void drawPasses(QPainter& p, double width, double height);
    // The NOW marker's pixel column, absent while the present is outside the window.
    std::optional<int> nowPixel(Date now) const;
    QRect nowStrip(int x) const;
    void updateHover(double x, double y);
    void tapAt(double x);

    std::shared_ptr<AppState> state_;
    Signal<>::Connection connection_ = 0;
    QTimer* ticker_ = nullptr;
    // What was last drawn of the state; a change that leaves it as it was
    // (a tracking tick) costs no repaint.
    std::optional<timeline::ChartInputs> shown_;
    QImage layer_;
    bool layerValid_ = false;
    int layerRenders_ = 0;
    std::size_t drawnPasses_ = 0;
    std::size_t drawnLabels_ = 0;
    std::optional<int> shownNowPixel_;
    // The widths of the pass names at their three sizes, measured once.
    struct NameWidths {
        std::string name;
        std::array<double, 3> widths{};
    };
    std::unordered_map<std::int64_t, NameWidths> nameWidths_;
    std::optional<std::string> hoveredPassId_;
    std::optional<HoveredPass> hovered_;
    timeline::ScrollAccumulator scroll_;
    double pinchMagnification_ = 1.0;
    // Drag: where the press was, and the window's left edge once moving.
    std::optional<QPointF> pressPos_;
    std::optional<Date> dragStartTime_;
};

} // namespace zelvane
