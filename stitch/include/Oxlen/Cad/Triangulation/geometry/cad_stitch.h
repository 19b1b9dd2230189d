#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Oxlen/Common/IProgressDelegate.h"
#include "Oxlen/Export.h"
#include "Oxlen/Geometry/triangle_surface.h"

namespace geometry {

/// One directed border segment of a face mesh, tagged with the signed number of the fin (the use
/// of a CAD edge by that face) it lies on. The two fins of one CAD edge carry opposite numbers;
/// the segments of one fin run in the fin's direction, each starting where the previous one ends.
struct edge_with_topology {
  std::size_t start_vertex = 0;  ///< the segment's first vertex (index into the surface)
  std::size_t end_vertex = 0;    ///< the segment's second vertex
  std::int32_t fin_id = 0;       ///< the fin's signed number
};

/// How `cad_stitch` ended.
enum class cad_stitch_return_code : int {
  success = 0,    ///< the surface is stitched and compacted
  cancelled = 1,  ///< the progress delegate asked to stop; the surface is left part-way
};

/// Zips the separately triangulated faces of one CAD model, gathered into one surface, along the
/// model's shared edges.
///
/// Every face keeps its own copies of its border vertices; `edges` describe each face border as
/// directed segments tagged with fin numbers. The fin numbered k (k >= 0) is paired with the fin
/// numbered -k when their chains of segments stay within `tolerance` of each other along their
/// whole length. The copies of each model vertex (the ends of paired fins) are moved to their mean
/// and merged; then each pair of chains is zipped, merging side-by-side vertices at their midpoint
/// and inserting the others into the opposite face's border segment (splitting its triangles).
/// Finally removed vertices and triangles are swept out: vertices keep their order, triangles
/// that repeat a corner go, and `perTriangle` moves along with the triangles.
///
/// A fin that runs once around a closed edge (a full circle at the end of a cylinder: its
/// segments form one cycle) is zipped with its partner cycle, starting where the two cycles come
/// nearest (at the closed edge's own vertex, which both pass through).
///
/// Fins that cannot be paired are left as they are: a fin number present on one side only, a fin
/// whose segments form several cycles or break into several runs, a chain that ends where no
/// segment starts, chains that drift apart by more than the tolerance, chains through a vertex
/// without a finite position, and the number INT32_MIN (its negation does not exist).
///
/// @param[in,out] surface     the gathered face meshes. Triangles whose first index is SIZE_MAX
///                            count as removed; every other index must name a vertex. Vertices
///                            whose x coordinate is NaN count as removed.
/// @param[in,out] perTriangle one value per triangle (more are allowed: the list is cut to the
///                            triangle count at the end); the values are never interpreted, only
///                            kept parallel to the triangles.
/// @param[in]     edges       the border segments; every index must name a vertex.
/// @param[in]     tolerance   the largest distance at which two fin chains count as the same edge
///                            (model units; >= 0, +infinity allowed).
/// @param[in]     progress    receives progress and may cancel; may be null.
/// @return `success`, or `cancelled` when the delegate asked to stop: the surface then holds the
///         changes made so far with the removal markers (NaN x, SIZE_MAX first index) in place
///         and is not compacted. With no edges the surface is returned untouched.
/// @throws std::invalid_argument ("edges: ...", "perTriangle: ...", "surface: ...",
///         "tolerance: ...") for an index out of range, a per-triangle list shorter than the
///         triangle list, or a negative or NaN tolerance; nothing is changed then. Exceptions of
///         the delegate propagate.
OXLEN_CAD_TRIANGULATION_API cad_stitch_return_code
cad_stitch(Oxlen::Geometry::triangle_surface& surface, std::vector<std::size_t>& perTriangle,
           const std::vector<edge_with_topology>& edges, double tolerance,
           std::shared_ptr<Oxlen::Common::IProgressDelegate> progress);

}  // namespace geometry
