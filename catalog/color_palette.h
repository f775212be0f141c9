#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zelvane {

// A colour as sRGB components between 0 and 1; the views turn it into their
// toolkit's colour type.
struct SRGBColor {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 1.0;

    friend bool operator==(const SRGBColor&, const SRGBColor&) = default;
};

// Every catalogue entry's colour, fixed by its catalogue number alone so that
// a satellite looks the same in every view and on every launch.
namespace SatelliteColorPalette {

inline constexpr std::size_t colorCount = 16;

const std::array<SRGBColor, colorCount>& colors();
// The table entry of a catalogue number: id mod 16, negative numbers
// wrapping from the end (the Sun, -1, takes the last entry).
std::size_t index(std::int64_t id);
SRGBColor color(std::int64_t id);

} // namespace SatelliteColorPalette
} // namespace zelvane
