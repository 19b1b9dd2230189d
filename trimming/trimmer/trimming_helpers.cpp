#include "trimming_helpers.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <stdexcept>
#include <utility>

#include "Oxlen/Cad/Triangulation/geometry/MSegment.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "spatial/closest_point_parameters.h"

namespace trimming::detail {

const MPoint& VertexAt(const MTrimmer::MTriangles& result, std::int32_t index) {
  if (index < 0)
    throw std::out_of_range("MTrimmer: negative vertex index");
  return result.vertices.at(static_cast<std::size_t>(index));
}

MTriangle<double, 3> PositionsOf(const MTrimmer::MTriangleToTrim& triangle,
                                 const MTrimmer::MTriangles& result) {
  return MTriangle<double, 3>(VertexAt(result, triangle.vertices[0]),
                              VertexAt(result, triangle.vertices[1]),
                              VertexAt(result, triangle.vertices[2]));
}

double SquaredDistanceToTriangle(const MPoint& p, const MTrimmer::MTriangleToTrim& triangle,
                                 const MTrimmer::MTriangles& result) {
  return geometry::ComputeSquaredDistanceBetweenPointAndTriangle(p, PositionsOf(triangle, result),
                                                                 nullptr);
}

MPoint PointOfSegmentNearestToSegment(const MPoint& a, const MPoint& b, const MPoint& c,
                                      const MPoint& d) {
  const double t = geometry::detail::ComputeClosestParametersBetweenSegments(
                       geometry::MSegment{a, b}, geometry::MSegment{c, d})
                       .first;
  return a + t * (b - a);
}

void SortByDistanceFrom(std::vector<std::int32_t>& vertices, const MPoint& origin,
                        const MTrimmer::MTriangles& result) {
  std::vector<std::pair<double, std::int32_t>> keyed;
  keyed.reserve(vertices.size());
  for (const std::int32_t v : vertices)
    keyed.emplace_back(squared_distance(VertexAt(result, v), origin), v);
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& x, const auto& y) {
    if (std::isnan(x.first))
      return false;
    return std::isnan(y.first) || x.first < y.first;
  });
  for (std::size_t i = 0; i < keyed.size(); ++i)
    vertices[i] = keyed[i].second;
}

bool IsCorner(const MTrimmer::MTriangleToTrim& triangle, std::int32_t vertex) {
  return triangle.vertices[0] == vertex || triangle.vertices[1] == vertex ||
         triangle.vertices[2] == vertex;
}

bool Contains(const std::vector<std::int32_t>& list, std::int32_t vertex) {
  return std::find(list.begin(), list.end(), vertex) != list.end();
}

bool HasNoPoints(const MTrimmer::MTriangleToTrim& triangle) {
  return triangle.innerPoints.empty() && triangle.edgePoints[0].empty() &&
         triangle.edgePoints[1].empty() && triangle.edgePoints[2].empty();
}

std::int32_t NewVertexIndex(const MTrimmer::MTriangles& result, std::size_t position) {
  const std::size_t index = result.vertices.size() + position;
  if (index > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw std::logic_error("MTrimmer: too many vertices");
  return static_cast<std::int32_t>(index);
}

std::size_t PointCount(const MTrimmer::MTriangleToTrim& triangle) {
  return triangle.innerPoints.size() + triangle.edgePoints[0].size() +
         triangle.edgePoints[1].size() + triangle.edgePoints[2].size();
}

}  // namespace trimming::detail
