#include "ui/passes/mini_polar_plot.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <utility>

#include "ui/passes/polar_geometry.h"
#include "ui/style/ui_style.h"

namespace zelvane {

namespace {
// The same named colours as the large sky plot.
const QColor kGray = ui_style::colors::gray();
const QColor kCyan = ui_style::colors::cyan();
const QColor kGreen = ui_style::colors::green();
const QColor kRed = ui_style::colors::red();
} // namespace

MiniPolarPlot::MiniPolarPlot(PredictedPass pass, QWidget* parent)
    : QWidget(parent), pass_(std::move(pass))
{
    setMinimumSize(60, 60);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TranslucentBackground);
}

void MiniPolarPlot::setPass(PredictedPass pass)
{
    pass_ = std::move(pass);
    update();
}

double MiniPolarPlot::plotRadius(double width, double height)
{
    return std::min(width, height) / 2.0 - 2.0;
}

void MiniPolarPlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paint(p, QRectF(rect()), pass_.trackPoints);
}

void MiniPolarPlot::paint(QPainter& p, const QRectF& area, const std::vector<PassPoint>& points)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double w = area.width();
    const double h = area.height();
    const QPointF c = area.center();
    const double r = plotRadius(w, h);

    QColor gray(kGray);
    gray.setAlphaF(0.3);
    p.setPen(QPen(gray, 0.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r, r);

    QColor faint(kGray);
    faint.setAlphaF(0.15);
    p.setPen(QPen(faint, 0.5));
    p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
    p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));

    if (points.size() >= 2) {
        QPainterPath path;
        path.moveTo(polarPoint(points.front().azimuth, points.front().elevation, c, r));
        for (std::size_t i = 1; i < points.size(); ++i) {
            path.lineTo(polarPoint(points[i].azimuth, points[i].elevation, c, r));
        }
        p.setPen(QPen(kCyan, 1.5));
        p.drawPath(path);

        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawEllipse(polarPoint(points.front().azimuth, points.front().elevation, c, r), 2.5, 2.5);
        p.setBrush(kRed);
        p.drawEllipse(polarPoint(points.back().azimuth, points.back().elevation, c, r), 2.5, 2.5);
    }
    p.restore();
}

} // namespace zelvane
