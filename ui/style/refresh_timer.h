#pragma once

// The state announces a change before it stores the value, so a view reads
// it a turn later; a burst of changes (a tracking tick sets a dozen
// properties) then costs one refresh instead of a dozen. A view that shows
// only part of the state can also fold what it shows into a fingerprint and
// skip the refreshes that would draw the same thing again.

#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

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

// Folds the values a view draws from into one number (a text by its length
// and hash), so that two refreshes can be told apart cheaply.
class Fingerprint {
public:
    Fingerprint& add(std::string_view text);
    Fingerprint& add(double value);
    Fingerprint& add(std::int64_t value)
    {
        mix(static_cast<std::uint64_t>(value));
        return *this;
    }
    Fingerprint& add(std::uint64_t value)
    {
        mix(value);
        return *this;
    }
    Fingerprint& add(bool value) { return add(static_cast<std::int64_t>(value)); }
    Fingerprint& add(const void* object);
    std::uint64_t value() const { return hash_; }

private:
    // One multiply per value, with the high bits folded back down: a view
    // with thousands of rows folds its whole list on every change notice.
    void mix(std::uint64_t word)
    {
        hash_ = (hash_ ^ word) * 0x9e3779b97f4a7c15ull;
        hash_ ^= hash_ >> 29;
    }
    std::uint64_t hash_ = 14695981039346656037ull;
};

// Remembers the last fingerprint a view drew from.
class InputsGate {
public:
    // True on the first call and whenever the fingerprint differs from the
    // one of the previous call.
    bool changed(std::uint64_t fingerprint);
    // The next call is true whatever it is given (after the view's look
    // changed in a way the fingerprint does not hold, such as a resize).
    void forget() { last_.reset(); }

private:
    std::optional<std::uint64_t> last_;
};

} // namespace zelvane::ui_style
