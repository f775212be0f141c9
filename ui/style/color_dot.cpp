#include "ui/style/color_dot.h"

#include <QPainter>

#include <cmath>

namespace zelvane::ui_style {

ColorDot::ColorDot(double diameter, QWidget* parent) : ColorDot(QColor(Qt::gray), diameter, parent) {}

ColorDot::ColorDot(const QColor& color, double diameter, QWidget* parent)
    : QWidget(parent), diameter_(diameter), color_(color)
{
    setFixedSize(sizeHint());
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ColorDot::setColor(const QColor& color)
{
    if (color != color_) {
        color_ = color;
        update();
    }
}

QSize ColorDot::sizeHint() const
{
    const int side = static_cast<int>(std::ceil(diameter_));
    return {side, side};
}

void ColorDot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color_);
    const QPointF centre = QRectF(rect()).center();
    p.drawEllipse(centre, diameter_ / 2, diameter_ / 2);
}

} // namespace zelvane::ui_style
