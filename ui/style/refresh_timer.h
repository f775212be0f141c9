#pragma once

// The state announces a change before it stores the value, so a view reads
// it a turn later; a burst of changes (a tracking tick sets a dozen
// properties) then costs one refresh instead of a dozen. A view that shows
// only part of the state can also keep a record of what it shows and skip
// the refreshes that would draw the same thing again.

#include <QTimer>

#include <cstdint>
#include <optional>
#include <utility>

#include "base/signal.h"

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

// Remembers what a view last drew from: a plain record of exactly the
// values it shows (clock-derived ones included), compared by value. A field
// left out of the record is a compile-time omission one can see, not a
// silently stale view.
template <class Shown>
class ShownGate {
public:
    // True on the first call and whenever `now` differs from the record of
    // the previous call.
    bool changed(Shown now)
    {
        if (last_ && *last_ == now) {
            return false;
        }
        last_ = std::move(now);
        return true;
    }
    // The next call is true whatever it is given (after the view's look
    // changed in a way the record does not hold, such as a resize).
    void forget() { last_.reset(); }
    const std::optional<Shown>& shown() const { return last_; }

private:
    std::optional<Shown> last_;
};

// The clock's minute, counted from 1970: what views showing element ages
// follow the clock by.
std::int64_t currentMinute();

// What a view's look depends on besides its own controls: the state's
// revision (every change but the tracking read-outs) and the clock's
// minute (the element ages). While it stands still, a change notice (a
// tracking tick) has nothing new for the view, which then skips even the
// comparing of its rows.
struct LookedAt {
    std::uint64_t revision = 0;
    std::int64_t minute = 0;
    bool operator==(const LookedAt&) const = default;
};
LookedAt lookedAt(std::uint64_t revision);

} // namespace zelvane::ui_style
