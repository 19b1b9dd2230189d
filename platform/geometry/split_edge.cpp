#include "Oxlen/Geometry/split_edge.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "Oxlen/Geometry/mesh_topology_queries.h"
#include "triangle_map_edits.h"

namespace Oxlen::Geometry {

namespace {

void RequireVertex(std::size_t v, const triangle_surface& surface, const char* argument) {
  if (v >= surface.vertices.size())
    throw std::invalid_argument(std::string(argument) + ": vertex index " + std::to_string(v) +
                                " beyond the vertex count " +
                                std::to_string(surface.vertices.size()));
}

void RequireParallelMap(const triangle_surface& surface, const vertex_triangles_map& map) {
  if (map.size() != surface.vertices.size())
    throw std::invalid_argument("map: " + std::to_string(map.size()) + " entries for " +
                                std::to_string(surface.vertices.size()) + " vertices");
}

// The entry of a vertex the split edits lists only existing triangles. Entries are ascending, so
// their last index decides.
void RequireEntryInRange(std::size_t v, const triangle_surface& surface,
                         const vertex_triangles_map& map) {
  if (!map[v].empty() && *map[v].rbegin() >= surface.triangles.size())
    throw std::invalid_argument("map: the entry of vertex " + std::to_string(v) +
                                " lists triangle " + std::to_string(*map[v].rbegin()) +
                                " beyond the triangle count " +
                                std::to_string(surface.triangles.size()));
}

// The triangles to split, ascending, after checking every index the split will touch.
std::vector<std::size_t> CollectTrianglesToSplit(const std::array<std::size_t, 2>& edge,
                                                 const triangle_surface& surface,
                                                 const vertex_triangles_map& map) {
  RequireVertex(edge[0], surface, "edge");
  RequireVertex(edge[1], surface, "edge");
  RequireParallelMap(surface, map);
  if (edge[0] == edge[1])
    return {};
  RequireEntryInRange(edge[0], surface, map);
  RequireEntryInRange(edge[1], surface, map);
  std::vector<std::size_t> holders = triangle_indices_from_edge(edge, surface, map, false);
  for (const std::size_t t : holders) {
    for (const std::size_t v : surface.triangles[t]) {
      if (v >= map.size())
        throw std::invalid_argument("map: triangle " + std::to_string(t) +
                                    " has a corner without an entry");
      RequireEntryInRange(v, surface, map);
    }
  }
  return holders;
}

// Position k of the first directed side of the triangle that joins the two ends of the edge.
std::size_t SideOf(const std::array<std::size_t, 3>& triangle,
                   const std::array<std::size_t, 2>& edge) {
  for (std::size_t k = 0; k < 3; ++k) {
    const std::size_t a = triangle[k];
    const std::size_t b = triangle[(k + 1) % 3];
    if ((a == edge[0] && b == edge[1]) || (a == edge[1] && b == edge[0]))
      return k;
  }
  return 0;  // not reached: the triangle was found to hold the edge
}

void SplitTriangles(const std::vector<std::size_t>& holders, const std::array<std::size_t, 2>& edge,
                    std::size_t m, triangle_surface& surface, vertex_triangles_map& map,
                    std::vector<std::size_t>* perTriangle) {
  for (const std::size_t t : holders) {
    std::array<std::size_t, 3> corners = surface.triangles[t];
    const std::size_t k = SideOf(corners, edge);
    const std::size_t b = corners[(k + 1) % 3];
    const std::size_t c = corners[(k + 2) % 3];
    corners[(k + 1) % 3] = m;
    detail::replace_triangle(surface, map, t, corners);
    const std::size_t added = detail::append_triangle(surface, map, {m, b, c});
    if (perTriangle != nullptr) {
      const std::size_t value = (*perTriangle)[t];
      perTriangle->insert(perTriangle->begin() + static_cast<std::ptrdiff_t>(added), value);
    }
  }
}

}  // namespace

std::size_t split_edge(const std::array<std::size_t, 2>& edge, double t, triangle_surface& surface,
                       vertex_triangles_map& map) {
  if (!std::isfinite(t))
    throw std::invalid_argument("t: not finite");
  const std::vector<std::size_t> holders = CollectTrianglesToSplit(edge, surface, map);
  const Oxlen::Math::point<double, 3> position =
      surface.vertices[edge[0]] * t + surface.vertices[edge[1]] * (1.0 - t);
  const std::size_t m = surface.vertices.size();
  surface.vertices.push_back(position);
  map.emplace_back();
  SplitTriangles(holders, edge, m, surface, map, nullptr);
  return m;
}

void split_edge(const std::array<std::size_t, 2>& edge, std::size_t vertex,
                triangle_surface& surface, vertex_triangles_map& map,
                std::vector<std::size_t>& perTriangle) {
  RequireVertex(vertex, surface, "vertex");
  if (perTriangle.size() < surface.triangles.size())
    throw std::invalid_argument("perTriangle: " + std::to_string(perTriangle.size()) +
                                " values for " + std::to_string(surface.triangles.size()) +
                                " triangles");
  std::vector<std::size_t> holders = CollectTrianglesToSplit(edge, surface, map);
  if (vertex == edge[0] || vertex == edge[1])
    return;
  // A triangle whose third corner is the vertex itself would only split into two triangles that
  // repeat a corner; it stays as it is.
  std::erase_if(holders, [&](std::size_t t) {
    const auto& corners = surface.triangles[t];
    return corners[0] == vertex || corners[1] == vertex || corners[2] == vertex;
  });
  SplitTriangles(holders, edge, vertex, surface, map, &perTriangle);
}

}  // namespace Oxlen::Geometry
