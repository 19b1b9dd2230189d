#pragma once

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"

namespace geometry {

/// Erases the border edges that come in opposite pairs with one tag: for each edge a->b in list
/// order that is not paired yet, the first later edge b->a with the same tag that is not paired
/// yet is its partner, and both go. Such pairs are the two sides of a seam that the face's loop
/// runs up and down (the mesh is closed across it), or a border edge listed once too often
/// against its direction.
/// @param[in,out] result the face mesh; only `border_edges` is read and changed, keeping the
///                       order of the edges that stay. Indices are not checked.
/// Degenerate cases: edges with different tags never pair; of two copies of a->b and one b->a
/// with one tag, exactly one a->b stays.
void remove_opposite_border_edges(MCadTriangulator::triangulation_result& result);

}  // namespace geometry
