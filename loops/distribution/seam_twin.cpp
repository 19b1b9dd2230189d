#include "seam_twin.h"

namespace loops::detail {

MCadTriangulator::MLoopsOnQuads::MLoopSplittingPoint SeamTwin(
    const MCadTriangulator::MQuads& quads,
    const MCadTriangulator::MLoopsOnQuads::MLoopSplittingPoint& crossing) {
  const auto& next = crossing.nextQuad;
  int du = 0;
  int dv = 0;
  if (crossing.previousQuad.u != next.u)
    du = next.u != 0 ? 1 : -1;
  else
    dv = next.v != 0 ? 1 : -1;
  MCadTriangulator::MLoopsOnQuads::MLoopSplittingPoint twin = crossing;
  twin.pointOnEdge.edge = quads.FindQuadEdge(next, du, dv);
  twin.tag = 0;
  return twin;
}

}  // namespace loops::detail
