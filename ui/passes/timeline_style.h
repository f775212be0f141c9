#pragma once

// The names the timeline, the favourites panel and the pass list use for
// the fonts and colours every window shares (ui/style).

#include "ui/style/ui_style.h"

namespace zelvane::timeline_style {

using ui_style::appFont;
using ui_style::controlBackground;
using ui_style::monoFont;
using ui_style::primaryText;
using ui_style::satelliteColor;
using ui_style::secondaryText;
using ui_style::windowBackground;
using ui_style::colors::blue;
using ui_style::colors::cyan;
using ui_style::colors::gray;
using ui_style::colors::green;
using ui_style::colors::orange;
using ui_style::colors::red;
using ui_style::colors::yellow;

} // namespace zelvane::timeline_style
