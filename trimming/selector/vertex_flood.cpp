#include "vertex_flood.h"

#include <cstddef>
#include <set>
#include <utility>

namespace selector::detail {

using MVertexIndex = MQuads::MVertexIndex;

EdgeCrossingCounts CountEdgeCrossings(const MCadTriangulator::MLoopsOnQuads& loops) {
  std::set<int> distinct;
  for (const auto& entry : loops.GetAllLoopParts()) {
    for (const auto& part : entry.second) {
      distinct.insert(part.start);
      distinct.insert(part.end);
    }
  }
  EdgeCrossingCounts counts;
  for (const int index : distinct) {
    const MQuads::MQuadEdge& edge = loops.GetLoopSplittingPoint(index).pointOnEdge.edge;
    ++counts[edge];
    ++counts[MQuads::MQuadEdge(edge.end, edge.start)];
  }
  return counts;
}

std::vector<EVertexStatus> FloodStatuses(const MQuads& quads, const SeedMap& seeds,
                                         const EdgeCrossingCounts& counts) {
  const int nU = quads.GetIsolinesCount(MQuads::EAxis::U);
  const int nV = quads.GetIsolinesCount(MQuads::EAxis::V);
  const auto at = [nV](const MVertexIndex& x) {
    return static_cast<std::size_t>(x.u) * static_cast<std::size_t>(nV) +
           static_cast<std::size_t>(x.v);
  };
  std::vector<EVertexStatus> statuses(static_cast<std::size_t>(nU) * static_cast<std::size_t>(nV),
                                      MCadTriangulator::MTrimPartSelector::Outside);
  std::vector<bool> visited(statuses.size(), false);
  std::vector<MVertexIndex> frontier;
  for (const auto& [vertex, status] : seeds) {
    statuses[at(vertex)] = status;
    frontier.push_back(vertex);
  }
  while (!frontier.empty()) {
    std::vector<MVertexIndex> next;
    for (const MVertexIndex& x : frontier) {
      const EVertexStatus status = statuses[at(x)];
      const MVertexIndex neighbours[] = {
          {x.u - 1, x.v}, {x.u, x.v - 1}, {x.u + 1, x.v}, {x.u, x.v + 1}};
      for (const MVertexIndex& n : neighbours) {
        if (n.u < 0 || n.u >= nU || n.v < 0 || n.v >= nV || visited[at(n)])
          continue;
        visited[at(n)] = true;
        const auto count = counts.find(MQuads::MQuadEdge(x, n));
        const bool odd = count != counts.end() && count->second % 2 != 0;
        statuses[at(n)] = odd ? Inverted(status) : status;
        next.push_back(n);
      }
    }
    frontier = std::move(next);
  }
  return statuses;
}

}  // namespace selector::detail
