// The driver's steps on the loops of a face: segmentation with fin tags, orientation, loops
// around a closed domain, and the size refinement around the loops.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "Oxlen/Cad/Triangulation/MPointToQuadProjector.h"
#include "Oxlen/Cad/Triangulation/MSegmentedLoop.h"
#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/MCADFaceBuilder.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "grid/grid_fixtures.h"
#include "triangulator/MInternal.h"

namespace {

using namespace grid_test;
using MInternal = MCadTriangulator::MInternal;
using MSegmentedLoop = MCadTriangulator::MSegmentedLoop;
using MPointOnLoop = MCadTriangulator::MPointOnLoop;
using P2 = Oxlen::Math::point<double, 2>;
using P3 = Oxlen::Math::point<double, 3>;

// A face with its grid over the face's surface (identity placement), closed where it closes.
struct FaceGrid {
  MCADFace face;
  MCadTriangulator::MAnalyticalSurface surface;
  MQuads quads;
  FaceGrid(std::shared_ptr<const MCADUVSurface> s, std::vector<double> u, std::vector<double> v)
      : face(std::move(s)),
        surface(*face.GetSurface(), Oxlen::Math::matrix4x4<double>::identity()),
        quads(surface, {std::move(u), std::move(v)}) {
    quads.CloseExactlyIfClosed(1e-6);
  }
  P3 At(const P2& uv) const { return surface.Evaluate(uv); }
};

// A 10 x 10 plane cut into n x n quads, and a full cylinder of radius 5 and height 10.
FaceGrid PlaneGrid(int n) {
  return FaceGrid(std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 10.0, 0.0, 10.0),
                  Spaced(0, 10, n), Spaced(0, 10, n));
}
FaceGrid CylinderGrid(int m, int n) {
  return FaceGrid(std::make_shared<MCADUVCylinder>(MCADFrame(), 5.0, 0.0, 2 * kPi, 0.0, 10.0),
                  Spaced(0, 2 * kPi, m), Spaced(0, 10, n));
}

// A circle of 64 UV points lifted onto the surface; the UVs are kept only when `withUV`.
MSegmentedLoop Circle(const FaceGrid& g, P2 center, double radius, bool clockwise, bool withUV) {
  MSegmentedLoop loop;
  for (int k = 0; k < 64; ++k) {
    const double a = (clockwise ? -2 : 2) * kPi * k / 64;
    const P2 uv(center[0] + radius * std::cos(a), center[1] + radius * std::sin(a));
    loop.points.push_back(withUV ? MPointOnLoop(g.At(uv), uv) : MPointOnLoop(g.At(uv)));
  }
  return loop;
}

using Tags = std::vector<std::vector<int>>;

// Segments the face's loops; returns, per loop, its distinct tags in the order they first occur
// ({-1} for a loop without tags) after checking that tags and points match.
Tags SegmentedTags(const FaceGrid& g, const std::optional<std::vector<int>>& tags) {
  Tags result;
  for (const MSegmentedLoop& loop : MInternal::SegmentLoops(
           g.face, tags, 1e-3, g.quads.GetIsolines(), g.quads.CalculateBoundingBox3d())) {
    EXPECT_GE(loop.points.size(), 3u);
    std::vector<int>& distinct = result.emplace_back(loop.tags ? 0 : 1, -1);
    EXPECT_TRUE(!loop.tags || loop.tags->size() == loop.points.size());
    for (int t : loop.tags.value_or(std::vector<int>{}))
      if (distinct.empty() || distinct.back() != t)
        distinct.push_back(t);
  }
  return result;
}

TEST(SegmentLoops, TakesTagsFromTheFrontOfTheListAndFallsBackToTheSingleValidAlternative) {
  FaceGrid g = PlaneGrid(4);
  auto plane = std::dynamic_pointer_cast<const MCADUVPlane>(g.face.GetSharedSurface());
  g.face.AddLoop(MCADLoopBuilder(plane).Polygon({{1, 1}, {9, 1}, {5, 9}}).Build());
  g.face.AddLoop(MCADLoopBuilder(plane).Rectangle({3, 2}, {6, 5}, true).Build());
  EXPECT_EQ(SegmentedTags(g, std::vector<int>{1, 2, 3, 4, 5, 6, 7}),
            (Tags{{1, 2, 3}, {4, 5, 6, 7}}));
  // A list that runs empty leaves the remaining loops with zero tags; no list, no tags.
  EXPECT_EQ(SegmentedTags(g, std::vector<int>{1, 2, 3}), (Tags{{1, 2, 3}, {0}}));
  EXPECT_EQ(SegmentedTags(g, std::nullopt), (Tags{{-1}, {-1}}));

  FaceGrid h = PlaneGrid(4);
  plane = std::dynamic_pointer_cast<const MCADUVPlane>(h.face.GetSharedSurface());
  const auto good = MCADLoopBuilder(plane).Polygon({{1, 1}, {9, 1}, {9, 9}, {1, 9}}).Build();
  const auto open = MCADLoopBuilder(plane).Line({0, 0}, {1, 0}).Build();  // does not close
  // Loops too small to be segmented (their points span less than 1e-4), with one valid
  // alternative, none, an invalid one and two valid ones.
  for (const auto& alternatives :
       std::vector<std::vector<std::shared_ptr<MCADLoop>>>{{good}, {}, {open}, {good, good}}) {
    auto tiny = MCADLoopBuilder(plane).Circle({5, 5}, 1e-6).Build();
    for (const auto& alternative : alternatives)
      tiny->AddAlternativeLoop(alternative);
    h.face.AddLoop(tiny);
  }
  // Only the loop with a single valid alternative survives, segmented from the alternative with
  // zero tags (its own tag was consumed by the failed direct attempt).
  EXPECT_EQ(SegmentedTags(h, std::vector<int>{9, 8, 7, 6}), (Tags{{0}}));
}

TEST(ComposeDomainBorderLoop, WalksTheBorderCounterClockwise) {
  const std::vector<P3> square{{0, 0, 0},   {5, 0, 0},  {10, 0, 0}, {10, 5, 0},
                               {10, 10, 0}, {5, 10, 0}, {0, 10, 0}, {0, 5, 0}};
  EXPECT_EQ(MInternal::ComposeDomainBorderLoop(PlaneGrid(2).quads), square);
  // Closed in U: the cycle through vertex (0, 0) is the bottom circle.
  const FaceGrid cylinder = CylinderGrid(8, 2);
  ASSERT_TRUE(cylinder.quads.IsClosed(MQuads::EAxis::U));
  const std::vector<P3> bottom = MInternal::ComposeDomainBorderLoop(cylinder.quads);
  ASSERT_EQ(bottom.size(), 8u);
  for (const P3& p : bottom)
    EXPECT_NEAR(std::abs(p[2]) + std::abs(std::hypot(p[0], p[1]) - 5.0), 0.0, 1e-12);
  // A torus grid, closed both ways, has no border.
  const auto torus = std::make_shared<FunctionSurface>(
      [](double u, double v) {
        const double r = 10 + 3 * std::cos(v);
        return P3(r * std::cos(u), r * std::sin(u), 3 * std::sin(v));
      },
      MCADDomainLimits(0, 2 * kPi), MCADDomainLimits(0, 2 * kPi));
  const FaceGrid closed(torus, Spaced(0, 2 * kPi, 8), Spaced(0, 2 * kPi, 4));
  ASSERT_TRUE(closed.quads.IsClosed(MQuads::EAxis::V));
  EXPECT_TRUE(MInternal::ComposeDomainBorderLoop(closed.quads).empty());
}

TEST(IsLoopAroundDomain, FollowsTheBorderWithinTwiceTheTolerance) {
  // A grid and loops sampled finely enough for a tolerance of 0.01 on a radius of 5.
  const FaceGrid cylinder = CylinderGrid(64, 4);
  const MCadTriangulator::MPointToQuadProjector projector(cylinder.quads, 1e-3);
  const auto around = [&](const MSegmentedLoop& loop) {
    return MInternal::IsLoopAroundDomain(cylinder.quads, loop, projector, 0.01);
  };
  const auto ring = [&](double v, int n, double turn) {
    MSegmentedLoop loop;
    for (int k = 0; k < n; ++k)
      loop.points.emplace_back(cylinder.At({turn * kPi * k / n + 0.1, v}));
    return loop;
  };
  for (int n : {60, 1000}) {
    // Along the bottom border, sampled differently from the grid, and within the tolerance.
    EXPECT_TRUE(around(ring(0.0, n, 2)));
    EXPECT_TRUE(around(ring(0.01, n, 2)));
    // Leaving the border by more than twice the tolerance, or covering only half of it.
    EXPECT_FALSE(around(ring(0.03, n, 2)));
    EXPECT_FALSE(around(ring(0.0, n, 1)));
  }
  EXPECT_FALSE(around({}));
}

// A lone loop and an outer loop with a hole inside it as the next loop are reversed when
// clockwise; a hole with the outer loop next (the reference point outside it) when
// counter-clockwise. A loop across the seam of a cylinder known only in 3D has parameters that
// jump by a period and must be unwrapped before the winding means anything.
TEST(IsSpecialLoopReversed, DecidesFromTheWindingInUV) {
  const FaceGrid plane = PlaneGrid(4), cylinder = CylinderGrid(16, 4);
  for (const bool withUV : {true, false}) {
    for (const bool cw : {false, true}) {
      const auto reversed = [&](const FaceGrid& g, P2 centre, double radius,
                                const std::optional<MSegmentedLoop>& next) {
        return MInternal::IsSpecialLoopReversed(g.face, g.quads,
                                                Circle(g, centre, radius, cw, withUV), next, 1e-6);
      };
      EXPECT_EQ(reversed(plane, {5, 5}, 4, std::nullopt), cw);
      EXPECT_EQ(reversed(plane, {5, 5}, 4, Circle(plane, {5, 5}, 1, true, withUV)), cw);
      EXPECT_EQ(reversed(plane, {2, 2}, 1, Circle(plane, {5, 5}, 4.5, false, withUV)), !cw);
      EXPECT_TRUE(withUV || reversed(cylinder, {0, 5}, 1, std::nullopt) == cw);
    }
  }
}

// n loops: small squares on a regular lattice of spacing s, five to a row.
std::vector<MSegmentedLoop> Lattice(int n, double s) {
  std::vector<MSegmentedLoop> loops(n);
  for (int k = 0; k < n; ++k)
    for (const P2& c : {P2(0, 0), P2(0.1, 0), P2(0.1, 0.1), P2(0, 0.1)})
      loops[k].points.emplace_back(P3(s * (k % 5) + c[0], s * (k / 5) + c[1], 0));
  return loops;
}

TEST(GetLoopSpacing, IsTheMedianNearestCentroidDistanceFromTwentyLoopsOn) {
  EXPECT_EQ(MInternal::GetLoopSpacing(Lattice(19, 2.0)), std::numeric_limits<double>::infinity());
  EXPECT_DOUBLE_EQ(MInternal::GetLoopSpacing(Lattice(20, 2.0)), 2.0);
  // One far-away loop does not move the median.
  auto loops = Lattice(25, 3.0);
  for (auto& p : loops.back().points)
    p.point[2] += 1000;
  EXPECT_DOUBLE_EQ(MInternal::GetLoopSpacing(loops), 3.0);
}

TEST(SizeRefinement, BoxStripLengthsEstimateAndRefinement) {
  FaceGrid plane = PlaneGrid(2);  // quads of 5 x 5
  const auto box =
      MInternal::GetLoopsUVBox(plane.quads, {Circle(plane, {2, 2}, 1, true, true)}, 1e-6);
  EXPECT_EQ(box, (std::array<double, 4>{0, 0, 5, 5}));

  EXPECT_DOUBLE_EQ(MInternal::GetStripLength(plane.quads, MQuads::EAxis::U, 1, box), 5.0);
  EXPECT_EQ(MInternal::GetStripLength(plane.quads, MQuads::EAxis::U, 0, {7, 0, 9, 10}), 0.0);

  // Strips of length 5 with a limit of 2: floor(5 / 2) + 1 = 3 per touched strip, 1 otherwise.
  EXPECT_EQ(MInternal::EstimateQuadsCount(plane.quads, 2.0, box), 6u * 6u);
  EXPECT_EQ(MInternal::EstimateQuadsCount(plane.quads, 0.0, box),
            std::numeric_limits<std::size_t>::max());

  MInternal::RefineBySize(plane.quads, 2.0, box, 1000);
  for (MQuads::EAxis axis : {MQuads::EAxis::U, MQuads::EAxis::V})
    for (int i = 0; i + 1 < plane.quads.GetIsolinesCount(axis); ++i)
      EXPECT_LE(MInternal::GetStripLength(plane.quads, axis, i, box), 2.0);
  // The budget stops the refinement.
  FaceGrid budget = PlaneGrid(2);
  MInternal::RefineBySize(budget.quads, 1e-3, box, 50);
  EXPECT_GE(budget.quads.GetQuadsCount(), 50u);
  EXPECT_LE(budget.quads.GetQuadsCount(), 50u + 2 * 64u);
}

TEST(SizeRefinement, IsSkippedWhenTheEstimateExceedsTheBudgetByOne) {
  // A 10 x 10 plate (two initial quads of 10 x 5) trimmed by a rectangle that reaches both: with a
  // limit of 2.5 the estimate is (floor(10 / 2.5) + 1) * 2 * (floor(5 / 2.5) + 1) = 30, and the
  // refinement makes 4 x 4 quads.
  auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 10.0, 0.0, 10.0);
  const MCADFace face =
      MCADFaceBuilder(plane).Loop(MCADLoopBuilder(plane).Rectangle({1, 1}, {9, 9}).Build()).Build();
  const auto quadsWithBudget = [&](std::size_t maxQuads) {
    MCadTriangulator::MStatistics stats;
    MCadTriangulator::Triangulate(face, std::nullopt, 0.01, 2.5, maxQuads, {}, &stats);
    return stats.quads;
  };
  EXPECT_EQ(quadsWithBudget(30), 16u);
  EXPECT_EQ(quadsWithBudget(29), 2u);
  // A tag list must cover whole loops.
  EXPECT_THROW(
      try {
        MCadTriangulator::Triangulate(face, std::vector<int>{1, 2}, 0.01, 2.5, 25, {});
      } catch (const std::invalid_argument& e) {
        EXPECT_EQ(std::string(e.what()).rfind("finTags: ", 0), 0u) << e.what();
        throw;
      },
      std::invalid_argument);
}

}  // namespace
