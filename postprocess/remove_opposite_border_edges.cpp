#include "remove_opposite_border_edges.h"

#include <cstddef>
#include <map>
#include <optional>
#include <vector>

namespace geometry {

namespace {

using BorderEdges = std::vector<MCadTriangulator::border_edge>;
using EdgesByFirst = std::map<std::size_t, std::vector<std::size_t>>;

// The indices of the border edges, ascending, under the vertex each starts at.
EdgesByFirst IndexByFirst(const BorderEdges& edges) {
  EdgesByFirst byFirst;
  for (std::size_t i = 0; i < edges.size(); ++i)
    byFirst[edges[i].first].push_back(i);
  return byFirst;
}

// The first unpaired edge after i that runs back along i with i's tag.
std::optional<std::size_t> FindOppositePartner(const BorderEdges& edges,
                                               const EdgesByFirst& byFirst,
                                               const std::vector<bool>& paired, std::size_t i) {
  const auto startingAtEnd = byFirst.find(edges[i].second);
  if (startingAtEnd == byFirst.end())
    return std::nullopt;
  for (const std::size_t j : startingAtEnd->second) {
    if (!paired[j] && j > i && edges[j].second == edges[i].first && edges[j].tag == edges[i].tag)
      return j;
  }
  return std::nullopt;
}

void EraseFlagged(BorderEdges& edges, const std::vector<bool>& flagged) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < edges.size(); ++i) {
    if (!flagged[i])
      edges[kept++] = edges[i];
  }
  edges.resize(kept);
}

}  // namespace

void remove_opposite_border_edges(MCadTriangulator::triangulation_result& result) {
  BorderEdges& edges = result.border_edges;
  const EdgesByFirst byFirst = IndexByFirst(edges);
  std::vector<bool> paired(edges.size(), false);
  for (std::size_t i = 0; i < edges.size(); ++i) {
    if (paired[i])
      continue;
    if (const std::optional<std::size_t> j = FindOppositePartner(edges, byFirst, paired, i)) {
      paired[i] = true;
      paired[*j] = true;
    }
  }
  EraseFlagged(edges, paired);
}

}  // namespace geometry
