#pragma once

// Fonts and named colours used by every view folder, kept in one place so
// the windows cannot drift apart.

#include <QColor>
#include <QFont>

class QWidget;

namespace zelvane::ui_style {

// The proportional or fixed-pitch system font at an explicit point size.
// Without a weight the font keeps the weight unset, so a widget still
// inherits its parent's weight.
QFont systemFont(double pointSize);
QFont systemFont(double pointSize, QFont::Weight weight);
QFont monoFont(double pointSize);
QFont monoFont(double pointSize, QFont::Weight weight);

// Paints the widget's own background in the colour (its palette's window
// role, with automatic fill on).
void fillBackground(QWidget* widget, const QColor& color);

// The desktop's standard accent colours, fully opaque.
namespace colors {
QColor green();
QColor yellow();
QColor red();
QColor orange();
QColor cyan();
QColor blue();
QColor purple();
QColor gray();
} // namespace colors

} // namespace zelvane::ui_style
