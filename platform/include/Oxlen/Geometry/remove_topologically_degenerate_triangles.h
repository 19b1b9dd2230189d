#pragma once

#include <cstddef>

#include "Oxlen/Export.h"
#include "Oxlen/Geometry/triangle_surface.h"

namespace Oxlen::Geometry {

/// Removes every triangle that names one vertex index more than once (a triangle collapsed to an
/// edge or a point by index, whatever its geometry). Geometrically flat triangles with three
/// distinct indices stay. Vertices are not touched.
/// @param[in,out] surface the mesh; the remaining triangles keep their relative order.
/// @return the number of triangles removed.
OXLEN_CAD_TRIANGULATION_API std::size_t remove_topologically_degenerate_triangles(
    triangle_surface& surface);

}  // namespace Oxlen::Geometry
