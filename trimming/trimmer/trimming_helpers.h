#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "Oxlen/Cad/Triangulation/geometry/MTriangle.h"
#include "Oxlen/Math/point.h"

// Small helpers shared by the trimmer's steps and its splitting generators (not exported). The
// tiny ones are defined here, so that the hot loops of the generators inline them.

namespace trimming::detail {

using MTrimmer = MCadTriangulator::MTrimmer;
using MPoint = MTrimmer::MPoint;

/// The position of vertex `index` of the mesh under construction.
/// @throws std::out_of_range for an index that is not a vertex of `result` (a negative index
///         included), so that a malformed triangle never reads outside the vertex list.
inline const MPoint& VertexAt(const MTrimmer::MTriangles& result, std::int32_t index) {
  if (index < 0)
    throw std::out_of_range("MTrimmer: negative vertex index");
  return result.vertices.at(static_cast<std::size_t>(index));
}

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
inline bool IsCorner(const MTrimmer::MTriangleToTrim& triangle, std::int32_t vertex) {
  return triangle.vertices[0] == vertex || triangle.vertices[1] == vertex ||
         triangle.vertices[2] == vertex;
}

/// True when `vertex` is in `list`.
inline bool Contains(const std::vector<std::int32_t>& list, std::int32_t vertex) {
  return std::find(list.begin(), list.end(), vertex) != list.end();
}

/// True when the triangle has no inner points and no edge points: it is final.
inline bool HasNoPoints(const MTrimmer::MTriangleToTrim& triangle) {
  return triangle.innerPoints.empty() && triangle.edgePoints[0].empty() &&
         triangle.edgePoints[1].empty() && triangle.edgePoints[2].empty();
}

/// The number of inner and edge points of `triangle`.
inline std::size_t PointCount(const MTrimmer::MTriangleToTrim& triangle) {
  return triangle.innerPoints.size() + triangle.edgePoints[0].size() +
         triangle.edgePoints[1].size() + triangle.edgePoints[2].size();
}

/// Index that the `position`-th new vertex of a splitting will get in `result.vertices`.
/// @throws std::logic_error "MTrimmer: too many vertices" when it would not fit an int32.
inline std::int32_t NewVertexIndex(const MTrimmer::MTriangles& result, std::size_t position) {
  const std::size_t index = result.vertices.size() + position;
  if (index > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw std::logic_error("MTrimmer: too many vertices");
  return static_cast<std::int32_t>(index);
}

}  // namespace trimming::detail
