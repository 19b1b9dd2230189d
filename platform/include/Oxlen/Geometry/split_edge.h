#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "Oxlen/Export.h"
#include "Oxlen/Geometry/triangle_surface.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"

// Splitting an edge at a vertex: every triangle (a, b, c) that has the edge as its side a-b
// (in either direction) becomes (a, m, c) in place, with m written over b at b's corner position,
// and (m, b, c) is appended to the triangle list. Both halves keep the winding of the triangle
// they come from. Triangles are split in ascending index order, so the appended triangles follow
// that order. A side from a vertex to itself is never split.

namespace Oxlen::Geometry {

/// Splits an edge at a new vertex placed along it.
/// @param[in] edge the edge (edge[0], edge[1]); both indices below the vertex count.
/// @param[in] t weight of edge[0]: the new vertex lies at t * pos(edge[0]) + (1 - t) *
/// pos(edge[1]).
///            Must be finite; values outside [0, 1] place the vertex beyond the ends.
/// @param[in,out] surface the mesh; one vertex is appended, and one triangle per split triangle.
/// @param[in,out] map the exact vertex-to-triangles map of `surface` (one entry per vertex); an
///                entry for the new vertex is appended and the map is kept exact.
/// @return the index of the new vertex (the old vertex count). An edge that no triangle holds, or
///         whose ends are the same vertex, still gets the new vertex, with no triangle.
/// @throws std::invalid_argument ("edge: ...") for an index out of range, ("t: ...") for a
///         non-finite t, ("map: ...") when the map does not have one entry per vertex or when the
///         entry of a vertex the split edits (an end of the edge, a corner of a triangle holding
///         it) lists a triangle out of range. Nothing is changed then.
OXLEN_CAD_TRIANGULATION_API std::size_t split_edge(const std::array<std::size_t, 2>& edge, double t,
                                                   triangle_surface& surface,
                                                   vertex_triangles_map& map);

/// Splits an edge at an existing vertex, keeping a per-triangle value list parallel to the
/// triangle list: each appended triangle takes over the value of the triangle it was split from.
/// @param[in] edge the edge (edge[0], edge[1]); both indices below the vertex count.
/// @param[in] vertex the vertex to insert; below the vertex count. Its position is not changed.
///            When it is one of the edge's ends (or the ends are equal) nothing changes, since
///            the split would only produce a degenerate copy of each triangle; for the same
///            reason a triangle that has the vertex as its third corner is not split.
/// @param[in,out] surface the mesh; one triangle is appended per split triangle.
/// @param[in,out] map the exact vertex-to-triangles map of `surface` (one entry per vertex).
/// @param[in,out] perTriangle at least one value per triangle. The value of an appended triangle
///                is inserted at that triangle's index, so values beyond the triangle count stay
///                behind the parallel part.
/// @throws std::invalid_argument ("edge: ...", "vertex: ...") for an index out of range,
///         ("perTriangle: ...") for a list shorter than the triangle list, ("map: ...") as above.
///         Nothing is changed then.
OXLEN_CAD_TRIANGULATION_API void split_edge(const std::array<std::size_t, 2>& edge,
                                            std::size_t vertex, triangle_surface& surface,
                                            vertex_triangles_map& map,
                                            std::vector<std::size_t>& perTriangle);

}  // namespace Oxlen::Geometry
