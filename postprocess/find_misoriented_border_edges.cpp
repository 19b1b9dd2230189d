#include "find_misoriented_border_edges.h"

#include <algorithm>
#include <array>

#include "Oxlen/Geometry/mesh_topology_queries.h"

namespace geometry {

namespace {

// Whether exactly one triangle holds the edge and it runs the edge the other way.
bool RunsAgainstItsTriangle(const std::array<std::size_t, 2>& edge,
                            const MCadTriangulator::triangulation_result& result,
                            const Oxlen::Geometry::vertex_triangles_map& map) {
  const std::vector<std::size_t> holders =
      Oxlen::Geometry::triangle_indices_from_edge(edge, result, map, false);
  return holders.size() == 1 &&
         !Oxlen::Geometry::has_edge(edge, result.triangles[holders.front()], true);
}

}  // namespace

std::vector<vertex_pair> find_misoriented_border_edges(
    const MCadTriangulator::triangulation_result& result,
    const Oxlen::Geometry::vertex_triangles_map& map) {
  std::vector<vertex_pair> misoriented;
  for (const MCadTriangulator::border_edge& edge : result.border_edges) {
    if (RunsAgainstItsTriangle({edge.first, edge.second}, result, map))
      misoriented.emplace_back(edge.first, edge.second);
  }
  std::sort(misoriented.begin(), misoriented.end());
  misoriented.erase(std::unique(misoriented.begin(), misoriented.end()), misoriented.end());
  return misoriented;
}

}  // namespace geometry
