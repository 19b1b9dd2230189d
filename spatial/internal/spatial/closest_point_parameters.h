#pragma once

#include <utility>

#include "Oxlen/Cad/Triangulation/geometry/MSegment.h"

// Parameters of the closest points of two segments or of their carrier lines (not exported).
// A parameter t on a segment s denotes the point s.first + t*(s.second - s.first).

namespace geometry::detail {

/// Parameters (t1, t2) of the nearest points of segments s1 and s2, t1 on s1 first, both in
/// [0, 1]. The carrier lines' solution for t1 (0 when the segments are parallel, i.e. when the
/// determinant A*C - B^2 of the normal equations is exactly 0) is clamped to [0, 1], projected
/// onto s2 to give t2, and that point of s2 is projected back onto s1 to give the final t1.
/// Projections are clamped; a segment with coincident end points projects to parameter 0.
/// @param[in] s1 first segment
/// @param[in] s2 second segment
/// @return (t1, t2); the distance between the two points is ComputeDistanceBetweenSegments.
std::pair<double, double> ComputeClosestParametersBetweenSegments(const MSegment& s1,
                                                                  const MSegment& s2) noexcept;

/// Parameters (t1, t2) of the nearest points of the infinite lines through s1 and s2, t1 on the
/// line of s1 first, not clamped: the connecting vector of the two points is perpendicular to
/// both directions.
/// @param[in] s1 first segment (its line)
/// @param[in] s2 second segment (its line)
/// @return (t1, t2); (0, 0) when the determinant A*C - B^2 of the normal equations is exactly 0
///         (parallel lines or a segment with coincident end points).
std::pair<double, double> ComputeClosestParametersBetweenLines(const MSegment& s1,
                                                               const MSegment& s2) noexcept;

}  // namespace geometry::detail
