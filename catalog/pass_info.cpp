#include "catalog/pass_info.h"

#include <array>
#include <ctime>
#include <utility>

#include "catalog/satellite.h"
#include "orbital/numeric_text.h"
#include "platform/uuid.h"

namespace zelvane {

namespace {

std::string twoDigits(std::int64_t value)
{
    std::string text = std::to_string(value);
    if (value >= 0 && value < 10) {
        text.insert(text.begin(), '0');
    }
    return text;
}

std::string clockText(std::int64_t hour, std::int64_t minute, std::int64_t second)
{
    return twoDigits(hour) + ":" + twoDigits(minute) + ":" + twoDigits(second);
}

// Whole seconds of an instant, rounded down (the clock shows the second
// that has begun, also before 1970).
std::int64_t floorSeconds(Date date)
{
    const std::int64_t ns = date.nanosecondsSince1970();
    std::int64_t s = ns / 1'000'000'000;
    if (ns % 1'000'000'000 < 0) {
        --s;
    }
    return s;
}

} // namespace

std::string formatTimeUTC(Date date)
{
    const UtcFields f = utcFields(date);
    return clockText(f.hour, f.minute, f.second);
}

std::string formatTimeLocal(Date date)
{
    // Re-read the zone on every call so a change of the system's zone shows
    // at once.
    ::tzset();
    const auto seconds = static_cast<std::time_t>(floorSeconds(date));
    std::tm local{};
    if (::localtime_r(&seconds, &local) == nullptr) {
        return formatTimeUTC(date);
    }
    return clockText(local.tm_hour, local.tm_min, local.tm_sec);
}

PassInfo::PassInfo(std::shared_ptr<Satellite> satellite_, PredictedPass pass_,
                   std::optional<Transmitter> transmitter_)
    : id(platform::newUuidString()),
      satellite(std::move(satellite_)),
      pass(std::move(pass_)),
      transmitter(std::move(transmitter_))
{
}

std::string PassInfo::satName() const
{
    return satellite ? satellite->name : std::string();
}

std::int64_t PassInfo::noradId() const
{
    return satellite ? satellite->id : 0;
}

std::string PassInfo::riseTimeUTC() const { return formatTimeUTC(pass.riseTime) + " UTC"; }
std::string PassInfo::peakTimeUTC() const { return formatTimeUTC(pass.peakTime) + " UTC"; }
std::string PassInfo::setTimeUTC() const { return formatTimeUTC(pass.setTime) + " UTC"; }
std::string PassInfo::riseTimeLocal() const { return formatTimeLocal(pass.riseTime); }
std::string PassInfo::peakTimeLocal() const { return formatTimeLocal(pass.peakTime); }
std::string PassInfo::setTimeLocal() const { return formatTimeLocal(pass.setTime); }

std::string PassInfo::durationString() const
{
    // A duration with no whole-number form shows as 0m 00s rather than
    // failing.
    const std::int64_t minutes = truncateToInt64(pass.duration / 60.0).value_or(0);
    const std::int64_t seconds = truncateToInt64(pass.duration).value_or(0) % 60;
    return std::to_string(minutes) + "m " + twoDigits(seconds) + "s";
}

std::string PassInfo::maxElString() const
{
    return formatFixed(pass.maxElevation, 1) + "\u00b0";
}

std::string PassInfo::directionString() const
{
    return compassDirection(pass.riseAzimuth) + " \u2192 " + compassDirection(pass.setAzimuth);
}

std::string PassInfo::compassDirection(double azimuth)
{
    static const std::array<const char*, 16> names{"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                                   "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};
    // Azimuths come from the look-angle routines (0 to 360); anything else
    // still lands on a valid name: negative sectors wrap around, and a value
    // without a whole-number form reads as north.
    const std::int64_t sector = truncateToInt64((azimuth + 11.25) / 22.5).value_or(0);
    const std::int64_t index = (sector % 16 + 16) % 16;
    return names[static_cast<std::size_t>(index)];
}

bool passTimesOverlap(Date riseA, Date setA, Date riseB, Date setB)
{
    // A pass cut to nothing (rise == set) still matches the pass around it.
    const Date endA = setA > riseA ? setA : riseA.addingTimeInterval(1e-3);
    const Date endB = setB > riseB ? setB : riseB.addingTimeInterval(1e-3);
    return riseA < endB && riseB < endA;
}

bool samePass(std::int64_t satelliteA, const PredictedPass& a, std::int64_t satelliteB, const PredictedPass& b)
{
    return satelliteA == satelliteB && passTimesOverlap(a.riseTime, a.setTime, b.riseTime, b.setTime);
}

bool samePass(const PassInfo& a, const PassInfo& b)
{
    return samePass(a.noradId(), a.pass, b.noradId(), b.pass);
}

} // namespace zelvane
