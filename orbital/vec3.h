#pragma once

#include <array>

namespace zelvane {

// A Cartesian 3-vector (x, y, z); units depend on the use (km, km/s).
using Vec3 = std::array<double, 3>;

} // namespace zelvane
