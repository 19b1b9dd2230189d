#pragma once

#include <cmath>
#include <cstddef>

#include "Oxlen/Math/point.h"

namespace Oxlen::Math {

/// The largest magnitude that a coordinate, length or parameter of a geometric entity may have:
/// 1e100. Entities evaluate in internal units (10000 times model units) and square and sum their
/// coordinates (distances, point inversion, areas); below this bound every such square stays
/// far inside the double range, while a coordinate near 1e300 would overflow it and turn
/// distances infinite.
inline constexpr double kMaxCoordinate = 1e100;

/// True when `value` is finite and at most `kMaxCoordinate` in magnitude (false for NaN).
inline bool is_within_coordinate_limit(double value) {
  return std::fabs(value) <= kMaxCoordinate;
}

/// True when every coordinate of `p` is within the coordinate limit.
template <class T, std::size_t N>
bool is_within_coordinate_limit(const point<T, N>& p) {
  for (std::size_t i = 0; i < N; ++i)
    if (!is_within_coordinate_limit(static_cast<double>(p[i])))
      return false;
  return true;
}

}  // namespace Oxlen::Math
