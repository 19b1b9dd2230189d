#pragma once

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"

namespace geometry::detail {

/// Sweeps the vertices, triangles and border edges marked removed (`removal_markers.h`) out of a
/// face mesh and renumbers the rest, keeping the vertex-to-triangles map exact.
///
/// Vertices that are not removed keep their relative order and take their map entries along.
/// Triangles that are not removed and whose corners all stay keep their relative order, with
/// renumbered corners; a triangle with a repeated corner stays. Border edges that are not
/// removed and whose two ends stay are renumbered in their order; the others go, so that no
/// border edge names a removed vertex.
/// @param[in,out] result the face mesh; every index that is not a removal marker must name a
///                       vertex.
/// @param[in,out] map    the vertex-to-triangles map of the mesh, exact for the triangles that
///                       are not removed; cut to the new vertex count and renumbered.
void compact_result(MCadTriangulator::triangulation_result& result,
                    Oxlen::Geometry::vertex_triangles_map& map);

}  // namespace geometry::detail
