#pragma once

#include <array>
#include <cstddef>
#include <functional>

#include "Oxlen/Export.h"
#include "Oxlen/Geometry/triangle_surface.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"

namespace Oxlen::Geometry {

/// Flips an edge between two triangles to the other diagonal of their quadrilateral, if the
/// caller's predicate accepts the new diagonal.
///
/// The edge (e0, e1) is flippable only when exactly two triangles hold it, one running e0->e1,
/// (e0, e1, c1) up to rotation, and one running e1->e0, (e1, e0, c0) up to rotation; neither
/// repeats a corner; c0 != c1; and no triangle already joins c0 and c1. Then the predicate gets
/// the edge (c0, c1). On true the triangle that ran e0->e1 becomes (c0, c1, e0) and the triangle
/// that ran e1->e0 becomes (c1, c0, e1), each keeping its index, so that both keep the winding of
/// the pair they replace; the map is updated to match.
///
/// @param[in] edge the edge to flip; its indices must have entries in `map`.
/// @param[in,out] surface the mesh.
/// @param[in,out] map the exact vertex-to-triangles map of `surface`; kept exact.
/// @param[in] predicate decides on the new diagonal (c0, c1); called at most once, and only for a
///            flippable edge.
/// @return true when the edge was flipped. Otherwise (boundary, non-manifold or inconsistently
///         wound edge, degenerate triangles, diagonal already present, predicate false) nothing
///         changes and the result is false.
/// @throws std::invalid_argument ("edge: ...", "map: ...") for indices without entries as in
///         `triangle_indices_from_edge`, ("predicate: ...") for an empty predicate. Nothing is
///         changed then, nor when the predicate throws.
OXLEN_CAD_TRIANGULATION_API bool flip_edge_if(
    const std::array<std::size_t, 2>& edge, triangle_surface& surface, vertex_triangles_map& map,
    const std::function<bool(const std::array<std::size_t, 2>&)>& predicate);

}  // namespace Oxlen::Geometry
