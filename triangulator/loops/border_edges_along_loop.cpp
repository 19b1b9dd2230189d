// Border edges along a loop that was set aside because it runs around a closed domain or along
// its whole border.
//
// Such a loop is not laid over the quads, so no trimmed quad reports its edges; the face's mesh
// nevertheless ends there, along the grid border the loop follows, or closes across the seam the
// loop runs up and down. Those mesh edges are found geometrically and tagged like the loop's own
// segments, so that no border edge of the face is lost.
#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "segment_proximity.h"
#include "spatial/numeric_helpers.h"
#include "triangulator/MInternal.h"

namespace {

using P3 = Oxlen::Math::point<double, 3>;
using triangulator::detail::LoopSegments;
using triangulator::detail::MSegmentProximity;
using Edge = std::pair<std::size_t, std::size_t>;

double LoopExtent(const MCadTriangulator::MSegmentedLoop& loop) {
  Oxlen::Math::boundingbox<double, 3> box;
  for (const auto& p : loop.points)
    box.extend(p.point);
  return geometry::detail::overflow_safe_length(box.extent());
}

// The mesh edges whose two ends lie near the loop, each once as (smaller, larger) with the
// number of triangles that use it.
std::map<Edge, int> EdgesNearLoop(const Oxlen::Geometry::triangle_surface& mesh,
                                  const MSegmentProximity& loop, double distance) {
  std::vector<char> near(mesh.vertices.size());
  for (std::size_t v = 0; v < mesh.vertices.size(); ++v)
    near[v] = loop.IsWithin(mesh.vertices[v], distance) ? 1 : 0;
  std::map<Edge, int> uses;
  for (const auto& t : mesh.triangles) {
    for (int k = 0; k < 3; ++k) {
      const std::size_t a = t[k], b = t[(k + 1) % 3];
      if (near[a] && near[b])
        ++uses[{std::min(a, b), std::max(a, b)}];
    }
  }
  return uses;
}

}  // namespace

void MCadTriangulator::MInternal::AppendBorderEdgesAlongLoop(triangulation_result& mesh,
                                                             const MSegmentedLoop& loop,
                                                             double distance, bool reversed) {
  if (!loop.tags || loop.points.size() < 2 || mesh.triangles.empty())
    return;
  const MSegmentProximity segments(LoopSegments(loop), 1e-9 * LoopExtent(loop));
  for (const auto& [edge, uses] : EdgesNearLoop(mesh, segments, distance)) {
    const P3& pa = mesh.vertices[edge.first];
    const P3& pb = mesh.vertices[edge.second];
    const P3 middle = 0.5 * (pa + pb);
    const auto forward = segments.NearestAlong(middle, pb - pa, distance);
    const auto backward = segments.NearestAlong(middle, pa - pb, distance);
    // Inside the mesh only a seam that the loop runs up and down is a border.
    if (uses != 1 && !(forward && backward))
      continue;
    // Along the loop as it was distributed; reversed faces report their edges the other way.
    auto append = [&](std::size_t from, std::size_t to, std::size_t segment) {
      if (reversed)
        std::swap(from, to);
      mesh.border_edges.push_back({from, to, (*loop.tags)[segment]});
    };
    if (forward)
      append(edge.first, edge.second, *forward);
    if (backward && (uses != 1 || !forward))
      append(edge.second, edge.first, *backward);
  }
}
