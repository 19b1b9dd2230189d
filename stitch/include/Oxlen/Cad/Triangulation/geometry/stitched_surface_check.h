#pragma once

#include <cstddef>
#include <vector>

#include "Oxlen/Export.h"
#include "Oxlen/Geometry/triangle_surface.h"

namespace geometry {

/// What a stitched surface looks like, edge by edge: the invariants a stitched and compacted
/// surface keeps, and the counts that tell how closed it is.
struct stitched_surface_report {
  std::size_t vertices = 0;
  std::size_t triangles = 0;
  /// Vertices with a coordinate that is not finite (a removal marker left behind included).
  std::size_t non_finite_vertices = 0;
  /// Triangles with an index out of range (a removal marker SIZE_MAX included).
  std::size_t invalid_triangles = 0;
  /// Triangles that name one vertex twice.
  std::size_t degenerate_triangles = 0;
  /// Undirected edges held by exactly one triangle: the open border.
  std::size_t boundary_edges = 0;
  /// Undirected edges held by three or more triangles.
  std::size_t non_manifold_edges = 0;
  /// Edges held by two triangles that run along it in the same direction: the two triangles'
  /// orientations disagree.
  std::size_t inconsistently_oriented_edges = 0;
  /// False when the per-triangle list does not have exactly one value per triangle.
  bool per_triangle_parallel = true;

  /// True when no invariant is broken: finite vertices, valid and non-degenerate triangles,
  /// no non-manifold or inconsistently oriented edge, and a parallel per-triangle list.
  bool valid() const {
    return non_finite_vertices == 0 && invalid_triangles == 0 && degenerate_triangles == 0 &&
           non_manifold_edges == 0 && inconsistently_oriented_edges == 0 && per_triangle_parallel;
  }
  /// True when the surface is valid and has no open border: every edge is in two triangles.
  bool closed() const { return valid() && boundary_edges == 0; }
};

/// Checks a stitched surface: every vertex finite, every triangle naming three distinct existing
/// vertices, every edge in at most two triangles that run along it in opposite directions, and
/// one per-triangle value per triangle; and counts the open border.
/// @param[in] surface     the surface.
/// @param[in] perTriangle the values kept parallel to the triangles.
stitched_surface_report OXLEN_CAD_TRIANGULATION_API check_stitched_surface(
    const Oxlen::Geometry::triangle_surface& surface, const std::vector<std::size_t>& perTriangle);

}  // namespace geometry
