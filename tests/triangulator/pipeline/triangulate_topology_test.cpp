// The connectivity of the mesh of an untrimmed face: seams closed, poles single vertices, no
// degenerate triangles, and boundaries only where the surface really ends.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "face_fixtures.h"
#include "mesh_checks.h"

namespace pipeline_test {
namespace {

// Every kind of face meshes into a consistently wound two-manifold of the shape the surface has:
// a disc for the plane, the partial cylinder, the cone with its apex and the NURBS patches, an
// annulus for the full cylinder and the frustum, a closed sphere. The merge leaves no pair of
// vertices within its distance, and its clean-up leaves no collapsed triangle.
TEST(TriangulateTopology, MeshHasTheShapeOfItsSurface) {
  for (const NamedFace& named : AllFaces()) {
    SCOPED_TRACE(named.name);
    for (const double tolerance : {0.1, 0.01}) {
      SCOPED_TRACE(tolerance);
      const Result mesh = Mesh(named.face, tolerance);
      ASSERT_FALSE(mesh.triangles.empty());
      EXPECT_EQ(MalformedTriangles(mesh), 0u);
      EXPECT_GT(SmallestArea(mesh), 1e-9 * named.scale * named.scale);
      EXPECT_GT(SmallestVertexGap(mesh), 1e-4);

      const EdgeCensus census = CountEdges(mesh);
      EXPECT_EQ(census.badEdges, 0u);
      ASSERT_FALSE(census.brokenBoundary);
      EXPECT_EQ(census.loops.size(), static_cast<std::size_t>(named.boundaryLoops));
      EXPECT_EQ(census.euler, named.euler);
      for (const Point3& pole : named.poles)
        EXPECT_EQ(VerticesNear(mesh, pole, 1e-6 * named.scale), 1u);
    }
  }
}

// The seam of a full cylinder is closed: its only boundary is the two end circles, each a loop
// of vertices at one end height whose length approaches the circumference from below (the
// polygon inscribed in a circle whose sagitta is at most the tolerance is shorter by less than
// 2 pi tolerance / 3).
TEST(TriangulateTopology, FullCylinderBoundaryIsItsTwoEndCircles) {
  const NamedFace named = FullCylinderFace();
  const SurfaceProbe probe(named.face);
  const double circumference = 2.0 * std::numbers::pi * kFullCylinderRadius;
  for (const double tolerance : {0.5, 0.05, 0.005}) {
    SCOPED_TRACE(tolerance);
    const Result mesh = Mesh(named.face, tolerance);
    const EdgeCensus census = CountEdges(mesh);
    ASSERT_FALSE(census.brokenBoundary);
    ASSERT_EQ(census.loops.size(), 2u);
    int ends[2] = {0, 0};
    for (const std::vector<std::size_t>& loop : census.loops) {
      const double height = probe.Parameters(mesh.vertices[loop[0]])[1];
      const bool bottom = std::fabs(height) < 1e-9;
      EXPECT_TRUE(bottom || std::fabs(height - kFullCylinderHeight) < 1e-9) << height;
      ++ends[bottom ? 0 : 1];
      double perimeter = 0.0;
      for (std::size_t k = 0; k < loop.size(); ++k) {
        const Point3& p = mesh.vertices[loop[k]];
        EXPECT_NEAR(probe.Parameters(p)[1], height, 1e-9);
        perimeter += distance(p, mesh.vertices[loop[(k + 1) % loop.size()]]);
      }
      EXPECT_LE(perimeter, circumference * (1.0 + 1e-12));
      EXPECT_GE(perimeter, circumference - 2.0 * std::numbers::pi * tolerance / 3.0);
    }
    EXPECT_EQ(ends[0], 1);
    EXPECT_EQ(ends[1], 1);
  }
}

// The sphere closes on itself at every refinement level, from the coarsest grid (an octahedron)
// on: no boundary edge, Euler characteristic 2, each pole a single vertex whose fan has as many
// triangles as the other pole's.
TEST(TriangulateTopology, SphereIsClosedWithSingleVertexPoles) {
  const NamedFace named = SphereFace();
  for (const std::size_t budget : {std::size_t{0}, std::size_t{100}, std::size_t{1000000}}) {
    SCOPED_TRACE(budget);
    const Result mesh = Mesh(named.face, 0.02, budget);
    const EdgeCensus census = CountEdges(mesh);
    EXPECT_EQ(census.boundaryEdges, 0u);
    EXPECT_EQ(census.badEdges, 0u);
    EXPECT_EQ(census.euler, 2);
    std::size_t fans[2] = {0, 0};
    for (int p = 0; p < 2; ++p) {
      ASSERT_EQ(VerticesNear(mesh, named.poles[p], 1e-6 * named.scale), 1u);
      for (const auto& t : mesh.triangles)
        for (const std::size_t v : t)
          fans[p] += distance(mesh.vertices[v], named.poles[p]) <= 1e-6 * named.scale ? 1 : 0;
    }
    EXPECT_EQ(fans[0], fans[1]);
    EXPECT_GE(fans[0], 4u);
    if (budget == 0) {
      EXPECT_EQ(mesh.vertices.size(), 6u);
      EXPECT_EQ(mesh.triangles.size(), 8u);
    }
  }
}

// The apex of a cone is one vertex; its fan has one triangle per edge of the base circle.
TEST(TriangulateTopology, ConeApexIsTheHubOfOneFan) {
  const NamedFace named = ConeWithApexFace();
  for (const double tolerance : {0.1, 0.01}) {
    const Result mesh = Mesh(named.face, tolerance);
    ASSERT_EQ(VerticesNear(mesh, named.poles[0], 1e-6 * named.scale), 1u);
    std::size_t fan = 0;
    for (const auto& t : mesh.triangles)
      for (const std::size_t v : t)
        fan += distance(mesh.vertices[v], named.poles[0]) <= 1e-6 * named.scale ? 1 : 0;
    const EdgeCensus census = CountEdges(mesh);
    ASSERT_EQ(census.loops.size(), 1u);
    EXPECT_EQ(fan, census.loops[0].size());
  }
}

}  // namespace
}  // namespace pipeline_test
