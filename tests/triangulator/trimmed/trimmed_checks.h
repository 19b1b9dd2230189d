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

/// The mesh boundary (edges used by exactly one triangle) against the loops, and the border edges
/// of a result against the fins of their tags and the mesh boundary.
struct BorderMeasure {
  std::size_t boundaryEdges = 0;
  double vertexOffLoop = 0.0;    ///< largest distance from a boundary vertex to the nearest fin
  double midpointOffLoop = 0.0;  ///< the same from a boundary edge's middle
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

/// Expects a well-formed mesh of the face: consistently wound towards the surface normal, a
/// sphere with one hole per loop, its boundary vertices within `vertexSlack` of the loops, its
/// boundary edge middles and border edges within `edgeSlack`, and its border edges covering the
/// boundary once, each on the fin of its tag and in the fin's direction.
void ExpectFollowsLoops(const TrimmedFace& face, const Result& mesh, double vertexSlack,
                        double edgeSlack);

}  // namespace trimmed_test
