#include "Oxlen/Geometry/mesh_topology_queries.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "edge_triangles.h"

namespace Oxlen::Geometry {

bool has_edge(const std::array<std::size_t, 2>& edge, const std::array<std::size_t, 3>& triangle,
              bool directed) {
  for (std::size_t i = 0; i < 3; ++i) {
    const std::size_t a = triangle[i];
    const std::size_t b = triangle[(i + 1) % 3];
    if (a == edge[0] && b == edge[1])
      return true;
    if (!directed && a == edge[1] && b == edge[0])
      return true;
  }
  return false;
}

std::vector<std::size_t> triangle_indices_from_edge(const std::array<std::size_t, 2>& edge,
                                                    const triangle_surface& surface,
                                                    const vertex_triangles_map& map,
                                                    bool directed) {
  std::vector<std::size_t> result;
  detail::visit_triangles_on_edge(edge, surface, map, directed,
                                  [&result](std::size_t t) { result.push_back(t); });
  return result;
}

std::vector<std::size_t> triangle_neighbour_indices(const triangle_surface& surface,
                                                    const vertex_triangles_map& map,
                                                    std::size_t triangle) {
  if (triangle >= surface.triangles.size())
    throw std::invalid_argument("triangle: index " + std::to_string(triangle) +
                                " beyond the triangle count " +
                                std::to_string(surface.triangles.size()));
  const std::array<std::size_t, 3> corners = surface.triangles[triangle];
  for (const std::size_t v : corners)
    if (v >= map.size())
      throw std::invalid_argument("triangle: corner " + std::to_string(v) +
                                  " has no entry in the vertex-to-triangles map");
  std::vector<std::size_t> result;
  for (std::size_t i = 0; i < 3; ++i) {
    const std::array<std::size_t, 2> side{corners[i], corners[(i + 1) % 3]};
    for (const std::size_t t : map[side[0]]) {
      detail::require_triangle_in_range(t, surface);
      if (t != triangle && has_edge(side, surface.triangles[t], false))
        result.push_back(t);
    }
  }
  std::sort(result.begin(), result.end());
  result.erase(std::unique(result.begin(), result.end()), result.end());
  return result;
}

}  // namespace Oxlen::Geometry
