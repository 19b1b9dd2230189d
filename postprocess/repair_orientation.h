#pragma once

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"

namespace geometry {

/// Makes the triangles run along the face's border edges.
///
/// First erases the opposite border edge pairs (`remove_opposite_border_edges`). Then, for each
/// misoriented border edge (`find_misoriented_border_edges`) not yet covered, takes the whole
/// side-connected region of triangles holding it and its open sides (the sides without an
/// oppositely directed partner in the region, reversed). When every open side is a misoriented
/// border edge, the region was wound against its whole border and all its triangles are turned
/// over (first two corners swapped); otherwise the region is kept and the border edges lying on
/// its open sides the wrong way are erased.
/// @param[in,out] result the face mesh and its border edges; every index must name a vertex.
/// @param[in,out] map    the exact vertex-to-triangles map of the mesh; stays exact (turning a
///                       triangle over keeps its corners).
/// Degenerate cases: without misoriented border edges only the opposite pairs go.
void repair_orientation(MCadTriangulator::triangulation_result& result,
                        Oxlen::Geometry::vertex_triangles_map& map);

}  // namespace geometry
