// Triangulate on untrimmed faces: the mesh against the exact surface (chordal accuracy, winding,
// the connectivity of the surface's shape, reversed faces), and the call's contract
// (cancellation, argument validation, the empty result, determinism).
#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "face_fixtures.h"
#include "grid/grid_fixtures.h"

namespace pipeline_test {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Result TriangulateWith(const MCADFace& face, double tolerance, std::size_t maxQuads,
                       const std::function<bool()>& cancel) {
  return MCadTriangulator::Triangulate(face, std::nullopt, tolerance, kInfinity, maxQuads, cancel);
}

bool IsEmpty(const Result& result) {
  return result.vertices.empty() && result.triangles.empty() && result.border_edges.empty();
}

// Counts its calls and answers true from call `from` on (never when `from` is 0).
struct CountingCancel {
  std::size_t from = 0;
  std::shared_ptr<std::size_t> calls = std::make_shared<std::size_t>(0);
  bool operator()() const { return ++*calls >= from && from != 0; }
};

// A cancellation at any of the checks the call makes ends it with the empty result; a callback
// that is empty, or never answers true, changes nothing, and repeated calls agree bit for bit.
TEST(TriangulateContract, CancellationAtEveryCheckGivesTheEmptyResult) {
  // A plate with a round hole: its crossed quads are checks of their own.
  NamedFace holed = PlaneFace();
  auto hole = MCADLoopBuilder(holed.face.GetSharedSurface()).Circle({5, 2}, 6, true).Build();
  holed.face.AddLoop(
      MCADLoopBuilder(holed.face.GetSharedSurface()).Rectangle({-20, -10}, {30, 15}).Build());
  holed.face.AddLoop(hole);
  for (const NamedFace& named : {SphereFace(), NurbsTorusFace(), holed}) {
    SCOPED_TRACE(named.name);
    const CountingCancel never;
    const Result full = TriangulateWith(named.face, 0.05, 5000, never);
    const std::size_t checks = *never.calls;
    ASSERT_FALSE(full.triangles.empty());
    // Grid, refinement (at least one pass and the quad stage), refinement done, loops segmented,
    // closure, loops distributed, quads chosen; one more for every crossed quad.
    ASSERT_GE(checks, named.face.LoopCount() == 0 ? 8u : 10u);
    const Result again = TriangulateWith(named.face, 0.05, 5000, {});
    EXPECT_EQ(again.vertices, full.vertices);
    EXPECT_EQ(again.triangles, full.triangles);
    for (std::size_t k = 1; k <= checks; ++k) {
      const CountingCancel cancel{k};
      EXPECT_TRUE(IsEmpty(TriangulateWith(named.face, 0.05, 5000, cancel))) << k;
      // The first check that sees the cancellation stops the call; inside the refinement that
      // may be the check of the quad stage and then the one after the refinement.
      EXPECT_GE(*cancel.calls, k);
      EXPECT_LE(*cancel.calls, k + 2);
    }
  }
  // An exception of the callback, thrown at once, inside the refinement or after it, propagates.
  struct ExpectedFailure {};
  for (const std::size_t at : {1, 2, 5}) {
    auto calls = std::make_shared<std::size_t>(0);
    const std::function<bool()> throwing = [calls, at]() -> bool {
      return ++*calls == at ? throw ExpectedFailure{} : false;
    };
    EXPECT_THROW(TriangulateWith(SphereFace().face, 0.05, 1000, throwing), ExpectedFailure);
  }
}

TEST(TriangulateContract, MalformedArgumentsAreRejectedAndAFaceWithoutSurfaceGivesNothing) {
  const MCADFace plane = PlaneFace().face;
  const auto triangulate = [&](double tolerance, double maxEdgeLength) {
    return [=, &plane] {
      MCadTriangulator::Triangulate(plane, std::nullopt, tolerance, maxEdgeLength, 100, {});
    };
  };
  for (const double tolerance : {-1e-9, kNaN, kInfinity, -kInfinity})
    grid_test::ExpectInvalid(triangulate(tolerance, 10.0), "tolerance:");
  for (const double maxEdgeLength : {kNaN, 0.0, -0.0, -5.0, -kInfinity})
    grid_test::ExpectInvalid(triangulate(0.1, maxEdgeLength), "maxEdgeLength:");

  // A NURBS surface that is not continuous cannot be meshed as one face: order 1 along U, or a
  // bilinear patch whose inner U knot has full multiplicity (two sheets that may tear apart).
  const std::vector<Point3> corners{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}};
  const std::vector<Point3> torn{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0},
                                 {1, 0, 1}, {1, 1, 1}, {2, 0, 1}, {2, 1, 1}};
  for (const M3dNurbsSurface& nurbs :
       {M3dNurbsSurface(1, 2, 2, 2, {0, 0.5, 1}, {0, 0, 1, 1}, corners),
        M3dNurbsSurface(2, 2, 4, 2, {0, 0, 0.5, 0.5, 1, 1}, {0, 0, 1, 1}, torn)}) {
    const MCADFace patch(std::make_shared<MCADUVNurbsSurface>(nurbs));
    grid_test::ExpectInvalid(
        [&] { MCadTriangulator::Triangulate(patch, std::nullopt, 0.01, 1.0, 100, {}); }, "face:");
  }

  // Legal extremes: no edge length limit, and a tolerance of 0, which a plane meets with its
  // initial grid and a sphere never (the budget ends it and the statistics say so).
  EXPECT_FALSE(TriangulateWith(plane, 0.1, 100, {}).triangles.empty());
  MCadTriangulator::MStatistics statistics;
  EXPECT_FALSE(
      MCadTriangulator::Triangulate(plane, std::nullopt, 0.0, kInfinity, 50, {}, &statistics)
          .triangles.empty());
  EXPECT_EQ(statistics.quads, 2u);
  EXPECT_TRUE(statistics.toleranceMet);
  EXPECT_EQ(statistics.largestDeviation, 0.0);
  EXPECT_FALSE(MCadTriangulator::Triangulate(SphereFace().face, std::nullopt, 0.0, kInfinity, 50,
                                             {}, &statistics)
                   .triangles.empty());
  EXPECT_GE(statistics.quads, 50u);
  EXPECT_LT(statistics.quads, 100u);
  EXPECT_FALSE(statistics.toleranceMet);
  EXPECT_GT(statistics.largestDeviation, 0.1);

  // A face without a surface gives the empty result without asking for cancellation and leaves
  // the statistics untouched.
  const CountingCancel never;
  statistics.quads = 12345;
  EXPECT_TRUE(IsEmpty(
      MCadTriangulator::Triangulate(MCADFace(), std::nullopt, 0.1, 1.0, 100, never, &statistics)));
  EXPECT_EQ(statistics.quads, 12345u);
  EXPECT_EQ(*never.calls, 0u);
}

// A consistently wound two-manifold of the face's shape (a disc, an annulus for the cylinder, a
// closed sphere) with each pole a single vertex and no collapsed triangle.
void ExpectShapeOfTheSurface(const NamedFace& named, const Result& mesh) {
  ASSERT_FALSE(mesh.triangles.empty());
  EXPECT_GT(Areas(mesh).first, 1e-9 * named.scale * named.scale);
  const EdgeCensus census = CountEdges(mesh);
  EXPECT_EQ(census.malformed, 0u);
  EXPECT_EQ(census.badEdges, 0u);
  EXPECT_FALSE(census.brokenBoundary);
  EXPECT_EQ(census.loops, static_cast<std::size_t>(named.boundaryLoops));
  EXPECT_EQ(census.euler, named.euler);
  for (const Point3& pole : named.poles)
    EXPECT_EQ(
        std::count_if(mesh.vertices.begin(), mesh.vertices.end(),
                      [&](const Point3& q) { return distance(pole, q) <= 1e-6 * named.scale; }),
        1);
}

// The refinement measures each grid edge at the surface point that projects onto the chord's
// middle, which on a circular arc (analytic surfaces, the torus) is the farthest one.
TEST(Triangulate, MeshFollowsEverySurfaceKindWithinTheTolerance) {
  // The sphere closes on itself from the coarsest grid (an octahedron) on.
  const Result octahedron = Mesh(SphereFace().face, 0.02, 0);
  EXPECT_EQ(octahedron.vertices.size(), 6u);
  EXPECT_EQ(octahedron.triangles.size(), 8u);
  ExpectShapeOfTheSurface(SphereFace(), octahedron);

  for (const NamedFace& named : AllFaces()) {
    SCOPED_TRACE(named.name);
    const SurfaceProbe probe(named.face);
    double previous = std::numeric_limits<double>::infinity();
    for (const double tolerance : {0.3, 0.1}) {
      SCOPED_TRACE(tolerance);
      MCadTriangulator::MStatistics statistics;
      const Result mesh = Mesh(named.face, tolerance, 1000000, &statistics);
      ASSERT_LT(statistics.quads, 1000000u);  // the budget did not stop the refinement
      EXPECT_TRUE(statistics.toleranceMet);
      EXPECT_LT(statistics.largestDeviation, tolerance);
      ExpectShapeOfTheSurface(named, mesh);
      EXPECT_TRUE(mesh.border_edges.empty());  // no fin tags
      const auto [deviation, vertexResidual] = Deviations(mesh, probe);
      EXPECT_LE(deviation, tolerance * named.chordSlack);
      EXPECT_LE(deviation, statistics.largestDeviation * named.chordSlack + 1e-12 * named.scale);
      // Finer tolerances never make the mesh worse (up to rounding on flat faces).
      EXPECT_LE(deviation, previous + 1e-12 * named.scale);
      previous = deviation;
      // Vertices are surface points (the merges at seams and poles join coinciding points).
      EXPECT_LE(vertexResidual, 1e-9 * named.scale);
      EXPECT_EQ(TrianglesFacingAway(mesh, probe, 1.0), 0u) << "of " << mesh.triangles.size();
    }

    // A reversed face gives the same mesh with every triangle turned over.
    MCADFace reversedFace = named.face;
    reversedFace.SetOrientation(eFaceOrientationReversed);
    const Result forward = Mesh(named.face, 0.1);
    const Result reversed = Mesh(reversedFace, 0.1);
    ASSERT_EQ(reversed.vertices, forward.vertices);
    ASSERT_EQ(reversed.triangles.size(), forward.triangles.size());
    for (std::size_t t = 0; t < forward.triangles.size(); ++t) {
      const auto& f = forward.triangles[t];
      ASSERT_EQ(reversed.triangles[t], (std::array<std::size_t, 3>{f[2], f[1], f[0]})) << t;
    }
  }
}

}  // namespace
}  // namespace pipeline_test
