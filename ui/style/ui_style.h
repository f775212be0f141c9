#pragma once

// Fonts and named colours used by every view folder, kept in one place so
// the windows cannot drift apart.

#include <QColor>
#include <QFont>
#include <QPoint>

#include <functional>

class QEvent;
class QFrame;
class QModelIndex;
class QObject;
class QStyleOptionViewItem;
class QWidget;

namespace zelvane::ui_style {

// Every font size in the views is a length in logical pixels, like every
// other length there: a "15" title is 15 px high on a 1x screen and Qt's
// device-pixel scaling doubles it on a 2x one. Typographic points would make
// text a third larger than the boxes drawn around it at 96 dpi.

// The font at a size in logical pixels (rounded to whole pixels, the
// smallest being 1).
QFont withPixelSize(QFont font, double pixels);

// The proportional or fixed-pitch system font at a size in logical pixels.
// Without a weight the font keeps the weight unset, so a widget still
// inherits its parent's weight.
QFont systemFont(double pixelSize);
QFont systemFont(double pixelSize, QFont::Weight weight);
QFont monoFont(double pixelSize);
QFont monoFont(double pixelSize, QFont::Weight weight);

// Paints the widget's own background in the colour (its palette's window
// role, with automatic fill on).
void fillBackground(QWidget* widget, const QColor& color);

// A thin divider line in the text colour at 15 % opacity, across or down.
QFrame* divider(Qt::Orientation orientation, QWidget* parent);

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

// For a painting delegate's event filter on its view's viewport: on a mouse
// move, shows the pointing hand while the pointer is over one of the row's
// clickable controls, as `isControl` tells for the row under it. Never
// consumes the event.
bool pointAtRowControls(QObject* viewport, QEvent* event,
                        const std::function<bool(const QStyleOptionViewItem&, const QModelIndex&, QPoint)>& isControl);

} // namespace zelvane::ui_style
