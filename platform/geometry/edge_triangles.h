#pragma once

// Private helper of the mesh queries and edits: the triangles on an edge, visited without
// building a list, for the operations that look at every edge of a mesh.

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>

#include "Oxlen/Geometry/mesh_topology_queries.h"
#include "Oxlen/Geometry/triangle_surface.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"

namespace Oxlen::Geometry::detail {

/// Throws std::invalid_argument ("map: ...") when a map entry names triangle `t` beyond the
/// surface's triangles.
inline void require_triangle_in_range(std::size_t t, const triangle_surface& surface) {
  if (t >= surface.triangles.size())
    throw std::invalid_argument("map: lists triangle " + std::to_string(t) +
                                " beyond the triangle count " +
                                std::to_string(surface.triangles.size()));
}

/// Calls `visit(t)` for every triangle t that has the edge as a side, in the order and with the
/// checks and exceptions of `triangle_indices_from_edge`: the smaller of the two ends' map entries
/// is scanned.
template <typename Visit>
void visit_triangles_on_edge(const std::array<std::size_t, 2>& edge,
                             const triangle_surface& surface, const vertex_triangles_map& map,
                             bool directed, Visit&& visit) {
  for (const std::size_t v : edge)
    if (v >= map.size())
      throw std::invalid_argument("edge: vertex " + std::to_string(v) +
                                  " has no entry in the vertex-to-triangles map");
  // Every triangle holding the edge is listed under both ends; scanning the smaller set suffices.
  const auto& first = map[edge[0]];
  const auto& second = map[edge[1]];
  for (const std::size_t t : first.size() <= second.size() ? first : second) {
    require_triangle_in_range(t, surface);
    if (has_edge(edge, surface.triangles[t], directed))
      visit(t);
  }
}

}  // namespace Oxlen::Geometry::detail
