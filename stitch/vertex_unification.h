#pragma once

// Merging the copies of each model vertex into one vertex.

#include <cstddef>
#include <memory>

#include "Oxlen/Common/IProgressDelegate.h"
#include "stitch_state.h"

namespace geometry::detail {

/// Merges the vertex `from` into `to`: every chain of a common fin through `from` goes through
/// `to`, the fins and triangles of `from` become those of `to`, and a triangle that held both
/// collapses and is removed. `from` is marked removed. Nothing happens when the two are the same
/// vertex or `from` is already removed.
void merge_vertex(std::size_t from, std::size_t to, stitch_state& state);

/// Moves the copies of each model vertex (the ends of the common fins, grouped by vertex class)
/// to their mean position and merges them into the first of them.
/// @throws cancelled when the delegate asks to stop (polled every 100 classes).
void unify_common_vertex_coordinates(stitch_state& state,
                                     std::shared_ptr<Oxlen::Common::IProgressDelegate> progress);

}  // namespace geometry::detail
