#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "Oxlen/Cad/Triangulation/geometry/MTriangle.h"
#include "Oxlen/Math/point.h"

// Small helpers shared by the trimmer's steps and its splitting generators (not exported).

namespace trimming::detail {

using MTrimmer = MCadTriangulator::MTrimmer;
using MPoint = MTrimmer::MPoint;

/// The position of vertex `index` of the mesh under construction.
/// @throws std::out_of_range for an index that is not a vertex of `result` (a negative index
///         included), so that a malformed triangle never reads outside the vertex list.
const MPoint& VertexAt(const MTrimmer::MTriangles& result, std::int32_t index);

/// The corner positions of a triangle, in corner order.
MTriangle<double, 3> PositionsOf(const MTrimmer::MTriangleToTrim& triangle,
                                 const MTrimmer::MTriangles& result);

/// Squared distance from `p` to the filled triangle (geometry::
/// ComputeSquaredDistanceBetweenPointAndTriangle on the corner positions).
double SquaredDistanceToTriangle(const MPoint& p, const MTrimmer::MTriangleToTrim& triangle,
                                 const MTrimmer::MTriangles& result);

/// The point of the straight segment a -> b nearest to the segment c -> d: a + t*(b - a) with t
/// the parameter on a -> b of the segment-segment closest points.
MPoint PointOfSegmentNearestToSegment(const MPoint& a, const MPoint& b, const MPoint& c,
                                      const MPoint& d);

/// Sorts `vertices` by increasing squared distance of their positions from `origin`. Equal
/// distances keep their order (stable), and a NaN distance sorts after every number, so the
/// order is a strict weak one whatever the coordinates.
void SortByDistanceFrom(std::vector<std::int32_t>& vertices, const MPoint& origin,
                        const MTrimmer::MTriangles& result);

/// True when `vertex` is one of the triangle's corners.
bool IsCorner(const MTrimmer::MTriangleToTrim& triangle, std::int32_t vertex);

/// True when `vertex` is in `list`.
bool Contains(const std::vector<std::int32_t>& list, std::int32_t vertex);

/// True when the triangle has no inner points and no edge points: it is final.
bool HasNoPoints(const MTrimmer::MTriangleToTrim& triangle);

/// The number of inner and edge points of `triangle`.
std::size_t PointCount(const MTrimmer::MTriangleToTrim& triangle);

/// Index that the `position`-th new vertex of a splitting will get in `result.vertices`.
/// @throws std::logic_error "MTrimmer: too many vertices" when it would not fit an int32.
std::int32_t NewVertexIndex(const MTrimmer::MTriangles& result, std::size_t position);

}  // namespace trimming::detail
