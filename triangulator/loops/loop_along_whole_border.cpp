// Loops that run along the whole border of a closed domain: the form in which a B-rep model
// bounds a whole cylinder, cone, sphere, torus or closed free-form tube. The seam edge is used
// twice, once up and once down, a pole is an edge of zero length, and the end circles (if any)
// are the real edges. Such a loop bounds the whole surface: it is set aside before the loops
// are laid over the quads, and its border edges are found on the finished mesh.
#include <cmath>
#include <vector>

#include "Oxlen/Cad/Triangulation/MSegmentedLoop.h"
#include "segment_proximity.h"
#include "spatial/numeric_helpers.h"
#include "triangulator/MInternal.h"

namespace {

using MQuads = MCadTriangulator::MQuads;
using P3 = Oxlen::Math::point<double, 3>;
using triangulator::detail::LoopSegments;
using triangulator::detail::MSegmentProximity;

// Every grid edge on the first or last isoline of an axis, in quad order: the open ends, the
// seams of the closed directions and the collapsed pole isolines. With `realOnly`, the seam
// edges are left out.
std::vector<MSegmentProximity::Segment> BorderEdges(const MQuads& grid, bool realOnly) {
  std::vector<MSegmentProximity::Segment> edges;
  for (int i = 0; i < grid.GetQuadsCount(MQuads::EAxis::U); ++i) {
    for (int j = 0; j < grid.GetQuadsCount(MQuads::EAxis::V); ++j) {
      const auto corners = grid.GetQuadVertices(MQuads::MQuadIndex(i, j));
      for (int k = 0; k < 4; ++k) {
        const MQuads::MQuadEdge edge(corners[k], corners[(k + 1) % 4]);
        if (grid.IsEdgeOnBorder(edge) && !(realOnly && grid.IsEdgeOnPeriodicBorder(edge)))
          edges.push_back({grid.GetVertex3d(edge.start), grid.GetVertex3d(edge.end)});
      }
    }
  }
  return edges;
}

}  // namespace

double MCadTriangulator::MInternal::GetBorderMatchDistance(const MQuads& grid, double tolerance) {
  // The loop and the grid border both lie within the tolerance of the exact curve; the relative
  // term keeps the match meaningful at a tolerance of 0.
  const Oxlen::Math::boundingbox<double, 3> box = grid.CalculateBoundingBox3d();
  const double scale = !box.is_empty() ? geometry::detail::overflow_safe_length(box.extent()) : 0.0;
  return 2.0 * tolerance + 1e-9 * scale;
}

bool MCadTriangulator::MInternal::IsLoopAlongWholeBorder(const MQuads& grid,
                                                         const MSegmentedLoop& loop,
                                                         double tolerance) {
  if (loop.points.empty() || !(grid.IsClosed(MQuads::EAxis::U) || grid.IsClosed(MQuads::EAxis::V)))
    return false;
  const double d = GetBorderMatchDistance(grid, tolerance);

  // Every loop point, and the middle of every loop segment, lies on the border or a seam.
  const MSegmentProximity border(BorderEdges(grid, false), d);
  const std::size_t n = loop.points.size();
  for (std::size_t i = 0; i < n; ++i) {
    const P3& p = loop.points[i].point;
    const P3& q = loop.points[(i + 1) % n].point;
    if (!border.IsWithin(p, d) || !border.IsWithin(0.5 * (p + q), d))
      return false;
  }
  // Every real border edge (an end of an open direction that is not collapsed into a pole) is
  // followed by the loop.
  const MSegmentProximity along(LoopSegments(loop), d);
  for (const MSegmentProximity::Segment& edge : BorderEdges(grid, true)) {
    if (geometry::detail::overflow_safe_distance(edge[0], edge[1]) <= d)
      continue;
    if (!along.IsWithin(edge[0], d) || !along.IsWithin(edge[1], d) ||
        !along.IsWithin(0.5 * (edge[0] + edge[1]), d))
      return false;
  }
  return true;
}
