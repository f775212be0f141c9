#pragma once

#include <QPointF>
#include <QRectF>
#include <vector>
#include <QWidget>

#include "orbital/pass_records.h"

class QPainter;

namespace zelvane {

// Thumbnail sky plot of one pass: horizon circle, two diameters, the track
// with a green rise dot and a red set dot. Static: no time, no live position.
class MiniPolarPlot : public QWidget {
    Q_OBJECT
public:
    explicit MiniPolarPlot(PredictedPass pass, QWidget* parent = nullptr);

    const PredictedPass& pass() const { return pass_; }
    void setPass(PredictedPass pass);

    QSize sizeHint() const override { return {60, 60}; }

    // Plot radius of a canvas: a 2 pt margin inside the shorter side.
    static double plotRadius(double width, double height);

    // Draws the thumbnail of a track into `area` (the pass list paints its
    // rows with this, without a widget per row).
    static void paint(QPainter& painter, const QRectF& area, const std::vector<PassPoint>& points);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PredictedPass pass_;
};

} // namespace zelvane
