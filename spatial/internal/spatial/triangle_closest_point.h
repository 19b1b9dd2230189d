#pragma once

#include <array>

#include "Oxlen/Math/point.h"

// Nearest point of a triangle by the region classification of the quadratic distance function
// (not exported).
//
// The library measures point-to-triangle distances two ways, for two needs:
// - geometry::ComputeSquaredDistanceBetweenPointAndTriangle (distances.h) compares the three
//   edge candidates and the interior foot in a fixed order, so that equally near candidates are
//   decided the same way every time: the trimmer gives each loop point to a child triangle by
//   it, and its ties must not depend on how the triangle happens to be parametrised.
// - SquaredDistanceToTriangle here classifies the minimum of the distance function into the
//   seven regions around the triangle and returns barycentric weights that vary continuously with
//   the point: the grid projects loop points onto the four-triangle surrogate of a quad with it,
//   and the projected parameters must not jump where two candidates tie.

namespace geometry::detail {

/// Squared distance from x to the filled triangle (p0, p1, p2) and the barycentric weights of the
/// nearest point, which is w0 p0 + w1 p1 + w2 p2.
///
/// With e0 = p1 - p0 and e1 = p2 - p0, a triangle with |e0 x e1|^2 < 2.220446049250313e-16 is
/// degenerate and measured against its three sides (segment helpers: a side shorter than 2^-13
/// counts as its midpoint); otherwise the nearest point p0 + s e0 + t e1 is found by classifying
/// the unconstrained minimum of the quadratic distance function into the seven regions of the
/// (s, t) plane around s >= 0, t >= 0, s + t <= 1 and minimising on the matching edge or vertex.
/// @param[in]  x       the point
/// @param[in]  p0, p1, p2 the triangle's corners
/// @param[out] weights (w0, w1, w2), summing to 1
/// @return the squared distance, raised to at least 0
double SquaredDistanceToTriangle(const Oxlen::Math::point<double, 3>& x,
                                 const Oxlen::Math::point<double, 3>& p0,
                                 const Oxlen::Math::point<double, 3>& p1,
                                 const Oxlen::Math::point<double, 3>& p2,
                                 std::array<double, 3>& weights) noexcept;

}  // namespace geometry::detail
