#pragma once

// The browser's own painted glyphs and its tints, over the fonts, colours
// and labels every window shares (ui/style).

#include <QColor>
#include <QIcon>
#include <QString>
#include <QWidget>

#include <string>

#include "ui/browser/browser_model.h"
#include "ui/style/color_dot.h"
#include "ui/style/ui_style.h"

namespace zelvane::browser {

using ui_style::ColorDot;
using ui_style::makeLabel;
using ui_style::monoFont;
using ui_style::qs;
using ui_style::satelliteColor;
using ui_style::withAlpha;
namespace colors = ui_style::colors;

QColor tintColor(Tint tint);

// A small "i" in a circle, for information buttons.
QIcon infoIcon(const QColor& color, int size = 14);

} // namespace zelvane::browser
