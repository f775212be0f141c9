#include "ui/passes/timeline_widgets.h"

#include <QFrame>
#include <QPainter>

namespace zelvane {

TimelineColorDot::TimelineColorDot(QColor color, int diameter, QWidget* parent)
    : QWidget(parent), color_(color)
{
    setFixedSize(diameter, diameter);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TimelineColorDot::setColor(QColor color)
{
    if (color != color_) {
        color_ = color;
        update();
    }
}

void TimelineColorDot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color_);
    p.drawEllipse(QRectF(rect()));
}

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    if (palette.color(QPalette::WindowText) == color && palette.color(QPalette::ButtonText) == color) {
        return;
    }
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

QWidget* makeTimelineDivider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(1);
    QPalette palette = line->palette();
    QColor c = palette.color(QPalette::WindowText);
    c.setAlphaF(0.15f);
    palette.setColor(QPalette::WindowText, c);
    line->setPalette(palette);
    return line;
}

} // namespace zelvane
