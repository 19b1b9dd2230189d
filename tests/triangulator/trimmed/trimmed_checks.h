#pragma once

// Measures of a trimmed face mesh against its known loops: area, boundary, border edges and
// winding.

#include <cstddef>
#include <vector>

#include "Oxlen/Geometry/triangle_surface.h"
#include "trimmed_faces.h"

namespace trimmed_test {

/// The summed area of the triangles.
double MeshArea(const Oxlen::Geometry::triangle_surface& mesh);

/// The mesh boundary (edges used by exactly one triangle) against the loops.
struct BoundaryMeasure {
  std::size_t edges = 0;
  double vertexOffLoop = 0.0;  ///< largest distance from a boundary vertex to the nearest fin
  double midpointOffLoop =
      0.0;              ///< largest distance from a boundary edge middle to the nearest fin
  double length = 0.0;  ///< summed length of the boundary edges
};
BoundaryMeasure MeasureBoundary(const Oxlen::Geometry::triangle_surface& mesh,
                                const std::vector<LiftedFin>& fins);

/// The border edges of a result against the fins of their tags and the mesh boundary.
struct BorderMeasure {
  std::size_t edges = 0;
  std::size_t invalid = 0;     ///< an index out of range, or both ends the same vertex
  std::size_t unknownTag = 0;  ///< a tag that names no fin
  double offFin = 0.0;         ///< largest distance from an edge's ends or middle to its tag's fin
  std::size_t againstFin = 0;  ///< edges that run against their fin's direction
  /// Border edges that are no mesh boundary edge run the same way (the face lies on the left of
  /// its loops seen from its outward side, as its triangles wind), or that are listed twice.
  std::size_t notOnBoundary = 0;
  std::size_t uncovered = 0;  ///< mesh boundary edges that no border edge covers
};
BorderMeasure MeasureBorderEdges(const Result& mesh, const std::vector<LiftedFin>& fins);

/// The number of triangles whose normal does not point to `side` (+1 or -1) of the surface
/// normal at their centroid.
std::size_t TrianglesFacingAway(const Oxlen::Geometry::triangle_surface& mesh,
                                const SurfaceProbe& probe, double side);

/// The number of mesh vertices that lie outside the face: farther than `slack` from every fin
/// and outside the loops in UV (winding number over all loops, circles as fine polygons).
std::size_t VerticesOutsideLoops(const Oxlen::Geometry::triangle_surface& mesh,
                                 const TrimmedFace& face, const std::vector<LiftedFin>& fins,
                                 const SurfaceProbe& probe, double slack);

}  // namespace trimmed_test
