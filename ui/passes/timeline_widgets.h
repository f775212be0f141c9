#pragma once

// Small pieces shared by the timeline, the favourites panel and the pass
// list; their text colours are set as in every other window.

#include <QWidget>

#include "ui/style/ui_style.h"

namespace zelvane {

using ui_style::setTextColor;

// A thin horizontal separator line.
QWidget* makeTimelineDivider(QWidget* parent = nullptr);

} // namespace zelvane
