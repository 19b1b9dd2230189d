#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/Cad/Triangulation/geometry/MSegment.h"
#include "Oxlen/Cad/Triangulation/geometry/MTriangle.h"
#include "Oxlen/Math/point.h"

// Distances and projections between 3D points, segments and triangles. All functions are pure:
// they allocate nothing, never throw and give the same result bit for bit for the same input.
// Non-finite input is not rejected; it yields non-finite (or, for the triangle, the largest
// finite) results as stated per function.

namespace geometry {

/// Parameter of the point of segment s nearest to p: t = (p - first).d / (d.d) with
/// d = second - first, clamped to [0, 1]. The nearest point is first + t*d.
/// @param[in] p the point to project
/// @param[in] s the segment
/// @return t in [0, 1]; 0 when the end points of s coincide exactly (d.d == 0), 0 for points
///         before `first`, 1 for points beyond `second`.
OXLEN_CAD_TRIANGULATION_API double GetPointToSegmentProjectionParameter(
    const Oxlen::Math::point<double, 3>& p, const MSegment& s) noexcept;

/// Squared distance from p to the nearest point of segment s.
/// @param[out] t the clamped parameter of the nearest point, as
/// GetPointToSegmentProjectionParameter
/// @param[in] p the point
/// @param[in] s the segment; coincident end points act as the single point `first`
/// @return |p - (first + t*d)|^2
OXLEN_CAD_TRIANGULATION_API double ComputeSquaredDistanceBetweenPointAndSegment(
    double& t, const Oxlen::Math::point<double, 3>& p, const MSegment& s) noexcept;

/// Distance from p to the nearest point of segment s: the square root of
/// ComputeSquaredDistanceBetweenPointAndSegment.
/// @param[out] t the clamped parameter of the nearest point
/// @param[in] p the point
/// @param[in] s the segment
OXLEN_CAD_TRIANGULATION_API double ComputeDistanceBetweenPointAndSegment(
    double& t, const Oxlen::Math::point<double, 3>& p, const MSegment& s) noexcept;

/// Distance from p to the nearest point of segment s, without the parameter.
/// @param[in] p the point
/// @param[in] s the segment
OXLEN_CAD_TRIANGULATION_API double ComputeDistanceBetweenPointAndSegment(
    const Oxlen::Math::point<double, 3>& p, const MSegment& s) noexcept;

/// Distance between the nearest points of two segments. The nearest pair is found by solving for
/// the closest points of the two carrier lines, clamping the parameter on s1 to [0, 1], then
/// projecting onto s2 and back onto s1. Parallel segments (no unique solution) start from the
/// first end point of s1 and still give their true distance. The length is computed without
/// intermediate overflow or underflow; a zero distance (touching or crossing segments) comes out
/// as the smallest positive subnormal double (about 4.9e-324) rather than exactly 0.
/// @param[in] s1 first segment
/// @param[in] s2 second segment
OXLEN_CAD_TRIANGULATION_API double ComputeDistanceBetweenSegments(const MSegment& s1,
                                                                  const MSegment& s2) noexcept;

/// Squared distance from p to triangle tri (the filled triangle, not only its edges).
/// The candidates are the nearest points on the edges AB, BC and CA, in this order, and the
/// perpendicular foot of p when it falls inside the triangle; a later candidate replaces an
/// earlier one only when it is strictly nearer, so on ties the earlier edge (or an edge over the
/// interior) wins. A degenerate triangle (collinear or coincident corners) has no interior
/// candidate and yields its nearest edge point.
/// @param[in] p the point
/// @param[in] tri the triangle
/// @param[out] barycentric null, or an array of three doubles that receives the weights
///             (wA, wB, wC) of the nearest point: they sum to 1 and the nearest point is
///             wA*A + wB*B + wC*C. A weight of an edge candidate's opposite corner is exactly 0.
/// @return the squared distance. If no candidate distance is below the largest finite double
///         (non-finite input, or squared distances beyond the double range), that largest finite
///         double is returned and the weights are quiet NaN.
OXLEN_CAD_TRIANGULATION_API double ComputeSquaredDistanceBetweenPointAndTriangle(
    const Oxlen::Math::point<double, 3>& p, const MTriangle<double, 3>& tri,
    double* barycentric) noexcept;

}  // namespace geometry
