#pragma once

// Fonts, colours, dividers and labels used by every view folder, kept in
// one place so the windows cannot drift apart.

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class QEvent;
class QFrame;
class QLabel;
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

// The proportional or fixed-pitch system font at a size in logical pixels
// and a weight.
QFont systemFont(double pixelSize, QFont::Weight weight = QFont::Normal);
QFont monoFont(double pixelSize, QFont::Weight weight = QFont::Normal);
// The application's font (the system's unless the program set another) at
// a size in logical pixels and a weight.
QFont appFont(double pixelSize, QFont::Weight weight = QFont::Normal);

// Paints the widget's own background in the colour (its palette's window
// role, with automatic fill on).
void fillBackground(QWidget* widget, const QColor& color);

// A thin divider line in the text colour at 15 % opacity, across or down.
QFrame* divider(Qt::Orientation orientation, QWidget* parent);
// The style's own sunken line, across or down, as sheets and lists use it.
QFrame* sunkenDivider(Qt::Orientation orientation, QWidget* parent);

// Text colours of a palette at an opacity: the primary one and the dimmer
// secondary one (the primary at 55 %). A widget's own palette, or the
// application's without one.
QColor primaryText(const QPalette& palette, double opacity = 1.0);
QColor secondaryText(const QPalette& palette, double opacity = 1.0);
QColor secondaryText(const QWidget* widget = nullptr);
// Background of header bars, and of charts and lists.
QColor windowBackground(const QPalette& palette);
QColor controlBackground(const QPalette& palette);

// A UTF-8 text of the logic's as the toolkit's text.
inline QString qs(const std::string& text) { return QString::fromStdString(text); }

// Sets a widget's text colours (plain, field and button text).
void setTextColor(QWidget* widget, const QColor& color);
// A label of plain text in a font, and in a colour when one is given.
QLabel* makeLabel(const QString& text, const QFont& font, QWidget* parent = nullptr);
QLabel* makeLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent = nullptr);

// The colour at an opacity (its own alpha replaced), held within 0 to 1.
QColor withAlpha(QColor color, double alpha);
// A satellite's own colour, fixed by its catalogue number.
QColor satelliteColor(std::int64_t id, double opacity = 1.0);

// The desktop's standard accent colours, at an opacity.
namespace colors {
QColor green(double opacity = 1.0);
QColor yellow(double opacity = 1.0);
QColor red(double opacity = 1.0);
QColor orange(double opacity = 1.0);
QColor cyan(double opacity = 1.0);
QColor blue(double opacity = 1.0);
QColor purple(double opacity = 1.0);
QColor gray(double opacity = 1.0);
} // namespace colors

// Deeper accents for text and small glyphs of the main window, picked to
// read on both light and dark window colours.
namespace textColors {
QColor green();
QColor red();
QColor orange();
QColor yellow();
QColor cyan();
QColor purple();
QColor gray();
} // namespace textColors

// For a painting delegate's event filter on its view's viewport: on a mouse
// move, shows the pointing hand while the pointer is over one of the row's
// clickable controls, as `isControl` tells for the row under it. Never
// consumes the event.
bool pointAtRowControls(QObject* viewport, QEvent* event,
                        const std::function<bool(const QStyleOptionViewItem&, const QModelIndex&, QPoint)>& isControl);

} // namespace zelvane::ui_style
