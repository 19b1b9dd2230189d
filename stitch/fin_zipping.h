#pragma once

// Zipping the two chains of a common fin together.

#include <array>
#include <cstddef>
#include <memory>

#include "Oxlen/Common/IProgressDelegate.h"
#include "stitch_state.h"

namespace geometry::detail {

/// Inserts the vertex v into the border segment (e0, e1): splits the triangles on that segment at
/// v (keeping the per-triangle values parallel), and inserts v between e0 and e1 wherever they
/// follow each other in the chains of a common fin that passes through both. A vertex that ends
/// the segment changes nothing, and so does a segment held by more than two triangles (no border
/// segment is).
void insert_vertex_into_edge(const std::array<std::size_t, 2>& edge, std::size_t v,
                             stitch_state& state);

/// Zips the chains of common fin j, from the pair's start vertex (already shared after the
/// unification) to its end: at each step the next vertices of both chains are merged at their
/// midpoint when they lie side by side across the edge; otherwise the one nearer to the current
/// point moves halfway to its projection on the other chain's segment and is inserted there.
/// The fin's chains are emptied.
/// @throws cancelled when the delegate asks to stop (polled at every step).
void stitch_common_fin(std::size_t j, stitch_state& state,
                       std::shared_ptr<Oxlen::Common::IProgressDelegate> progress);

}  // namespace geometry::detail
