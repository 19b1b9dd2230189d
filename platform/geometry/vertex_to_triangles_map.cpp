#include "Oxlen/Geometry/vertex_to_triangles_map.h"

#include <stdexcept>
#include <string>

namespace Oxlen::Geometry {

vertex_triangles_map get_vertex_to_triangles_map(const triangle_surface& surface) {
  const std::size_t vertexCount = surface.vertices.size();
  std::vector<std::size_t> degree(vertexCount, 0);
  for (std::size_t t = 0; t < surface.triangles.size(); ++t) {
    for (const std::size_t v : surface.triangles[t]) {
      if (v >= vertexCount)
        throw std::invalid_argument("surface: triangle " + std::to_string(t) + " names vertex " +
                                    std::to_string(v) + " beyond the vertex count " +
                                    std::to_string(vertexCount));
      ++degree[v];
    }
  }
  vertex_triangles_map map(vertexCount);
  for (std::size_t v = 0; v < vertexCount; ++v)
    map[v].reserve(degree[v]);
  // Triangles are visited in ascending order, so every insertion lands at the end of its set.
  for (std::size_t t = 0; t < surface.triangles.size(); ++t)
    for (const std::size_t v : surface.triangles[t])
      map[v].insert(map[v].end(), t);
  return map;
}

}  // namespace Oxlen::Geometry
