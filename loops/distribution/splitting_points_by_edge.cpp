#include "splitting_points_by_edge.h"

#include <algorithm>

namespace loops::detail {

using MQuads = MCadTriangulator::MQuads;

MQuads::MQuadEdge Ascending(const MQuads::MQuadEdge& edge) {
  return edge.IsReversed() ? MQuads::MQuadEdge(edge.end, edge.start) : edge;
}

SplittingPointsByEdge CollectSplittingPointsByEdge(const MLoopPartSet& set) {
  SplittingPointsByEdge byEdge;
  for (int i = 0; i < static_cast<int>(set.splittingPoints.size()); ++i)
    byEdge[Ascending(set.splittingPoints[static_cast<std::size_t>(i)].pointOnEdge.edge)].push_back(
        i);
  for (auto& [edge, indices] : byEdge) {
    std::stable_sort(indices.begin(), indices.end(), [&](int a, int b) {
      return set.splittingPoints[static_cast<std::size_t>(a)].pointOnEdge.parameter <
             set.splittingPoints[static_cast<std::size_t>(b)].pointOnEdge.parameter;
    });
  }
  return byEdge;
}

std::vector<int> SplittingPointsAlong(const SplittingPointsByEdge& byEdge,
                                      const MQuads::MVertexIndex& from,
                                      const MQuads::MVertexIndex& to) {
  const MQuads::MQuadEdge travel(from, to);
  const auto it = byEdge.find(Ascending(travel));
  if (it == byEdge.end())
    return {};
  std::vector<int> along = it->second;
  if (travel.IsReversed())
    std::reverse(along.begin(), along.end());
  return along;
}

}  // namespace loops::detail
