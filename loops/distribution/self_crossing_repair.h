#pragma once

#include <vector>

#include "MLoopPartSet.h"
#include "Oxlen/Cad/Triangulation/MQuads.h"

namespace loops::detail {

/// Removes the places where one loop crosses itself inside a quad, on a grid closed in neither
/// direction.
///
/// Two parts of one quad cross when their end points interleave around the quad's border
/// (corners 0 -> 1 -> 2 -> 3, splitting points on an edge in travel order). Such a pair is
/// uncrossed at the midpoint M of the nearest points of their polylines: each part keeps its head
/// up to M and takes the other's tail after M (and its end). Each quad is examined again after
/// every uncrossing until no pair crosses. When nothing was uncrossed the set is returned alone.
/// Otherwise the parts fall into cycles; starting from the longest cycle, the splitting points
/// are checked along every grid edge in a flood from vertex to vertex: their directions must
/// alternate (in, out, in ...), and every cycle holding a splitting point that breaks the
/// alternation is dropped. Each remaining cycle becomes a part set of its own.
/// @param[in] quads the grid
/// @param[in] set   the parts of one loop
/// @return the part sets to merge, in order; `set` alone when the grid is closed in U or in V.
/// @throws std::out_of_range "invalid map<K, T> key" when a splitting point the repair relies on
///         is not the start of a part (the set is then not one loop's distribution).
std::vector<MLoopPartSet> RepairSelfCrossings(const MCadTriangulator::MQuads& quads,
                                              MLoopPartSet set);

}  // namespace loops::detail
