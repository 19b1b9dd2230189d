#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "Oxlen/Export.h"
#include "Oxlen/Geometry/triangle_surface.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"

// Local topology queries on an indexed mesh with its vertex-to-triangles map. An edge is a pair
// of vertex indices; a triangle (a, b, c) has the directed sides a->b, b->c and c->a.

namespace Oxlen::Geometry {

/// Whether a triangle has the edge as one of its sides.
/// @param[in] edge the edge (edge[0], edge[1]).
/// @param[in] triangle the three corner indices.
/// @param[in] directed false: the side may run either way; true: the triangle must run the edge
///            in its own direction, edge[0] -> edge[1] as corners 0->1, 1->2 or 2->0.
/// @return true when the side exists. Pure index comparison; a triangle with a repeated corner
///         has the degenerate sides its corners form.
OXLEN_CAD_TRIANGULATION_API bool has_edge(const std::array<std::size_t, 2>& edge,
                                          const std::array<std::size_t, 3>& triangle,
                                          bool directed);

/// The triangles that have the edge as a side.
/// @param[in] edge the edge; both indices must have an entry in `map`.
/// @param[in] surface the mesh.
/// @param[in] map the exact vertex-to-triangles map of `surface`.
/// @param[in] directed as for `has_edge`: true keeps only the triangles that run the edge from
///            edge[0] to edge[1].
/// @return ascending triangle indices; empty when no triangle holds the edge.
/// @throws std::invalid_argument ("edge: ...") when an index of the edge has no entry in `map`,
///         ("map: ...") when the map lists a triangle index that is not below the triangle count.
OXLEN_CAD_TRIANGULATION_API std::vector<std::size_t> triangle_indices_from_edge(
    const std::array<std::size_t, 2>& edge, const triangle_surface& surface,
    const vertex_triangles_map& map, bool directed);

/// The triangles that share a side (in either direction) with a given triangle.
/// @param[in] surface the mesh.
/// @param[in] map the exact vertex-to-triangles map of `surface`.
/// @param[in] triangle index of the triangle.
/// @return ascending indices without repeats, the triangle itself excluded.
/// @throws std::invalid_argument ("triangle: ...") when the index is not below the triangle count
///         or the triangle names a vertex without an entry in `map`; ("map: ...") when the map
///         lists a triangle index that is not below the triangle count.
OXLEN_CAD_TRIANGULATION_API std::vector<std::size_t> triangle_neighbour_indices(
    const triangle_surface& surface, const vertex_triangles_map& map, std::size_t triangle);

}  // namespace Oxlen::Geometry
