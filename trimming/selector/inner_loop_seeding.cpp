#include <algorithm>
#include <cstddef>
#include <limits>
#include <map>
#include <vector>

#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "geometric_seeding.h"

namespace selector::detail {

namespace {

using Point3 = Oxlen::Math::point<double, 3>;

// Twice the area vector of a closed polygon: the sum of the cross products of consecutive
// points, the last with the first.
Point3 AreaVector(const std::vector<Point3>& polygon) {
  Point3 sum;
  for (std::size_t k = 0; k < polygon.size(); ++k)
    sum += cross(polygon[k], polygon[(k + 1) % polygon.size()]);
  return sum;
}

// Distance from p to the closed polygon of the loop's points.
double DistanceToLoop(const Point3& p, const std::vector<Point3>& loop) {
  double nearest = std::numeric_limits<double>::infinity();
  for (std::size_t k = 0; k < loop.size(); ++k) {
    nearest = std::min(nearest, geometry::ComputeDistanceBetweenPointAndSegment(
                                    p, geometry::MSegment{loop[k], loop[(k + 1) % loop.size()]}));
  }
  return nearest;
}

}  // namespace

SeedMap SeedFromInnerLoops(const MCadTriangulator::MQuadrangulatedSurface& grid) {
  const MQuads& quads = grid.quads;
  SeedMap seeds;
  std::map<MQuads::MVertexIndex, double> nearest;
  for (const auto& [quad, loops] : grid.loops.GetAllInnerLoops()) {
    if (grid.loops.GetNumberOfLoopParts(quad) != 0)
      continue;
    const auto corners = quads.GetQuadVertices(quad);
    std::vector<Point3> rim;
    for (const auto& corner : corners)
      rim.push_back(quads.GetVertex3d(corner));
    const Point3 quadArea = AreaVector(rim);
    for (const auto& loop : loops) {
      const EVertexStatus status = dot(quadArea, AreaVector(loop.points)) >= 0.0
                                       ? MCadTriangulator::MTrimPartSelector::Outside
                                       : MCadTriangulator::MTrimPartSelector::Inside;
      for (std::size_t k = 0; k < 4; ++k) {
        const double d = DistanceToLoop(rim[k], loop.points);
        const auto it = nearest.find(corners[k]);
        if (it == nearest.end() || d < it->second) {
          nearest[corners[k]] = d;
          seeds[corners[k]] = status;
        }
      }
    }
  }
  return seeds;
}

}  // namespace selector::detail
