#include "ui/style/ui_style.h"

#include <algorithm>
#include <cmath>

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QStyleOptionViewItem>
#include <QWidget>

#include "catalog/color_palette.h"

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

QFont systemFont(double pixelSize, QFont::Weight weight)
{
    return weighted(sized(QFontDatabase::GeneralFont, pixelSize), weight);
}

QFont monoFont(double pixelSize, QFont::Weight weight)
{
    return weighted(sized(QFontDatabase::FixedFont, pixelSize), weight);
}

QFont appFont(double pixelSize, QFont::Weight weight)
{
    return weighted(withPixelSize(QGuiApplication::font(), pixelSize), weight);
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

QFrame* sunkenDivider(Qt::Orientation orientation, QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(orientation == Qt::Horizontal ? QFrame::HLine : QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QColor primaryText(const QPalette& palette, double opacity)
{
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

QColor secondaryText(const QPalette& palette, double opacity)
{
    return primaryText(palette, 0.55 * opacity);
}

QColor secondaryText(const QWidget* widget)
{
    return secondaryText(widget != nullptr ? widget->palette() : QPalette());
}

QColor windowBackground(const QPalette& palette) { return palette.color(QPalette::Window); }

QColor controlBackground(const QPalette& palette) { return palette.color(QPalette::Base); }

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

QLabel* makeLabel(const QString& text, const QFont& font, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    return label;
}

QLabel* makeLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent)
{
    QLabel* label = makeLabel(text, font, parent);
    if (color.isValid()) {
        setTextColor(label, color);
    }
    return label;
}

QColor withAlpha(QColor color, double alpha)
{
    // An opacity worked out by arithmetic may land a hair outside 0 to 1:
    // it takes the nearest end, without a warning from the toolkit.
    color.setAlphaF(static_cast<float>(std::clamp(alpha, 0.0, 1.0)));
    return color;
}

QColor satelliteColor(std::int64_t id, double opacity)
{
    const SRGBColor c = SatelliteColorPalette::color(id);
    return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green), static_cast<float>(c.blue),
                            static_cast<float>(c.alpha * opacity));
}

namespace colors {
QColor green(double opacity) { return withAlpha(QColor(52, 199, 89), opacity); }
QColor yellow(double opacity) { return withAlpha(QColor(255, 204, 0), opacity); }
QColor red(double opacity) { return withAlpha(QColor(255, 59, 48), opacity); }
QColor orange(double opacity) { return withAlpha(QColor(255, 149, 0), opacity); }
QColor cyan(double opacity) { return withAlpha(QColor(50, 173, 230), opacity); }
QColor blue(double opacity) { return withAlpha(QColor(0, 122, 255), opacity); }
QColor purple(double opacity) { return withAlpha(QColor(175, 82, 222), opacity); }
QColor gray(double opacity) { return withAlpha(QColor(142, 142, 147), opacity); }
} // namespace colors

namespace textColors {
QColor green() { return QColor(40, 175, 75); }
QColor red() { return QColor(225, 55, 45); }
QColor orange() { return QColor(245, 140, 0); }
QColor yellow() { return QColor(215, 170, 0); }
QColor cyan() { return QColor(0, 165, 200); }
QColor purple() { return QColor(170, 80, 215); }
QColor gray() { return colors::gray(); }
} // namespace textColors

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
