#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "Oxlen/Export.h"
#include "Oxlen/Geometry/triangle_surface.h"

namespace Oxlen::Geometry {

/// Merges vertices that lie within a tolerance of each other and renumbers the triangles.
///
/// Clustering rule (deterministic, and free of chaining): the vertices are visited in index
/// order; a vertex joins the lowest-index representative, among the representatives made so far,
/// whose original position lies within `tolerance` of it (Euclidean distance, overflow-safe,
/// inclusive); when there is none it becomes a representative itself. A vertex is therefore never
/// merged with a representative farther than `tolerance`, however many points lie in between, and
/// representatives are more than `tolerance` apart. Vertices with a NaN or infinite coordinate
/// never merge: each stays on its own.
///
/// The new vertex list holds one vertex per representative, in the order of the representatives
/// (so the vertices keep their relative order). Triangles are renumbered but none is removed, also
/// when it now repeats a corner.
///
/// Runs in time near-linear in the vertex count: representatives are hashed in a grid of cells
/// two to four tolerances wide (per coordinate, cells grow with the coordinate's magnitude where
/// the tolerance is below its rounding step), so that only nearby representatives are compared.
///
/// @param[in,out] surface the mesh.
/// @param[in] tolerance the merge distance, >= 0; 0 merges exactly coincident vertices only.
/// @param[in] average false: a merged vertex keeps the position of its representative (its lowest
///            index member); true: it gets the mean position of its members.
/// @return whether any vertex was merged, and the table from old to new vertex index (one entry
///         per old vertex; the identity when nothing was merged).
/// @throws std::invalid_argument ("tolerance: ...") for a negative or NaN tolerance, ("surface:
///         ...") when a triangle names a vertex index out of range. Nothing is changed then.
OXLEN_CAD_TRIANGULATION_API std::pair<bool, std::vector<std::size_t>> stitch_points(
    triangle_surface& surface, double tolerance, bool average);

}  // namespace Oxlen::Geometry
