#pragma once

#include <compare>
#include <cstdint>
#include <optional>

namespace zelvane {

// One instant in UTC, the program's only time type. Held as whole
// nanoseconds since 1970-01-01 00:00:00 UTC so that comparisons and
// sorting are exact and the sub-second part survives to the nanosecond.
class Date {
public:
    constexpr Date() = default;

    static constexpr Date fromNanosecondsSince1970(std::int64_t ns) { return Date(ns); }
    // Seconds that are not finite or do not fit give no date.
    static std::optional<Date> fromSecondsSince1970(double seconds);
    // The current instant of the program's clock (see Clock).
    static Date now();

    constexpr std::int64_t nanosecondsSince1970() const { return ns_; }
    double timeIntervalSince1970() const;
    // Seconds from `other` to this instant (positive when this is later).
    double timeIntervalSince(Date other) const;
    // This instant moved by the given seconds, rounded to the nanosecond.
    // A step that is not finite, or that would leave the representable
    // range, saturates at the range's end rather than wrapping.
    Date addingTimeInterval(double seconds) const;

    friend constexpr auto operator<=>(const Date&, const Date&) = default;
    friend constexpr bool operator==(const Date&, const Date&) = default;

private:
    constexpr explicit Date(std::int64_t ns) : ns_(ns) {}
    std::int64_t ns_ = 0;
};

// The UTC calendar fields of an instant (proleptic Gregorian calendar).
struct UtcFields {
    std::int64_t year = 1970;
    std::int64_t month = 1;   // 1..12
    std::int64_t day = 1;     // 1..31
    std::int64_t hour = 0;
    std::int64_t minute = 0;
    std::int64_t second = 0;
    std::int64_t nanosecond = 0;
};

UtcFields utcFields(Date date);

// Days since 1970-01-01 of a proleptic Gregorian date; month and day may lie
// outside their usual ranges and run on into neighbouring months and years.
std::optional<std::int64_t> daysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day);

// The instant of midnight UTC beginning the given date (fields may overflow
// into later or earlier months as with daysFromCivil). Absent when outside
// the representable range.
std::optional<Date> utcMidnight(std::int64_t year, std::int64_t month, std::int64_t day);

// The clock the whole program reads. Tests may pin it to a fixed instant.
namespace Clock {
Date now();
void setFixed(Date date);
void clearFixed();
} // namespace Clock

} // namespace zelvane
