#include "repair_orientation.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <set>
#include <utility>
#include <vector>

#include "Oxlen/Geometry/mesh_topology_queries.h"
#include "find_misoriented_border_edges.h"
#include "remove_opposite_border_edges.h"

namespace geometry {

namespace {

using Result = MCadTriangulator::triangulation_result;
using Oxlen::Geometry::vertex_triangles_map;

// The side-connected part of the mesh that holds the edge, as ascending triangle indices: a
// flood from the edge's triangles over shared sides.
std::vector<std::size_t> CollectRegion(const vertex_pair& edge, const Result& result,
                                       const vertex_triangles_map& map) {
  std::vector<bool> inRegion(result.triangles.size(), false);
  std::vector<std::size_t> region;
  std::vector<std::size_t> frontier =
      Oxlen::Geometry::triangle_indices_from_edge({edge.first, edge.second}, result, map, false);
  while (!frontier.empty()) {
    std::vector<std::size_t> next;
    for (const std::size_t t : frontier) {
      if (inRegion[t])
        continue;
      inRegion[t] = true;
      region.push_back(t);
      const std::vector<std::size_t> neighbours =
          Oxlen::Geometry::triangle_neighbour_indices(result, map, t);
      next.insert(next.end(), neighbours.begin(), neighbours.end());
    }
    frontier = std::move(next);
  }
  std::sort(region.begin(), region.end());
  return region;
}

// The region's sides without an oppositely directed partner in the region, each reversed: a side
// a->b cancels a pending b->a, otherwise it leaves (b, a) pending.
std::set<vertex_pair> OpenSides(const std::vector<std::size_t>& region, const Result& result) {
  std::set<vertex_pair> open;
  for (const std::size_t t : region) {
    const std::array<std::size_t, 3>& corners = result.triangles[t];
    for (std::size_t k = 0; k < 3; ++k) {
      const vertex_pair side{corners[k], corners[(k + 1) % 3]};
      if (open.erase(side) == 0)
        open.emplace(side.second, side.first);
    }
  }
  return open;
}

bool AllMisoriented(const std::set<vertex_pair>& open,
                    const std::vector<vertex_pair>& misoriented) {
  return std::all_of(open.begin(), open.end(), [&misoriented](const vertex_pair& side) {
    return std::binary_search(misoriented.begin(), misoriented.end(), side);
  });
}

void TurnOver(const std::vector<std::size_t>& region, Result& result) {
  for (const std::size_t t : region)
    std::swap(result.triangles[t][0], result.triangles[t][1]);
}

void EraseBorderEdgesOn(const std::set<vertex_pair>& open, Result& result) {
  std::erase_if(result.border_edges, [&open](const MCadTriangulator::border_edge& edge) {
    return open.count({edge.first, edge.second}) != 0;
  });
}

}  // namespace

void repair_orientation(Result& result, vertex_triangles_map& map) {
  // 1. Opposite pairs go; what still runs against its triangle is misoriented.
  remove_opposite_border_edges(result);
  const std::vector<vertex_pair> misoriented = find_misoriented_border_edges(result, map);
  // 2. One region per misoriented edge not yet covered.
  std::set<vertex_pair> handled;
  for (const vertex_pair& edge : misoriented) {
    if (handled.count(edge) != 0)
      continue;
    const std::vector<std::size_t> region = CollectRegion(edge, result, map);
    const std::set<vertex_pair> open = OpenSides(region, result);
    handled.insert(open.begin(), open.end());
    if (AllMisoriented(open, misoriented))
      TurnOver(region, result);
    else
      EraseBorderEdgesOn(open, result);
  }
}

}  // namespace geometry
