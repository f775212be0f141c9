#include "ui/style/ui_style.h"

#include <algorithm>
#include <cmath>

#include <QAbstractItemView>
#include <QFrame>
#include <QMouseEvent>
#include <QStyleOptionViewItem>
#include <QPalette>
#include <QWidget>

#include <QFontDatabase>

namespace zelvane::ui_style {

namespace {

QFont sized(QFontDatabase::SystemFont kind, double pixelSize)
{
    return withPixelSize(QFontDatabase::systemFont(kind), pixelSize);
}

QFont weighted(QFont font, QFont::Weight weight)
{
    font.setWeight(weight);
    return font;
}

} // namespace

QFont withPixelSize(QFont font, double pixels)
{
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    return font;
}

QFont systemFont(double pixelSize) { return sized(QFontDatabase::GeneralFont, pixelSize); }

QFont systemFont(double pixelSize, QFont::Weight weight)
{
    return weighted(systemFont(pixelSize), weight);
}

QFont monoFont(double pixelSize) { return sized(QFontDatabase::FixedFont, pixelSize); }

QFont monoFont(double pixelSize, QFont::Weight weight)
{
    return weighted(monoFont(pixelSize), weight);
}

void fillBackground(QWidget* widget, const QColor& color)
{
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
}

QFrame* divider(Qt::Orientation orientation, QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(orientation == Qt::Horizontal ? QFrame::HLine : QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);
    QPalette palette = line->palette();
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.15f);
    palette.setColor(QPalette::WindowText, color);
    line->setPalette(palette);
    return line;
}

namespace colors {
QColor green() { return QColor(52, 199, 89); }
QColor yellow() { return QColor(255, 204, 0); }
QColor red() { return QColor(255, 59, 48); }
QColor orange() { return QColor(255, 149, 0); }
QColor cyan() { return QColor(50, 173, 230); }
QColor blue() { return QColor(0, 122, 255); }
QColor purple() { return QColor(175, 82, 222); }
QColor gray() { return QColor(142, 142, 147); }
} // namespace colors

bool pointAtRowControls(QObject* viewport, QEvent* event,
                        const std::function<bool(const QStyleOptionViewItem&, const QModelIndex&, QPoint)>& isControl)
{
    if (event->type() != QEvent::MouseMove) {
        return false;
    }
    auto* port = qobject_cast<QWidget*>(viewport);
    auto* view = port ? qobject_cast<QAbstractItemView*>(port->parentWidget()) : nullptr;
    if (!view) {
        return false;
    }
    const QPoint position = static_cast<QMouseEvent*>(event)->position().toPoint();
    const QModelIndex index = view->indexAt(position);
    bool onControl = false;
    if (index.isValid()) {
        QStyleOptionViewItem option;
        option.initFrom(port);
        option.widget = view;
        option.rect = view->visualRect(index);
        onControl = isControl(option, index, position);
    }
    if (onControl) {
        port->setCursor(Qt::PointingHandCursor);
    } else {
        port->unsetCursor();
    }
    return false;
}

} // namespace zelvane::ui_style
