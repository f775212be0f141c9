#pragma once

// The state announces a change before it stores the value, so a view reads
// it a turn later; a burst of changes (a tracking tick sets a dozen
// properties) then costs one refresh instead of a dozen.

#include <QTimer>

#include "catalog/observable.h"

namespace zelvane::ui_style {

// A zero-delay single-shot timer owned by the view; connect its timeout to
// the view's refresh.
QTimer* makeRefreshTimer(QObject* view);

// Starts the timer unless a refresh is already waiting.
void scheduleRefresh(QTimer* timer);

// Schedules a refresh on every notice of `changes`. The signal calls the
// slots it had when it began, so a view deleted part-way through a notice
// may still be called: the timer is guarded for that.
Signal<>::Connection refreshOnChange(Signal<>& changes, QTimer* timer);

} // namespace zelvane::ui_style
