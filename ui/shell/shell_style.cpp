#include "ui/shell/shell_style.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace zelvane::shell {

QIcon glyphIcon(Glyph glyph, const QColor& color, int size)
{
    QPixmap pixmap(size * 2, size * 2);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    QPen pen(color, s / 12.0);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    switch (glyph) {
    case Glyph::browserGrid: {
        const double cell = s * 0.34;
        const double gap = s * 0.1;
        const double origin = (s - 2 * cell - gap) / 2;
        for (int row = 0; row < 2; ++row) {
            for (int col = 0; col < 2; ++col) {
                p.drawRoundedRect(QRectF(origin + col * (cell + gap), origin + row * (cell + gap), cell, cell),
                                  s * 0.05, s * 0.05);
            }
        }
        break;
    }
    case Glyph::satellite: {
        p.save();
        p.translate(s / 2, s / 2);
        p.setBrush(color);
        p.drawRoundedRect(QRectF(-s * 0.12, -s * 0.16, s * 0.24, s * 0.32), s * 0.04, s * 0.04);
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(-s * 0.12, 0), QPointF(-s * 0.2, 0));
        p.drawLine(QPointF(s * 0.12, 0), QPointF(s * 0.2, 0));
        p.setBrush(color);
        p.drawRect(QRectF(-s * 0.46, -s * 0.1, s * 0.26, s * 0.2));
        p.drawRect(QRectF(s * 0.2, -s * 0.1, s * 0.26, s * 0.2));
        p.restore();
        break;
    }
    case Glyph::refresh: {
        const QRectF box(s * 0.18, s * 0.18, s * 0.64, s * 0.64);
        p.drawArc(box, 60 * 16, 290 * 16);
        // Arrow head at the arc's open end (60° on the circle).
        const double angle = 60.0 * M_PI / 180.0;
        const QPointF tip(s / 2 + std::cos(angle) * s * 0.32, s / 2 - std::sin(angle) * s * 0.32);
        QPainterPath head;
        head.moveTo(tip + QPointF(s * 0.16, -s * 0.02));
        head.lineTo(tip + QPointF(-s * 0.02, -s * 0.14));
        head.lineTo(tip + QPointF(-s * 0.0, s * 0.12));
        head.closeSubpath();
        p.setBrush(color);
        p.drawPath(head);
        break;
    }
    case Glyph::gear: {
        p.save();
        p.translate(s / 2, s / 2);
        p.setBrush(color);
        QPainterPath teeth;
        for (int i = 0; i < 8; ++i) {
            QPainterPath tooth;
            tooth.addRect(QRectF(-s * 0.07, -s * 0.44, s * 0.14, s * 0.16));
            teeth.addPath(QTransform().rotate(i * 45.0).map(tooth));
        }
        QPainterPath ring;
        ring.addEllipse(QPointF(0, 0), s * 0.31, s * 0.31);
        QPainterPath hole;
        hole.addEllipse(QPointF(0, 0), s * 0.12, s * 0.12);
        p.setPen(Qt::NoPen);
        p.drawPath(teeth.united(ring).subtracted(hole));
        p.restore();
        break;
    }
    }
    p.end();
    return QIcon(pixmap);
}

} // namespace zelvane::shell
