// Border edges along a loop that was set aside because it runs around a closed domain.
//
// Such a loop is not laid over the quads, so no trimmed quad reports its edges; the face's mesh
// nevertheless ends there, along the grid border the loop follows. Its open mesh edges along the
// loop are found geometrically and tagged like the loop's own segments, so that no border edge of
// the face is lost.
#include <algorithm>
#include <limits>
#include <map>

#include "spatial/M3DObjectTree.h"
#include "spatial/numeric_helpers.h"
#include "triangulator/MInternal.h"

namespace {

using P3 = Oxlen::Math::point<double, 3>;
using Box = Oxlen::Math::boundingbox<double, 3>;
using Accessor = MeshQueries::ObjectTreeDefaultAccessor<std::size_t, Box>;
using SegmentTree = MeshQueries::detail::M3DObjectTree<MeshQueries::detail::M3DObjectTreeParams<
    std::size_t, double, 3, Accessor, std::vector<std::size_t>>>;

// Open edges of the mesh: directed triangle edges whose reverse belongs to no triangle, each
// once, in triangle order.
std::vector<std::array<std::size_t, 2>> OpenEdges(const Oxlen::Geometry::triangle_surface& mesh) {
  std::map<std::pair<std::size_t, std::size_t>, int> uses;
  for (const auto& t : mesh.triangles)
    for (int k = 0; k < 3; ++k)
      ++uses[{std::min(t[k], t[(k + 1) % 3]), std::max(t[k], t[(k + 1) % 3])}];
  std::vector<std::array<std::size_t, 2>> open;
  for (const auto& t : mesh.triangles)
    for (int k = 0; k < 3; ++k) {
      const std::size_t a = t[k], b = t[(k + 1) % 3];
      if (uses[{std::min(a, b), std::max(a, b)}] == 1)
        open.push_back({a, b});
    }
  return open;
}

}  // namespace

void MCadTriangulator::MInternal::AppendBorderEdgesAlongLoop(triangulation_result& mesh,
                                                             const MSegmentedLoop& loop,
                                                             double tolerance, bool reversed) {
  const std::size_t n = loop.points.size();
  if (!loop.tags || n < 2 || mesh.triangles.empty())
    return;
  auto point = [&](std::size_t i) -> const P3& { return loop.points[i % n].point; };
  std::vector<std::size_t> segments(n);
  for (std::size_t i = 0; i < n; ++i)
    segments[i] = i;
  SegmentTree tree;
  tree.BuildTree(std::move(segments), Accessor([&](const std::size_t& i) {
                   Box box;
                   box.extend(point(i));
                   box.extend(point(i + 1));
                   return box;
                 }),
                 SegmentTree::TreeParams{4});
  // The loop and the grid border it follows are both within the tolerance of the exact curve.
  const double limit = 2.0 * tolerance + 1e-9;
  auto distance = [&](const P3& x, std::size_t& nearest) {
    const std::size_t* s = tree.FindNearest(x, [&](const std::size_t& i) {
      return geometry::detail::squared_distance_to_segment(x, point(i), point(i + 1));
    });
    nearest = *s;
    return std::sqrt(geometry::detail::squared_distance_to_segment(x, point(*s), point(*s + 1)));
  };
  for (auto [a, b] : OpenEdges(mesh)) {
    const P3& pa = mesh.vertices[a];
    const P3& pb = mesh.vertices[b];
    std::size_t segment = 0, ignored = 0;
    if (distance((pa + pb) * 0.5, segment) > limit || distance(pa, ignored) > limit ||
        distance(pb, ignored) > limit)
      continue;
    // Along the loop as it was distributed; reversed faces report their edges the other way.
    if (dot(pb - pa, point(segment + 1) - point(segment)) < 0.0)
      std::swap(a, b);
    if (reversed)
      std::swap(a, b);
    mesh.border_edges.push_back({a, b, (*loop.tags)[segment]});
  }
}
