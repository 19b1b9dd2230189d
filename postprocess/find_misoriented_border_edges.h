#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"

namespace geometry {

/// A directed edge as (first, second) vertex indices, ordered by first, then second.
using vertex_pair = std::pair<std::size_t, std::size_t>;

/// The border edges that run against their mesh triangle: those held by exactly one triangle,
/// which runs the edge the other way (second -> first).
/// @param[in] result the face mesh and its border edges; every border edge index must have an
///                   entry in `map`.
/// @param[in] map    the exact vertex-to-triangles map of the mesh.
/// @return the (first, second) pairs of those edges, ascending, without repeats. A border edge
///         that no triangle holds, or that two or more triangles hold, is not listed.
std::vector<vertex_pair> find_misoriented_border_edges(
    const MCadTriangulator::triangulation_result& result,
    const Oxlen::Geometry::vertex_triangles_map& map);

}  // namespace geometry
