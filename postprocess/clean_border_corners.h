#pragma once

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"

namespace geometry {

/// Removes or splits the sliver triangles at lonely corners (vertices with exactly one triangle)
/// of a face mesh.
///
/// Removal pass, over the triangles that start with a lonely corner, ascending: the lonely corner
/// v nearest its opposite side (ties to the later corner), when it lies within `cornerDistance`
/// of that side and its two border edges p->v and v->n carry the same tag (a missing edge counts
/// as tag 0), is no model vertex: its triangle and v go, and the two border edges are joined into
/// p->n with their tag. When only one of them exists it cannot be joined and goes; corners left
/// without triangles go too when the tag is 0. Split pass, over the triangles present when it
/// starts: the side opposite the lonely corner nearest it is split at the foot of the corner's
/// perpendicular (at its middle when the foot falls outside it), and a border edge n->p along
/// that side becomes n->w, w->p with its tag. Finally the removed vertices, triangles and border
/// edges are swept out (`detail::compact_result`).
/// @param[in,out] result         the face mesh and its border edges; every index must name a
///                               vertex and every coordinate must be finite.
/// @param[in,out] map            the exact vertex-to-triangles map of the mesh; renumbered with
///                               it and kept exact.
/// @param[in]     cornerDistance the largest distance of a removed corner from its opposite side:
///                               >= 0 (+infinity allowed).
/// Degenerate cases: with `cornerDistance` 0 only corners lying on their opposite side go; a
/// corner whose border edges carry different tags stays however flat its triangle is.
void clean_border_corners(MCadTriangulator::triangulation_result& result,
                          Oxlen::Geometry::vertex_triangles_map& map, double cornerDistance);

}  // namespace geometry
