#include "ui/browser/browser_style.h"

#include <QPainter>

namespace zelvane::browser {

QColor tintColor(Tint tint)
{
    switch (tint) {
    case Tint::green:
        return colors::green();
    case Tint::yellow:
        return colors::yellow();
    case Tint::red:
        break;
    }
    return colors::red();
}

QIcon infoIcon(const QColor& color, int size)
{
    QPixmap pixmap(size * 2, size * 2);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    painter.setPen(QPen(color, s / 12.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QPointF(s / 2, s * 0.3), s * 0.065, s * 0.065);
    painter.drawRoundedRect(QRectF(s * 0.44, s * 0.42, s * 0.12, s * 0.34), s * 0.03, s * 0.03);
    painter.end();
    return QIcon(pixmap);
}

} // namespace zelvane::browser
