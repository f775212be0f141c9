#include "ui/style/ui_style.h"

#include <QPalette>
#include <QWidget>

#include <QFontDatabase>

namespace zelvane::ui_style {

namespace {

QFont sized(QFontDatabase::SystemFont kind, double pointSize)
{
    QFont font = QFontDatabase::systemFont(kind);
    font.setPointSizeF(pointSize);
    return font;
}

QFont weighted(QFont font, QFont::Weight weight)
{
    font.setWeight(weight);
    return font;
}

} // namespace

QFont systemFont(double pointSize) { return sized(QFontDatabase::GeneralFont, pointSize); }

QFont systemFont(double pointSize, QFont::Weight weight)
{
    return weighted(systemFont(pointSize), weight);
}

QFont monoFont(double pointSize) { return sized(QFontDatabase::FixedFont, pointSize); }

QFont monoFont(double pointSize, QFont::Weight weight)
{
    return weighted(monoFont(pointSize), weight);
}

void fillBackground(QWidget* widget, const QColor& color)
{
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
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

} // namespace zelvane::ui_style
