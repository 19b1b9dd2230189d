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

}  // namespace trimming::detail
