#pragma once

#include "Oxlen/Math/point.h"
#include "spatial/numeric_helpers.h"

// Distance between grid points (internal to the grid and the refinement decisions).

namespace grid::detail {

/// Distance between two 3D points, computed without intermediate overflow or underflow
/// (`geometry::detail::overflow_safe_distance`), except that exactly coincident points are exactly
/// 0 apart. The grid compares gaps and lengths built from such distances (10 gap > length for the
/// closed flags, rates against a bound for the poles); a collapsed isoline, a pole or an axis with
/// a single isoline must measure 0 there, not the smallest subnormal, or it could open a closed
/// axis.
/// @param[in] a first point
/// @param[in] b second point
/// @return the distance; NaN coordinates give NaN.
inline double GridDistance(const Oxlen::Math::point<double, 3>& a,
                           const Oxlen::Math::point<double, 3>& b) noexcept {
  if (a == b)
    return 0.0;
  return geometry::detail::overflow_safe_distance(a, b);
}

}  // namespace grid::detail
