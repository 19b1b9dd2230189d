#include "mesh_compaction.h"

#include "stitch_state.h"

namespace geometry::detail {

void compact_mesh(Oxlen::Geometry::triangle_surface& surface,
                  std::vector<std::size_t>& perTriangle) {
  std::vector<std::size_t> newIndex(surface.vertices.size(), kRemovedTriangle);
  std::size_t keptVertices = 0;
  for (std::size_t v = 0; v < surface.vertices.size(); ++v) {
    if (is_removed(surface.vertices[v]))
      continue;
    newIndex[v] = keptVertices;
    surface.vertices[keptVertices++] = surface.vertices[v];
  }
  surface.vertices.resize(keptVertices);

  const auto kept = [&newIndex](std::size_t v) {
    return v < newIndex.size() && newIndex[v] != kRemovedTriangle;
  };
  std::size_t keptTriangles = 0;
  for (std::size_t t = 0; t < surface.triangles.size(); ++t) {
    const auto [a, b, c] = surface.triangles[t];
    if (a == kRemovedTriangle || a == b || b == c || a == c)
      continue;
    if (!kept(a) || !kept(b) || !kept(c))
      continue;
    surface.triangles[keptTriangles] = {newIndex[a], newIndex[b], newIndex[c]};
    perTriangle[keptTriangles] = perTriangle[t];
    ++keptTriangles;
  }
  surface.triangles.resize(keptTriangles);
  perTriangle.resize(keptTriangles);
}

}  // namespace geometry::detail
