#pragma once

#include <map>
#include <vector>

#include "MLoopPartSet.h"
#include "Oxlen/Cad/Triangulation/MQuads.h"

namespace loops::detail {

/// The splitting points of a part set per grid edge: the edge always from its smaller vertex to
/// its larger, the indices sorted by increasing parameter (by index on equal parameters).
using SplittingPointsByEdge = std::map<MCadTriangulator::MQuads::MQuadEdge, std::vector<int>>;

/// Files every splitting point of `set` under its edge.
SplittingPointsByEdge CollectSplittingPointsByEdge(const MLoopPartSet& set);

/// The edge from its smaller vertex to its larger.
MCadTriangulator::MQuads::MQuadEdge Ascending(const MCadTriangulator::MQuads::MQuadEdge& edge);

/// The splitting points on the edge from `from` to `to` in travel order (an empty list when the
/// edge has none).
std::vector<int> SplittingPointsAlong(const SplittingPointsByEdge& byEdge,
                                      const MCadTriangulator::MQuads::MVertexIndex& from,
                                      const MCadTriangulator::MQuads::MVertexIndex& to);

}  // namespace loops::detail
