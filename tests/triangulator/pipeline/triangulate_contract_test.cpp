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

// A cancellation at any of the checks the call makes ends it with the empty result; a callback
// that is empty, or never answers true, changes nothing, and repeated calls agree bit for bit.
TEST(TriangulateContract, CancellationAtEveryCheckGivesTheEmptyResult) {
  for (const NamedFace& named : {SphereFace(), NurbsTorusFace()}) {
    SCOPED_TRACE(named.name);
    const CountingCancel never;
    const Result full = TriangulateWith(named.face, 0.05, 5000, never);
    const std::size_t checks = *never.calls;
    ASSERT_FALSE(full.triangles.empty());
    // Grid, refinement (at least one pass and the quad stage), refinement done, loops segmented,
    // closure, loops distributed, quads chosen.
    ASSERT_GE(checks, 8u);
    const Result again = TriangulateWith(named.face, 0.05, 5000, {});
    EXPECT_EQ(again.vertices, full.vertices);
    EXPECT_EQ(again.triangles, full.triangles);

    for (std::size_t k = 1; k <= checks; ++k) {
      SCOPED_TRACE(k);
      const CountingCancel cancel{k};
      EXPECT_TRUE(IsEmpty(TriangulateWith(named.face, 0.05, 5000, cancel)));
      // The call stops at the first check that sees the cancellation; inside the refinement that
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
      if (++*calls == at)
        throw ExpectedFailure{};
      return false;
    };
    EXPECT_THROW(TriangulateWith(SphereFace().face, 0.05, 1000, throwing), ExpectedFailure);
  }
}

// Refinement stops at the budget: every insertion happens while the grid holds fewer quads than
// the budget. A strip insertion adds one isoline; the quad stage adds one U and one V isoline in
// a step, taking qU x qV < budget quads to (qU + 1)(qV + 1). Either way a final grid of QU x QV
// quads holds fewer than budget + QU + QV. With a tolerance that no grid of that size meets, it
// also holds at least the budget. The full cylinder is refined by its strips (around), the
// saddle only by the quad stage (its isolines are straight). A budget of 0 keeps the initial
// grid.
TEST(TriangulateContract, QuadBudgetBoundsTheRefinement) {
  for (const NamedFace& named : {FullCylinderFace(), SaddleFace()}) {
    SCOPED_TRACE(named.name);
    const MCadTriangulator::MAnalyticalSurface surface(*named.face.GetSurface(),
                                                       named.face.GetTransformationMatrix());
    MCadTriangulator::MSurfaceIsolines isolines =
        MCadTriangulator::MInternal::GetInitialIsolines(surface);
    MCadTriangulator::MInternal::ReduceFreeFormIsolines(surface, isolines, 1e-9);
    const std::size_t initial = (isolines.u.size() - 1) * (isolines.v.size() - 1);
    const bool tube = named.boundaryLoops == 2;
    for (const std::size_t budget : {0, 1, 10, 37, 100, 400}) {
      SCOPED_TRACE(budget);
      MCadTriangulator::MStatistics statistics;
      const Result mesh = Mesh(named.face, 1e-9, budget, &statistics);
      // The grid's size from the mesh: a tube of QU x QV quads has QU edges around each end
      // circle and QU (QV + 1) vertices; a disc has 2 (QU + QV) boundary edges and
      // (QU + 1)(QV + 1) vertices.
      const std::size_t boundary = CountEdges(mesh).boundaryEdges;
      const std::size_t vertices = mesh.vertices.size();
      const std::size_t sides = tube ? boundary / 2 + vertices / (boundary / 2) - 1 : boundary / 2;
      EXPECT_EQ(statistics.quads,
                tube ? boundary / 2 * (vertices / (boundary / 2) - 1) : vertices - 1 - sides);
      EXPECT_GE(statistics.quads, std::max(budget, initial));
      EXPECT_LT(statistics.quads, std::max(budget, initial) + sides);
      if (budget == 0) {
        EXPECT_EQ(statistics.quads, initial);
      }
    }
  }
}

TEST(TriangulateContract, MalformedArgumentsAreRejectedAndAFaceWithoutSurfaceGivesNothing) {
  const MCADFace plane = PlaneFace().face;
  const auto expectInvalid = [&](double tolerance, double maxEdgeLength, const std::string& name) {
    try {
      MCadTriangulator::Triangulate(plane, std::nullopt, tolerance, maxEdgeLength, 100, {});
      ADD_FAILURE() << "accepted " << tolerance << ", " << maxEdgeLength;
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()).rfind(name + ":", 0), 0u) << e.what();
    }
  };
  for (const double tolerance : {-1e-9, kNaN, kInfinity, -kInfinity})
    expectInvalid(tolerance, 10.0, "tolerance");
  for (const double maxEdgeLength : {kNaN, 0.0, -0.0, -5.0, -kInfinity})
    expectInvalid(0.1, maxEdgeLength, "maxEdgeLength");

  // Legal extremes: no edge length limit, and a tolerance of 0, which only the budget ends.
  EXPECT_FALSE(TriangulateWith(plane, 0.1, 100, {}).triangles.empty());
  MCadTriangulator::MStatistics statistics;
  EXPECT_FALSE(MCadTriangulator::Triangulate(plane, std::nullopt, 0.0, 1.0, 50, {}, &statistics)
                   .triangles.empty());
  EXPECT_GE(statistics.quads, 50u);
  EXPECT_LT(statistics.quads, 100u);

  // A face without a surface gives the empty result without asking for cancellation and leaves
  // the statistics untouched.
  const CountingCancel never;
  statistics.quads = 12345;
  EXPECT_TRUE(IsEmpty(
      MCadTriangulator::Triangulate(MCADFace(), std::nullopt, 0.1, 1.0, 100, never, &statistics)));
  EXPECT_EQ(statistics.quads, 12345u);
  EXPECT_EQ(*never.calls, 0u);
}

}  // namespace
}  // namespace pipeline_test
