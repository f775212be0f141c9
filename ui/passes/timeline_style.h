#pragma once

// Colours and fonts shared by the timeline, the favourites panel and the
// pass list.

#include <cstdint>

#include <QColor>
#include <QFont>
#include <QPalette>

namespace zelvane::timeline_style {

// The desktop's standard accent colours.
QColor green(double opacity = 1.0);
QColor yellow(double opacity = 1.0);
QColor orange(double opacity = 1.0);
QColor red(double opacity = 1.0);
QColor cyan(double opacity = 1.0);
QColor blue(double opacity = 1.0);
QColor gray(double opacity = 1.0);

// Text colours of the running palette: primary and the dimmer secondary.
QColor primary(const QPalette& palette, double opacity = 1.0);
QColor secondary(const QPalette& palette, double opacity = 1.0);

// Background of header bars, and of charts and lists.
QColor windowBackground(const QPalette& palette);
QColor controlBackground(const QPalette& palette);

// A satellite's own colour, fixed by its catalogue number.
QColor satelliteColor(std::int64_t id, double opacity = 1.0);

// The system font at a size in logical pixels and a weight, optionally in
// its monospaced design.
QFont font(double pixelSize, QFont::Weight weight = QFont::Normal, bool monospaced = false);
inline QFont mono(double pixelSize, QFont::Weight weight = QFont::Normal)
{
    return font(pixelSize, weight, true);
}

// "color: rgba(...)" for a label's style sheet.
QString styleColor(const QColor& color);

} // namespace zelvane::timeline_style
