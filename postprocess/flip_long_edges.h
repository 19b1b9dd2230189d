#pragma once

#include "Oxlen/Geometry/triangle_surface.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"

namespace long_edges {

/// Flips edges to the other diagonal of their two triangles where that diagonal is strictly
/// shorter and the two new triangles lie in one plane (their unit normals agree within 2^-26),
/// in whole passes over the triangles until a pass flips nothing.
///
/// Each pass offers every side a->b with a < b of every triangle, in triangle and corner order,
/// reading each triangle's current corners. A flip replaces an edge by a strictly shorter one, so
/// the passes end. Edges that `Oxlen::Geometry::flip_edge_if` cannot flip (boundary sides,
/// non-manifold or inconsistently wound edges) stay.
/// @param[in,out] mesh the mesh; every triangle index must name a vertex.
/// @param[in,out] map  the exact vertex-to-triangles map of `mesh`; kept exact.
void flip_long_edges(Oxlen::Geometry::triangle_surface& mesh,
                     Oxlen::Geometry::vertex_triangles_map& map);

}  // namespace long_edges
