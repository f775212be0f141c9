#pragma once

// Fonts, colours and small painted glyphs shared by the main window and the
// detail panel.

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>

#include <string>

#include "ui/style/ui_style.h"

class QLabel;
class QWidget;

namespace zelvane::shell {

// The system font, or its fixed-pitch design, at a size in logical pixels.
QFont systemFont(double pixelSize, QFont::Weight weight = QFont::Normal);
QFont monoFont(double pixelSize, QFont::Weight weight = QFont::Normal);

// Named colours, picked to read on both light and dark window colours.
QColor secondaryColor(const QWidget* widget);
QColor greenColor();
QColor redColor();
QColor orangeColor();
QColor yellowColor();
QColor cyanColor();
QColor purpleColor();
QColor grayColor();

void setTextColor(QWidget* widget, const QColor& color);
QLabel* makeLabel(const QString& text, const QFont& font, QWidget* parent = nullptr);

inline QString qs(const std::string& text) { return QString::fromStdString(text); }

// Small icons drawn at run time: the toolkit has no symbol set of its own
// for these.
enum class Glyph { browserGrid, satellite, refresh, gear };
QIcon glyphIcon(Glyph glyph, const QColor& color, int size = 16);

} // namespace zelvane::shell
