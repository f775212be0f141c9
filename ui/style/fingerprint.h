#pragma once

// Folds the values a view draws from into one number. Kept for the pass list
// only, which is moving to a model that needs no gate.

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>

namespace zelvane::ui_style {

// Folds the values a view draws from into one number (a text by its length
// and hash), so that two refreshes can be told apart cheaply.
class Fingerprint {
public:
    Fingerprint& add(std::string_view text)
    {
        mix(text.size());
        mix(std::hash<std::string_view>{}(text));
        return *this;
    }
    Fingerprint& add(double value)
    {
        if (value == 0.0) {
            value = 0.0;
        } else if (value != value) {
            value = std::numeric_limits<double>::quiet_NaN();
        }
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        mix(bits);
        return *this;
    }
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
    Fingerprint& add(const void* object)
    {
        mix(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(object)));
        return *this;
    }
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
    bool changed(std::uint64_t fingerprint)
    {
        if (last_ && *last_ == fingerprint) {
            return false;
        }
        last_ = fingerprint;
        return true;
    }
    // The next call is true whatever it is given (after the view's look
    // changed in a way the fingerprint does not hold, such as a resize).
    void forget() { last_.reset(); }

private:
    std::optional<std::uint64_t> last_;
};

} // namespace zelvane::ui_style
