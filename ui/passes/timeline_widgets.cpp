#include "ui/passes/timeline_widgets.h"

#include <QFrame>
#include <QPainter>

#include "ui/style/ui_style.h"

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
    QFrame* line = ui_style::divider(Qt::Horizontal, parent);
    line->setFixedHeight(1);
    return line;
}

} // namespace zelvane
