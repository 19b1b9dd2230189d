#pragma once

#include "Oxlen/Math/boundingbox.h"
#include "Oxlen/Math/overflow_safe_length.h"
#include "Oxlen/Math/point.h"

// Numeric helpers shared by the subsystems of the triangulator (not exported). The small ones
// are defined here, so that the inner loops that call them across files inline them.

namespace geometry::detail {

/// A squared length below this value (2^-26) counts as zero wherever the algorithms test a vector
/// or segment for degeneracy.
inline constexpr double kDegenerateSquaredLength = 1.4901161193847656e-8;

/// The overflow-safe length of the platform's math layer, whose degenerate results the distance
/// functions here rely on (the zero vector has the smallest subnormal length).
using Oxlen::Math::overflow_safe_length;

/// The distance below which two points within `box` differ only by the rounding of their
/// coordinates: 16 ulps of the largest coordinate magnitude of the box (0 for an empty box). A
/// deviation that small means "exact", whatever the tolerance (a tolerance of 0 included).
/// @param[in] box the points' bounding box
double rounding_distance(const Oxlen::Math::boundingbox<double, 3>& box) noexcept;

/// Distance between a and b: overflow_safe_length(a - b), with the same degenerate results.
/// @param[in] a first point
/// @param[in] b second point
inline double overflow_safe_distance(const Oxlen::Math::point<double, 3>& a,
                                     const Oxlen::Math::point<double, 3>& b) noexcept {
  return overflow_safe_length(a - b);
}

/// Parameter of the projection of x onto the line through a and b:
/// t = (x - a).(b - a) / |b - a|^2, NOT clamped (t < 0 before a, t > 1 beyond b).
/// @param[in] x the point
/// @param[in] a start of the segment (t = 0)
/// @param[in] b end of the segment (t = 1)
/// @return t; exactly 0.5 when |b - a|^2 < kDegenerateSquaredLength (a short segment counts as
///         its midpoint parameter).
inline double segment_projection_parameter(const Oxlen::Math::point<double, 3>& x,
                                           const Oxlen::Math::point<double, 3>& a,
                                           const Oxlen::Math::point<double, 3>& b) noexcept {
  const Oxlen::Math::point<double, 3> d = b - a;
  const double squared_length = dot(d, d);
  if (squared_length < kDegenerateSquaredLength)
    return 0.5;
  return dot(x - a, d) / squared_length;
}

/// Point of the segment a -> b at parameter t, with the end points taken exactly outside (0, 1):
/// a when t <= 0, b when t >= 1, otherwise (1 - t)*a + t*b.
/// @param[in] a start of the segment
/// @param[in] b end of the segment
/// @param[in] t the parameter (any value)
inline Oxlen::Math::point<double, 3> segment_point_at(const Oxlen::Math::point<double, 3>& a,
                                                      const Oxlen::Math::point<double, 3>& b,
                                                      double t) noexcept {
  if (t <= 0.0)
    return a;
  if (t >= 1.0)
    return b;
  return (1.0 - t) * a + t * b;
}

/// Point of the segment a -> b closest to x: segment_point_at(a, b, t) with
/// t = segment_projection_parameter(x, a, b). A short segment gives (a + b)/2 (interpolated).
/// @param[in] x the point
/// @param[in] a start of the segment
/// @param[in] b end of the segment
inline Oxlen::Math::point<double, 3> segment_closest_point(
    const Oxlen::Math::point<double, 3>& x, const Oxlen::Math::point<double, 3>& a,
    const Oxlen::Math::point<double, 3>& b) noexcept {
  return segment_point_at(a, b, segment_projection_parameter(x, a, b));
}

/// Squared distance from x to segment_closest_point(x, a, b).
/// @param[in] x the point
/// @param[in] a start of the segment
/// @param[in] b end of the segment
inline double squared_distance_to_segment(const Oxlen::Math::point<double, 3>& x,
                                          const Oxlen::Math::point<double, 3>& a,
                                          const Oxlen::Math::point<double, 3>& b) noexcept {
  return squared_distance(x, segment_closest_point(x, a, b));
}

/// Squared distance from x to segment_closest_point(x, a, b), also telling whether that closest
/// point is an end point.
/// @param[in] x the point
/// @param[in] a start of the segment
/// @param[in] b end of the segment
/// @param[out] closest_is_end_point true when the projection parameter is <= 0 or >= 1 (the
///             closest point is a or b); false inside (0, 1), which includes a short segment.
inline double squared_distance_to_segment(const Oxlen::Math::point<double, 3>& x,
                                          const Oxlen::Math::point<double, 3>& a,
                                          const Oxlen::Math::point<double, 3>& b,
                                          bool& closest_is_end_point) noexcept {
  const double t = segment_projection_parameter(x, a, b);
  closest_is_end_point = t <= 0.0 || t >= 1.0;
  return squared_distance(x, segment_point_at(a, b, t));
}

}  // namespace geometry::detail
