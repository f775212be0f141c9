#include <QList>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "state/app_state.h"

namespace zelvane {

namespace {

constexpr const char* kUpperLetters = "ABCDEFGHIJKLMNOPQRSTUVWX";
constexpr const char* kLowerLetters = "abcdefghijklmnopqrstuvwx";

// A letter position of a locator: its offset from "A", for ASCII from "A" on.
// Letters past the alphabet are taken as they come (they give positions
// beyond the usual range); anything before "A" or outside ASCII has no
// meaning in a locator.
std::optional<std::int64_t> letterIndex(char32_t c)
{
    if (c < U'A' || c > 0x7F) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(c) - 65;
}

std::optional<std::int64_t> digitValue(char32_t c)
{
    if (c < U'0' || c > U'9') {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(c - U'0');
}

} // namespace

std::string AppState::toMaidenhead(double lat, double lon)
{
    if (!std::isfinite(lat) || !std::isfinite(lon) || lat < -90.0 || lat > 90.0 || lon < -180.0 ||
        lon > 180.0) {
        return {};
    }
    const double x = lon + 180.0;
    const double y = lat + 90.0;
    // Every value below is small and non-negative inside the accepted range.
    const auto whole = [](double v) { return static_cast<std::int64_t>(std::trunc(v)); };
    const std::int64_t a = whole(x / 20.0);
    const std::int64_t b = whole(y / 10.0);
    const double xRest = x - static_cast<double>(20 * a);
    const double yRest = y - static_cast<double>(10 * b);
    const std::int64_t c = whole(xRest / 2.0);
    const std::int64_t d = whole(yRest);
    const std::int64_t e = whole((xRest - static_cast<double>(2 * c)) * 12.0);
    const std::int64_t f = whole((yRest - static_cast<double>(d)) * 24.0);

    std::string text;
    text += kUpperLetters[std::min<std::int64_t>(a, 17)];
    text += kUpperLetters[std::min<std::int64_t>(b, 17)];
    text += static_cast<char>('0' + c);
    text += static_cast<char>('0' + d);
    text += kLowerLetters[std::min<std::int64_t>(e, 23)];
    text += kLowerLetters[std::min<std::int64_t>(f, 23)];
    return text;
}

std::optional<std::pair<double, double>> AppState::fromMaidenhead(std::string_view text)
{
    const QList<uint> chars =
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUpper().toUcs4();
    if (chars.size() < 4) {
        return std::nullopt;
    }
    const auto a = letterIndex(chars[0]);
    const auto b = letterIndex(chars[1]);
    const auto c = digitValue(chars[2]);
    const auto d = digitValue(chars[3]);
    if (!a || !b || !c || !d) {
        return std::nullopt;
    }
    const double fieldLon = static_cast<double>(20 * *a);
    const double fieldLat = static_cast<double>(10 * *b);
    const double squareLon = static_cast<double>(2 * *c);
    const double squareLat = static_cast<double>(*d);
    if (chars.size() < 6) {
        const double lon = fieldLon + squareLon - 180.0 + 1.0;
        const double lat = fieldLat + squareLat - 90.0 + 0.5;
        return std::pair{lat, lon};
    }
    const auto e = letterIndex(chars[4]);
    const auto f = letterIndex(chars[5]);
    if (!e || !f) {
        return std::nullopt;
    }
    const double lon =
        fieldLon + squareLon + static_cast<double>(*e) / 12.0 - 180.0 + 1.0 / 24.0;
    const double lat = fieldLat + squareLat + static_cast<double>(*f) / 24.0 - 90.0 + 1.0 / 48.0;
    return std::pair{lat, lon};
}

} // namespace zelvane
