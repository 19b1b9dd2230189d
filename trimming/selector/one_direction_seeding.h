#pragma once

#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"
#include "selector_seeds.h"

namespace selector::detail {

/// Seeds for a grid closed in exactly one direction, all outside.
///
/// First pass: every quad of the grid's outer ring (u outer, v inner) that holds no loop
/// information and has no corner on a lone pole or on a pole the loops touch seeds its corners on
/// the open border (not on the seam). A side of an open direction is a pole when all its
/// vertices lie within squared distance 2^-26 of its first one; it is lone when the opposite
/// side is not a pole, and touched when a loop part of the quad row along it starts or ends at a
/// crossing on that side (both edge vertices on it, within parameter 1e-6 of the vertex on it, or
/// within 1e-4 of either edge vertex).
///
/// Second pass, when the first yields nothing: the outer-ring quads with loop parts and no inner
/// loops measure, at each corner on the open border, the smallest parameter distance to a
/// crossing on an edge leaving that corner (every splitting point used once; crossings on an
/// edge touching the seam are ignored); a corner with such a distance above 1e-6 that is not on
/// a touched pole is seeded.
/// @param[in] grid the grid and its loops; the grid closed in exactly one direction.
SeedMap SeedOneDirection(const MCadTriangulator::MQuadrangulatedSurface& grid);

}  // namespace selector::detail
