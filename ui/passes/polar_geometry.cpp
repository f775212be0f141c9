#include "ui/passes/polar_geometry.h"

#include <cmath>
#include <numbers>

namespace zelvane {

QPointF polarPoint(double az, double el, QPointF center, double radius)
{
    const double r = radius * (1.0 - el / 90.0);
    const double a = az * std::numbers::pi / 180.0;
    return {center.x() + r * std::sin(a), center.y() - r * std::cos(a)};
}

AzEl polarAzEl(QPointF point, QPointF center, double radius)
{
    const double dx = point.x() - center.x();
    const double dy = center.y() - point.y();
    const double r = std::hypot(dx, dy);
    AzEl out;
    out.elevation = radius > 0.0 ? 90.0 * (1.0 - r / radius) : 90.0;
    if (r > 0.0) {
        double az = std::atan2(dx, dy) * 180.0 / std::numbers::pi;
        if (az < 0.0) {
            az += 360.0;
        }
        out.azimuth = az >= 360.0 ? 0.0 : az;
    }
    return out;
}

} // namespace zelvane
