#include "catalog/color_palette.h"

namespace zelvane::SatelliteColorPalette {

const std::array<SRGBColor, colorCount>& colors()
{
    static constexpr std::array<SRGBColor, colorCount> table{{
        {0.0, 1.0, 0.0, 1.0},
        {1.0, 0.2, 0.2, 1.0},
        {0.2, 0.6, 1.0, 1.0},
        {1.0, 1.0, 0.0, 1.0},
        {1.0, 0.0, 1.0, 1.0},
        {0.0, 1.0, 1.0, 1.0},
        {1.0, 0.5, 0.0, 1.0},
        {0.6, 0.4, 1.0, 1.0},
        {1.0, 0.75, 0.8, 1.0},
        {0.5, 1.0, 0.0, 1.0},
        {0.0, 0.7, 0.5, 1.0},
        {1.0, 0.85, 0.4, 1.0},
        {0.8, 0.2, 0.5, 1.0},
        {0.4, 0.8, 1.0, 1.0},
        {0.9, 0.6, 0.0, 1.0},
        {0.0, 0.9, 0.4, 1.0},
    }};
    return table;
}

std::size_t index(std::int64_t id)
{
    constexpr auto count = static_cast<std::int64_t>(colorCount);
    // The remainder takes the sign of id; adding the count afterwards keeps
    // even the smallest 64-bit id in range without overflow.
    return static_cast<std::size_t>((id % count + count) % count);
}

SRGBColor color(std::int64_t id)
{
    return colors()[index(id)];
}

} // namespace zelvane::SatelliteColorPalette
