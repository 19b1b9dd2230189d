#include "compact_result.h"

#include <cstddef>
#include <utility>
#include <vector>

#include "removal_markers.h"

namespace geometry::detail {

namespace {

using Result = MCadTriangulator::triangulation_result;
using Oxlen::Geometry::vertex_triangles_map;
using Renumbering = std::vector<std::size_t>;  // old index -> new index, or kRemoved

std::size_t Renumbered(const Renumbering& renumbering, std::size_t index) {
  return index < renumbering.size() ? renumbering[index] : kRemoved;
}

// Packs the vertices that stay to the front, their map entries with them.
Renumbering PackVertices(Result& result, vertex_triangles_map& map) {
  Renumbering renumbering(result.vertices.size(), kRemoved);
  std::size_t kept = 0;
  for (std::size_t v = 0; v < result.vertices.size(); ++v) {
    if (is_removed(result.vertices[v]))
      continue;
    renumbering[v] = kept;
    result.vertices[kept] = result.vertices[v];
    map[kept] = std::move(map[v]);
    ++kept;
  }
  result.vertices.resize(kept);
  map.resize(kept);
  return renumbering;
}

// Packs the triangles that stay to the front with renumbered corners.
Renumbering PackTriangles(Result& result, const Renumbering& vertices) {
  Renumbering renumbering(result.triangles.size(), kRemoved);
  std::size_t kept = 0;
  for (std::size_t t = 0; t < result.triangles.size(); ++t) {
    const std::array<std::size_t, 3>& corners = result.triangles[t];
    if (is_removed(corners))
      continue;
    const std::array<std::size_t, 3> renumbered{Renumbered(vertices, corners[0]),
                                                Renumbered(vertices, corners[1]),
                                                Renumbered(vertices, corners[2])};
    if (renumbered[0] == kRemoved || renumbered[1] == kRemoved || renumbered[2] == kRemoved)
      continue;
    renumbering[t] = kept;
    result.triangles[kept++] = renumbered;
  }
  result.triangles.resize(kept);
  return renumbering;
}

// Renumbers the triangles of every entry. Triangles keep their relative order, so each entry
// stays ascending.
void RenumberEntries(vertex_triangles_map& map, const Renumbering& triangles) {
  for (auto& entry : map) {
    auto sequence = entry.extract_sequence();
    std::size_t kept = 0;
    for (const std::size_t t : sequence) {
      if (Renumbered(triangles, t) != kRemoved)
        sequence[kept++] = triangles[t];
    }
    sequence.resize(kept);
    entry.adopt_sequence(boost::container::ordered_unique_range, std::move(sequence));
  }
}

void PackBorderEdges(Result& result, const Renumbering& vertices) {
  std::size_t kept = 0;
  for (const MCadTriangulator::border_edge& edge : result.border_edges) {
    if (is_removed(edge))
      continue;
    const std::size_t first = Renumbered(vertices, edge.first);
    const std::size_t second = Renumbered(vertices, edge.second);
    if (first != kRemoved && second != kRemoved)
      result.border_edges[kept++] = {first, second, edge.tag};
  }
  result.border_edges.resize(kept);
}

}  // namespace

void compact_result(Result& result, vertex_triangles_map& map) {
  const Renumbering vertices = PackVertices(result, map);
  const Renumbering triangles = PackTriangles(result, vertices);
  RenumberEntries(map, triangles);
  PackBorderEdges(result, vertices);
}

}  // namespace geometry::detail
