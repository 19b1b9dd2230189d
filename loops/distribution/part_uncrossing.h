#pragma once

#include "MLoopPartSet.h"
#include "Oxlen/Cad/Triangulation/MQuads.h"
#include "splitting_points_by_edge.h"

namespace loops::detail {

/// Uncrosses every pair of parts of one quad whose end points interleave around the quad's
/// border, quad by quad in key order; a quad is examined again from its first pair after each
/// uncrossing, and left when a full pass finds no crossing pair.
///
/// Parts a and b (a listed first) cross when, going around the quad's edges from corner 0 to 1,
/// 2, 3 and listing their splitting points in travel order with label 0 for a and 1 for b, the
/// first three labels L0, L1, L2 have L1 != L0 and L1 != L2. Uncrossing: M is the midpoint of the
/// nearest points of the nearest pair of segments of their polylines (start position, points,
/// end position; a's segments in the outer loop, the first minimum kept); M is inserted into both
/// (its tag that of the point before it, or the start crossing's), a continues after M with b's
/// tail and b with a's, and their `end` indices are exchanged.
/// @param[in]     quads  the grid
/// @param[in,out] set    the parts of one loop
/// @param[in]     byEdge the splitting points of `set` per edge
/// @return true when at least one pair was uncrossed.
bool UncrossParts(const MCadTriangulator::MQuads& quads, MLoopPartSet& set,
                  const SplittingPointsByEdge& byEdge);

}  // namespace loops::detail
