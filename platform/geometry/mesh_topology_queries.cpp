#include "Oxlen/Geometry/mesh_topology_queries.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace Oxlen::Geometry {

namespace {

void RequireEdgeInMap(const std::array<std::size_t, 2>& edge, const vertex_triangles_map& map) {
  for (const std::size_t v : edge)
    if (v >= map.size())
      throw std::invalid_argument("edge: vertex " + std::to_string(v) +
                                  " has no entry in the vertex-to-triangles map");
}

void RequireTriangleInRange(std::size_t t, const triangle_surface& surface) {
  if (t >= surface.triangles.size())
    throw std::invalid_argument("map: lists triangle " + std::to_string(t) +
                                " beyond the triangle count " +
                                std::to_string(surface.triangles.size()));
}

}  // namespace

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
  RequireEdgeInMap(edge, map);
  // Every triangle holding the edge is listed under both ends; scanning the smaller set suffices.
  const auto& first = map[edge[0]];
  const auto& second = map[edge[1]];
  const auto& candidates = first.size() <= second.size() ? first : second;
  std::vector<std::size_t> result;
  for (const std::size_t t : candidates) {
    RequireTriangleInRange(t, surface);
    if (has_edge(edge, surface.triangles[t], directed))
      result.push_back(t);
  }
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
      RequireTriangleInRange(t, surface);
      if (t != triangle && has_edge(side, surface.triangles[t], false))
        result.push_back(t);
    }
  }
  std::sort(result.begin(), result.end());
  result.erase(std::unique(result.begin(), result.end()), result.end());
  return result;
}

}  // namespace Oxlen::Geometry
