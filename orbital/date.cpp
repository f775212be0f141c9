#include "orbital/date.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>

namespace zelvane {

namespace {
constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
constexpr std::int64_t kNanosPerDay = 86'400 * kNanosPerSecond;

// Rounds a nanosecond count held as a double to an integer, saturating.
std::int64_t saturatingNanos(double ns)
{
    constexpr double lo = -9.2e18;
    constexpr double hi = 9.2e18;
    if (std::isnan(ns)) {
        return 0;
    }
    if (ns <= lo) {
        return static_cast<std::int64_t>(lo);
    }
    if (ns >= hi) {
        return static_cast<std::int64_t>(hi);
    }
    return static_cast<std::int64_t>(std::llround(ns));
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

std::atomic<bool> g_fixed{false};
std::atomic<std::int64_t> g_fixedNs{0};
} // namespace

std::optional<Date> Date::fromSecondsSince1970(double seconds)
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > 9.2e9) {
        return std::nullopt;
    }
    return Date(static_cast<std::int64_t>(std::llround(seconds * 1e9)));
}

Date Date::now()
{
    return Clock::now();
}

double Date::timeIntervalSince1970() const
{
    // Split so that the whole seconds keep their precision.
    const std::int64_t whole = floorDiv(ns_, kNanosPerSecond);
    const std::int64_t frac = ns_ - whole * kNanosPerSecond;
    return static_cast<double>(whole) + static_cast<double>(frac) / 1e9;
}

double Date::timeIntervalSince(Date other) const
{
    // Differences of instants within the representable range fit in int64
    // for any realistic pair; compute in integers first to keep precision.
    const __int128 diff = static_cast<__int128>(ns_) - static_cast<__int128>(other.ns_);
    const auto whole = static_cast<std::int64_t>(diff / kNanosPerSecond);
    const auto frac = static_cast<std::int64_t>(diff % kNanosPerSecond);
    return static_cast<double>(whole) + static_cast<double>(frac) / 1e9;
}

Date Date::addingTimeInterval(double seconds) const
{
    if (std::isnan(seconds)) {
        return *this;
    }
    const std::int64_t step = saturatingNanos(seconds * 1e9);
    std::int64_t result = 0;
    if (__builtin_add_overflow(ns_, step, &result)) {
        result = step > 0 ? std::numeric_limits<std::int64_t>::max()
                          : std::numeric_limits<std::int64_t>::min();
    }
    return Date(result);
}

std::optional<std::int64_t> daysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day)
{
    // Keep every intermediate far from overflow.
    constexpr std::int64_t limit = 1'000'000'000;
    if (year < -limit || year > limit || month < -limit || month > limit || day < -limit * 400 ||
        day > limit * 400) {
        return std::nullopt;
    }
    // Fold the month into the year first so that month 13 is January next year.
    const std::int64_t m0 = month - 1;
    year += floorDiv(m0, 12);
    const std::int64_t m = m0 - floorDiv(m0, 12) * 12 + 1; // 1..12

    // Days from civil for day 1 of the month, then add the day offset.
    const std::int64_t y = m <= 2 ? year - 1 : year;
    const std::int64_t era = floorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (m + 9) % 12; // March = 0
    const std::int64_t doy = (153 * mp + 2) / 5;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t firstOfMonth = era * 146097 + doe - 719468;
    return firstOfMonth + (day - 1);
}

std::optional<Date> utcMidnight(std::int64_t year, std::int64_t month, std::int64_t day)
{
    const auto days = daysFromCivil(year, month, day);
    if (!days) {
        return std::nullopt;
    }
    std::int64_t ns = 0;
    if (__builtin_mul_overflow(*days, kNanosPerDay, &ns)) {
        return std::nullopt;
    }
    return Date::fromNanosecondsSince1970(ns);
}

UtcFields utcFields(Date date)
{
    const std::int64_t ns = date.nanosecondsSince1970();
    const std::int64_t days = floorDiv(ns, kNanosPerDay);
    std::int64_t rem = ns - days * kNanosPerDay;

    UtcFields f;
    f.hour = rem / (3600 * kNanosPerSecond);
    rem -= f.hour * 3600 * kNanosPerSecond;
    f.minute = rem / (60 * kNanosPerSecond);
    rem -= f.minute * 60 * kNanosPerSecond;
    f.second = rem / kNanosPerSecond;
    f.nanosecond = rem - f.second * kNanosPerSecond;

    // Civil date from a day count (proleptic Gregorian, eras of 400 years).
    const std::int64_t z = days + 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    f.day = doy - (153 * mp + 2) / 5 + 1;
    f.month = mp < 10 ? mp + 3 : mp - 9;
    f.year = yoe + era * 400 + (f.month <= 2 ? 1 : 0);
    return f;
}

namespace Clock {
Date now()
{
    if (g_fixed.load(std::memory_order_acquire)) {
        return Date::fromNanosecondsSince1970(g_fixedNs.load(std::memory_order_relaxed));
    }
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return Date::fromNanosecondsSince1970(
        std::chrono::duration_cast<std::chrono::nanoseconds>(since).count());
}

void setFixed(Date date)
{
    g_fixedNs.store(date.nanosecondsSince1970(), std::memory_order_relaxed);
    g_fixed.store(true, std::memory_order_release);
}

void clearFixed()
{
    g_fixed.store(false, std::memory_order_release);
}
} // namespace Clock

} // namespace zelvane
