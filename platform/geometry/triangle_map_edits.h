#pragma once

// Private helpers of the mesh operations: triangle edits that keep the vertex-to-triangles map
// exact. The callers validate every index before the first edit, so these do not check.

#include <array>
#include <cstddef>

#include "Oxlen/Geometry/triangle_surface.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"

namespace Oxlen::Geometry::detail {

inline bool has_corner(const std::array<std::size_t, 3>& triangle, std::size_t vertex) {
  return triangle[0] == vertex || triangle[1] == vertex || triangle[2] == vertex;
}

/// Gives triangle `index` new corners. Only the corners that leave drop the triangle from their
/// map entry, so a corner that stays (even at another position) keeps it.
inline void replace_triangle(triangle_surface& surface, vertex_triangles_map& map,
                             std::size_t index, const std::array<std::size_t, 3>& corners) {
  const std::array<std::size_t, 3> old = surface.triangles[index];
  for (const std::size_t v : old)
    if (!has_corner(corners, v))
      map[v].erase(index);
  for (const std::size_t v : corners)
    map[v].insert(index);
  surface.triangles[index] = corners;
}

/// Appends a triangle; its index is the largest, so each map entry takes it at its end.
inline std::size_t append_triangle(triangle_surface& surface, vertex_triangles_map& map,
                                   const std::array<std::size_t, 3>& corners) {
  const std::size_t index = surface.triangles.size();
  surface.triangles.push_back(corners);
  for (const std::size_t v : corners)
    map[v].insert(map[v].end(), index);
  return index;
}

}  // namespace Oxlen::Geometry::detail
