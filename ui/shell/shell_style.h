#pragma once

// The main window's own painted glyphs, over the fonts, colours and labels
// every window shares (ui/style).

#include <QColor>
#include <QIcon>
#include <QString>

#include <string>

#include "ui/style/ui_style.h"

namespace zelvane::shell {

using ui_style::makeLabel;
using ui_style::monoFont;
using ui_style::qs;
using ui_style::setTextColor;
using ui_style::systemFont;

// Small icons drawn at run time: the toolkit has no symbol set of its own
// for these.
enum class Glyph { browserGrid, satellite, refresh, gear };
QIcon glyphIcon(Glyph glyph, const QColor& color, int size = 16);

} // namespace zelvane::shell
