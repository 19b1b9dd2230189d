#pragma once

// Measures taken on a face mesh: its distance from the exact surface, its edge structure and the
// shape of its triangles. Shared with the trimmed-face tests.

#include <cstddef>
#include <vector>

#include "Oxlen/Geometry/triangle_surface.h"
#include "face_fixtures.h"

namespace pipeline_test {

using Oxlen::Geometry::triangle_surface;

/// The largest distance between the mesh and the surface, sampled at every triangle's centroid
/// and edge midpoints (each sample against its nearest surface point).
double MeshDeviation(const triangle_surface& mesh, const SurfaceProbe& probe);

/// The largest distance between a mesh vertex and its nearest surface point.
double VertexResidual(const triangle_surface& mesh, const SurfaceProbe& probe);

/// The edge structure of a mesh.
struct EdgeCensus {
  std::size_t badEdges = 0;       ///< used by more than two triangles, or twice the same way
  std::size_t boundaryEdges = 0;  ///< used by exactly one triangle
  /// The boundary traced into closed loops of vertex indices, each in its edges' direction;
  /// empty and `brokenBoundary` set when a boundary vertex does not have exactly one boundary
  /// edge in and one out.
  std::vector<std::vector<std::size_t>> loops;
  bool brokenBoundary = false;
  long euler = 0;  ///< V - E + F over the vertices that triangles use
};

EdgeCensus CountEdges(const triangle_surface& mesh);

/// The number of triangles that repeat a vertex index or name one out of range.
std::size_t MalformedTriangles(const triangle_surface& mesh);

/// The smallest triangle area.
double SmallestArea(const triangle_surface& mesh);

/// The unnormalised normal (b - a) x (c - a) of triangle t.
Point3 TriangleNormal(const triangle_surface& mesh, std::size_t t);

/// The number of vertices within `radius` of p.
std::size_t VerticesNear(const triangle_surface& mesh, const Point3& p, double radius);

/// The number of triangles whose normal does not point to `side` (+1 or -1) of the surface
/// normal at their centroid.
std::size_t TrianglesFacingAway(const triangle_surface& mesh, const SurfaceProbe& probe,
                                double side);

}  // namespace pipeline_test
