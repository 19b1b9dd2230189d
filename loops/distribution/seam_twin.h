#pragma once

#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"
#include "Oxlen/Cad/Triangulation/MQuads.h"

namespace loops::detail {

/// The twin of a crossing of a periodic seam: the same crossing recorded on the other copy of the
/// seam edge, the edge of the crossing's next quad that faces the seam. That edge is
/// `FindQuadEdge(nextQuad, du, dv)` with, when the previous and the next quad differ in u,
/// du = +1 if nextQuad.u != 0 and -1 otherwise, dv = 0; else du = 0 and dv = +1 if
/// nextQuad.v != 0, -1 otherwise. Parameter, next and previous quad are kept; the tag is 0.
/// @param[in] quads    the grid
/// @param[in] crossing a crossing whose edge lies on a periodic border
MCadTriangulator::MLoopsOnQuads::MLoopSplittingPoint SeamTwin(
    const MCadTriangulator::MQuads& quads,
    const MCadTriangulator::MLoopsOnQuads::MLoopSplittingPoint& crossing);

}  // namespace loops::detail
