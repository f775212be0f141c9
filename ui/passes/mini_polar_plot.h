#pragma once

#include <QPointF>
#include <QWidget>

#include "orbital/pass_records.h"

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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PredictedPass pass_;
};

} // namespace zelvane
