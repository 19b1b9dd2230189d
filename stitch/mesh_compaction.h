#pragma once

// Sweeping removed vertices and triangles out of a mesh.

#include <cstddef>
#include <vector>

#include "Oxlen/Geometry/triangle_surface.h"

namespace geometry::detail {

/// Removes the vertices marked removed (NaN x) and renumbers the others in their old order;
/// keeps the triangles that are not marked removed (SIZE_MAX first index), name three different
/// vertices and only kept ones, moving each triangle's value in `perTriangle` along with it;
/// cuts both lists to the kept triangles.
/// @param[in,out] surface     the mesh; every triangle index is SIZE_MAX or names a vertex.
/// @param[in,out] perTriangle at least one value per triangle.
void compact_mesh(Oxlen::Geometry::triangle_surface& surface,
                  std::vector<std::size_t>& perTriangle);

}  // namespace geometry::detail
