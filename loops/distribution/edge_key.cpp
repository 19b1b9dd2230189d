#include "edge_key.h"

namespace loops::detail {

std::int64_t PlainEdgeKey(const MQuads& quads, const MQuads::MQuadEdge& edge) {
  const MQuads::MVertexIndex& m = edge.IsReversed() ? edge.end : edge.start;
  const std::int64_t nV = quads.GetIsolinesCount(MQuads::EAxis::V);
  const std::int64_t key = 2 * (static_cast<std::int64_t>(m.u) * nV + m.v);
  return edge.start.u != edge.end.u ? key + 1 : key;
}

std::int64_t EdgeKey(const MQuads& quads, const MQuads::MQuadEdge& edge) {
  if (edge == MQuads::kInvalidQuadEdge)
    return -1;
  if (!quads.IsEdgeOnPeriodicBorder(edge))
    return PlainEdgeKey(quads, edge);
  MQuads::MQuadEdge moved = edge;
  if (edge.start.u != edge.end.u) {
    moved.start.v = 0;
    moved.end.v = 0;
  } else {
    moved.start.u = 0;
    moved.end.u = 0;
  }
  return PlainEdgeKey(quads, moved);
}

}  // namespace loops::detail
