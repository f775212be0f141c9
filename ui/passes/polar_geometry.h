#pragma once

#include <QPointF>

namespace zelvane {

// Sky-plot projection shared by the large and the mini polar plot: north up,
// azimuth clockwise, zenith at the centre and the horizon at `radius`.
// Not clamped: a negative elevation lands outside the horizon circle.
QPointF polarPoint(double az, double el, QPointF center, double radius);

// Inverse of polarPoint: azimuth in [0, 360) and elevation of a canvas
// point (the centre gives azimuth 0, elevation 90).
struct AzEl {
    double azimuth = 0.0;
    double elevation = 0.0;
};
AzEl polarAzEl(QPointF point, QPointF center, double radius);

} // namespace zelvane
