#pragma once

#include <cstddef>
#include <vector>

#include <boost/container/flat_set.hpp>

#include "Oxlen/Export.h"
#include "Oxlen/Geometry/triangle_surface.h"

namespace Oxlen::Geometry {

/// For every vertex of a mesh, the ascending indices of the triangles that have it as a corner.
/// The mesh operations that change triangles take this map along and keep it exact, so that
/// topology queries stay local instead of scanning the whole triangle list.
using vertex_triangles_map = std::vector<boost::container::flat_set<std::size_t>>;

/// Builds the vertex-to-triangles map of a mesh.
/// @param[in] surface the mesh.
/// @return one entry per vertex of `surface` (vertices of no triangle get an empty set); a
///         triangle that repeats a corner is listed once for it.
/// @throws std::invalid_argument ("surface: ...") when a triangle names a vertex index that is not
///         below the vertex count.
OXLEN_CAD_TRIANGULATION_API vertex_triangles_map
get_vertex_to_triangles_map(const triangle_surface& surface);

}  // namespace Oxlen::Geometry
