// What Triangulate promises beyond the geometry: cancellation, the quad budget, argument
// validation, the empty result and determinism.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "face_fixtures.h"
#include "mesh_checks.h"
#include "triangulator/MInternal.h"

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

struct ExpectedFailure {};

// A cancellation at any of the checks the call makes ends it with the empty result; a callback
// that is empty, or never answers true, changes nothing.
TEST(TriangulateContract, CancellationAtEveryCheckGivesTheEmptyResult) {
  for (const NamedFace& named : {PlaneFace(), SphereFace(), NurbsTorusFace()}) {
    SCOPED_TRACE(named.name);
    const double tolerance = 0.05;
    const std::size_t budget = 5000;
    const CountingCancel never;
    const Result full = TriangulateWith(named.face, tolerance, budget, never);
    const std::size_t checks = *never.calls;
    ASSERT_FALSE(full.triangles.empty());
    // Grid, refinement (at least one pass and the quad stage), refinement done, loops segmented,
    // closure, loops distributed, quads chosen.
    ASSERT_GE(checks, 8u);
    EXPECT_TRUE(BitIdentical(TriangulateWith(named.face, tolerance, budget, {}), full));

    for (std::size_t k = 1; k <= checks; ++k) {
      SCOPED_TRACE(k);
      const CountingCancel cancel{k};
      EXPECT_TRUE(IsEmpty(TriangulateWith(named.face, tolerance, budget, cancel)));
      // The call stops at the first check that sees the cancellation; inside the refinement that
      // may be the check of the quad stage and then the one after the refinement.
      EXPECT_GE(*cancel.calls, k);
      EXPECT_LE(*cancel.calls, k + 2);
    }
  }
}

// Without room to refine, the checks are exactly the pipeline's eight: after the grid, the strip
// stage's single pass, the quad stage, after the refinement, after the loop segmentation, after
// the closure, after the loop distribution and after the choice of quads.
TEST(TriangulateContract, UnrefinedCallPollsEveryPipelineCheckOnce) {
  const CountingCancel never;
  const Result mesh = TriangulateWith(SphereFace().face, 0.01, 0, never);
  EXPECT_FALSE(mesh.triangles.empty());
  EXPECT_EQ(*never.calls, 8u);
}

TEST(TriangulateContract, ExceptionOfTheCallbackPropagates) {
  const std::function<bool()> throwing = []() -> bool { throw ExpectedFailure{}; };
  EXPECT_THROW(TriangulateWith(FullCylinderFace().face, 0.1, 1000, throwing), ExpectedFailure);

  // Also when it throws late, inside the refinement or after it.
  for (const std::size_t late : {2, 5}) {
    auto calls = std::make_shared<std::size_t>(0);
    const std::function<bool()> lateThrow = [calls, late]() -> bool {
      if (++*calls == late)
        throw ExpectedFailure{};
      return false;
    };
    EXPECT_THROW(TriangulateWith(SphereFace().face, 0.05, 1000, lateThrow), ExpectedFailure);
  }
}

// The quads of the initial grid, as the pipeline builds it.
std::size_t InitialQuads(const NamedFace& named, double tolerance) {
  using MInternal = MCadTriangulator::MInternal;
  const MCadTriangulator::MAnalyticalSurface surface(*named.face.GetSurface(),
                                                     named.face.GetTransformationMatrix());
  MCadTriangulator::MSurfaceIsolines isolines = MInternal::GetInitialIsolines(surface);
  MInternal::ReduceFreeFormIsolines(surface, isolines, tolerance);
  return (isolines.u.size() - 1) * (isolines.v.size() - 1);
}

// A budget of 0 keeps the initial grid: two triangles per quad, less those that a pole folds.
// The sphere's grid has a row of quads between each pole and the minimal isoline 1.6e-15 away
// from it; the merge folds both their triangles, and one triangle of each quad of the next row.
TEST(TriangulateContract, ZeroBudgetKeepsTheInitialGrid) {
  struct Expected {
    std::size_t quads;  // 0: as many as the free-form reduction leaves
    std::size_t triangles;
  };
  const Expected expected[] = {{2, 4}, {8, 16}, {4, 8}, {16, 8}, {8, 8}, {8, 16}, {0, 0}, {0, 0}};
  const std::vector<NamedFace> faces = AllFaces();
  for (std::size_t f = 0; f < faces.size(); ++f) {
    const NamedFace& named = faces[f];
    SCOPED_TRACE(named.name);
    MCadTriangulator::MStatistics statistics;
    const Result mesh = Mesh(named.face, 0.01, 0, &statistics);
    const std::size_t initial = InitialQuads(named, 0.01);
    EXPECT_EQ(statistics.quads, initial);
    if (expected[f].quads != 0) {
      EXPECT_EQ(initial, expected[f].quads);
      EXPECT_EQ(mesh.triangles.size(), expected[f].triangles);
    } else {
      EXPECT_EQ(mesh.triangles.size(), 2 * initial);
    }
  }
  // The full cylinder's coarse grid: 8 quads around, one high; the seam shares its column.
  const Result tube = Mesh(FullCylinderFace().face, 0.01, 0);
  EXPECT_EQ(tube.vertices.size(), 16u);
}

// Refinement stops at the budget: every insertion happens while the grid holds fewer quads than
// the budget. A strip insertion adds one isoline; the quad stage adds one U and one V isoline in
// a step, taking qU x qV < budget quads to (qU + 1)(qV + 1). Either way a final grid of QU x QV
// quads holds fewer than budget + QU + QV. With a tolerance that no grid of that size meets, it
// also holds at least the budget. The full cylinder is refined by its strips (around), the
// saddle only by the quad stage (its isolines are straight).
TEST(TriangulateContract, QuadBudgetBoundsTheRefinement) {
  for (const NamedFace& named : {FullCylinderFace(), SaddleFace()}) {
    SCOPED_TRACE(named.name);
    const bool tube = named.boundaryLoops == 2;
    std::size_t previousTriangles = 0;
    std::size_t initial = 0;
    for (const std::size_t budget : {0, 1, 9, 10, 37, 100, 400}) {
      SCOPED_TRACE(budget);
      MCadTriangulator::MStatistics statistics;
      const Result mesh = Mesh(named.face, 1e-9, budget, &statistics);
      if (budget == 0)
        initial = statistics.quads;
      // The grid's size from the mesh: a tube of QU x QV quads has QU edges around each end
      // circle and QU (QV + 1) vertices; a disc has 2 (QU + QV) boundary edges and
      // (QU + 1)(QV + 1) vertices.
      const EdgeCensus census = CountEdges(mesh);
      ASSERT_EQ(census.loops.size(), tube ? 2u : 1u);
      const std::size_t vertices = mesh.vertices.size();
      std::size_t sides = 0;  // QU + QV
      if (tube) {
        const std::size_t around = census.loops[0].size();
        sides = around + vertices / around - 1;
        EXPECT_EQ(statistics.quads, around * (vertices / around - 1));
      } else {
        sides = census.boundaryEdges / 2;
        EXPECT_EQ(statistics.quads, vertices - 1 - sides);
      }
      EXPECT_EQ(mesh.triangles.size(), 2 * statistics.quads);
      EXPECT_GE(statistics.quads, std::max(budget, initial));
      EXPECT_LT(statistics.quads, std::max(budget, initial) + sides);
      if (budget > initial) {
        EXPECT_GT(mesh.triangles.size(), previousTriangles);
      }
      previousTriangles = mesh.triangles.size();
    }
  }
}

// With tolerance 0 no grid is fine enough; only the budget ends the refinement, and the result
// is still a clean mesh of the surface.
TEST(TriangulateContract, ZeroToleranceRefinesUpToTheBudget) {
  for (const NamedFace& named : {PlaneFace(), SphereFace(), BicubicNurbsFace()}) {
    SCOPED_TRACE(named.name);
    MCadTriangulator::MStatistics statistics;
    const Result mesh = Mesh(named.face, 0.0, 200, &statistics);
    EXPECT_GE(statistics.quads, 200u);
    EXPECT_LT(statistics.quads, 400u);
    ASSERT_FALSE(mesh.triangles.empty());
    EXPECT_EQ(MalformedTriangles(mesh), 0u);
    EXPECT_LE(VertexResidual(mesh, SurfaceProbe(named.face)), 1e-9 * named.scale);
  }
}

void ExpectInvalidArgument(double tolerance, double maxEdgeLength, const std::string& name) {
  SCOPED_TRACE(name + " " + std::to_string(tolerance) + " " + std::to_string(maxEdgeLength));
  try {
    MCadTriangulator::Triangulate(PlaneFace().face, std::nullopt, tolerance, maxEdgeLength, 100,
                                  {});
    ADD_FAILURE() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string(e.what()).rfind(name + ":", 0), 0u) << e.what();
  }
}

TEST(TriangulateContract, MalformedArgumentsAreRejected) {
  for (const double tolerance : {-1e-9, -1.0, kNaN, kInfinity, -kInfinity})
    ExpectInvalidArgument(tolerance, 10.0, "tolerance");
  for (const double maxEdgeLength : {kNaN, 0.0, -0.0, -5.0, -kInfinity})
    ExpectInvalidArgument(0.1, maxEdgeLength, "maxEdgeLength");

  // Legal extremes: no edge length limit, and a tolerance of 0 with a small budget.
  const MCADFace plane = PlaneFace().face;
  EXPECT_FALSE(MCadTriangulator::Triangulate(plane, std::nullopt, 0.1, kInfinity, 100, {})
                   .triangles.empty());
  EXPECT_FALSE(
      MCadTriangulator::Triangulate(plane, std::nullopt, 0.0, 1.0, 50, {}).triangles.empty());
}

TEST(TriangulateContract, FaceWithoutSurfaceGivesTheEmptyResult) {
  const MCADFace bare;
  CountingCancel never;
  MCadTriangulator::MStatistics statistics;
  statistics.quads = 12345;
  EXPECT_TRUE(IsEmpty(
      MCadTriangulator::Triangulate(bare, std::nullopt, 0.1, 1.0, 100, never, &statistics)));
  EXPECT_EQ(statistics.quads, 12345u);  // untouched on an early return
  EXPECT_EQ(*never.calls, 0u);
}

TEST(TriangulateContract, RepeatedCallsAreBitIdentical) {
  for (const NamedFace& named : AllFaces()) {
    SCOPED_TRACE(named.name);
    const Result first = Mesh(named.face, 0.02);
    const Result second = Mesh(named.face, 0.02);
    EXPECT_TRUE(BitIdentical(first, second));
    EXPECT_TRUE(first.border_edges.empty());  // no fin tags
  }
}

}  // namespace
}  // namespace pipeline_test
