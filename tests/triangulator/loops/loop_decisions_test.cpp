#include <gtest/gtest.h>

#include <stdexcept>

#include "Oxlen/Cad/Triangulation/MPointToQuadProjector.h"
#include "triangulator/MInternal.h"
#include "triangulator/loops/loop_test_support.h"

namespace {

using namespace loop_test;
using MInternal = MCadTriangulator::MInternal;

TEST(ComposeDomainBorderLoop, WalksTheBorderCounterClockwise) {
  const FaceGrid plane = PlaneGrid(2);
  const std::vector<P3> border = MInternal::ComposeDomainBorderLoop(plane.quads);
  const std::vector<P3> expected{{0, 0, 0},   {5, 0, 0},  {10, 0, 0}, {10, 5, 0},
                                 {10, 10, 0}, {5, 10, 0}, {0, 10, 0}, {0, 5, 0}};
  EXPECT_EQ(border, expected);

  // Closed in U: the cycle through vertex (0, 0) is the bottom circle.
  const FaceGrid cylinder = CylinderGrid(8, 2);
  ASSERT_TRUE(cylinder.quads.IsClosed(MQuads::EAxis::U));
  const std::vector<P3> bottom = MInternal::ComposeDomainBorderLoop(cylinder.quads);
  ASSERT_EQ(bottom.size(), 8u);
  for (const P3& p : bottom) {
    EXPECT_NEAR(p[2], 0.0, 1e-12);
    EXPECT_NEAR(std::hypot(p[0], p[1]), 5.0, 1e-12);
  }

  // A torus-like grid closed in both directions has no border.
  auto torus = std::make_shared<MCADUVCylinder>(MCADFrame(), 5.0, 0.0, 2 * kPi, 0.0, 1.0);
  FaceGrid closed(torus, Spaced(0, 2 * kPi, 8), Spaced(0, 1, 2));
  // The rows of a flat grid are only closed in U; the V closure needs coinciding ends.
  EXPECT_FALSE(closed.quads.IsClosed(MQuads::EAxis::V));
}

TEST(IsLoopAroundDomain, FollowsTheBorderWithinTwiceTheTolerance) {
  // A grid and loops sampled finely enough for a tolerance of 0.01 on a radius of 5, as
  // refinement and segmentation leave them.
  const FaceGrid cylinder = CylinderGrid(64, 4);
  const MCadTriangulator::MPointToQuadProjector projector(cylinder.quads, 1e-3);
  const double tolerance = 0.01;
  auto ring = [&](double v, int n) {
    MSegmentedLoop loop;
    for (int k = 0; k < n; ++k)
      loop.points.emplace_back(At(cylinder, {2 * kPi * k / n + 0.1, v}));
    return loop;
  };
  for (int n : {60, 100, 1000}) {
    // Along the bottom border, sampled differently from the grid, and within the tolerance.
    EXPECT_TRUE(MInternal::IsLoopAroundDomain(cylinder.quads, ring(0.0, n), projector, tolerance));
    EXPECT_TRUE(MInternal::IsLoopAroundDomain(cylinder.quads, ring(0.01, n), projector, tolerance));
    // Leaving the border by more than twice the tolerance.
    EXPECT_FALSE(
        MInternal::IsLoopAroundDomain(cylinder.quads, ring(0.03, n), projector, tolerance));
  }
  // A loop that covers only part of the border.
  MSegmentedLoop arc;
  for (int k = 0; k < 50; ++k)
    arc.points.emplace_back(At(cylinder, {kPi * k / 50, 0.0}));
  EXPECT_FALSE(MInternal::IsLoopAroundDomain(cylinder.quads, arc, projector, tolerance));
  // An open plane grid: a loop around its border.
  const FaceGrid plane = PlaneGrid(3);
  const MCadTriangulator::MPointToQuadProjector planeProjector(plane.quads, 1e-3);
  MSegmentedLoop square;
  for (const P3& p : MInternal::ComposeDomainBorderLoop(plane.quads))
    square.points.emplace_back(p);
  EXPECT_TRUE(MInternal::IsLoopAroundDomain(plane.quads, square, planeProjector, tolerance));
  EXPECT_FALSE(
      MInternal::IsLoopAroundDomain(plane.quads, MSegmentedLoop{}, planeProjector, tolerance));
}

TEST(IsSpecialLoopReversed, DecidesFromTheWindingInUV) {
  const FaceGrid plane = PlaneGrid(4);
  for (bool withUV : {true, false}) {
    // A lone loop: counter-clockwise is the face's own direction.
    EXPECT_FALSE(MInternal::IsSpecialLoopReversed(
        plane.face, plane.quads, Circle(plane, {5, 5}, 4, false, withUV), std::nullopt, 1e-6));
    EXPECT_TRUE(MInternal::IsSpecialLoopReversed(
        plane.face, plane.quads, Circle(plane, {5, 5}, 4, true, withUV), std::nullopt, 1e-6));
    // An outer loop with a hole inside it as the next loop: the reference point is inside.
    const MSegmentedLoop hole = Circle(plane, {5, 5}, 1, true, withUV);
    EXPECT_FALSE(MInternal::IsSpecialLoopReversed(
        plane.face, plane.quads, Circle(plane, {5, 5}, 4, false, withUV), hole, 1e-6));
    EXPECT_TRUE(MInternal::IsSpecialLoopReversed(
        plane.face, plane.quads, Circle(plane, {5, 5}, 4, true, withUV), hole, 1e-6));
    // A hole with the outer loop as the next loop: the reference point lies outside it.
    const MSegmentedLoop outer = Circle(plane, {5, 5}, 4.5, false, withUV);
    EXPECT_FALSE(MInternal::IsSpecialLoopReversed(
        plane.face, plane.quads, Circle(plane, {2, 2}, 1, true, withUV), outer, 1e-6));
    EXPECT_TRUE(MInternal::IsSpecialLoopReversed(
        plane.face, plane.quads, Circle(plane, {2, 2}, 1, false, withUV), outer, 1e-6));
  }
  // A loop across the seam of a closed cylinder, known only in 3D: the parameters found by
  // inversion jump by a period and must be unwrapped before the winding means anything.
  const FaceGrid cylinder = CylinderGrid(16, 4);
  for (bool clockwise : {false, true})
    EXPECT_EQ(MInternal::IsSpecialLoopReversed(cylinder.face, cylinder.quads,
                                               Circle(cylinder, {0, 5}, 1, clockwise, false),
                                               std::nullopt, 1e-6),
              clockwise);
}

TEST(OrientLoops, ReversesEveryLoopOfAReversedFace) {
  FaceGrid plane = PlaneGrid(4);
  std::vector<MSegmentedLoop> loops{Circle(plane, {5, 5}, 4, false, true),
                                    Circle(plane, {5, 5}, 1, true, true)};
  loops[0].tags = std::vector<int>(loops[0].points.size());
  for (std::size_t i = 0; i < loops[0].points.size(); ++i)
    (*loops[0].tags)[i] = static_cast<int>(i);
  const auto original = loops;
  EXPECT_FALSE(MInternal::OrientLoops(plane.face, plane.quads, loops, 1e-6));
  EXPECT_EQ(loops[0].points.front().point, original[0].points.front().point);

  plane.face.SetOrientation(eFaceOrientationReversed);
  EXPECT_TRUE(MInternal::OrientLoops(plane.face, plane.quads, loops, 1e-6));
  for (std::size_t l = 0; l < loops.size(); ++l)
    for (std::size_t i = 0; i < loops[l].points.size(); ++i)
      EXPECT_EQ(loops[l].points[i].point, original[l].points[loops[l].points.size() - 1 - i].point);
  EXPECT_EQ(loops[0].tags->front(), static_cast<int>(loops[0].points.size()) - 1);

  // A forward face whose first loop is marked unoriented follows that loop's winding.
  FaceGrid marked = PlaneGrid(4);
  auto unoriented = std::make_shared<MCADLoop>();
  unoriented->SetSpecialCase(eLoopSpecialCaseUnoriented);
  marked.face.AddLoop(unoriented);
  std::vector<MSegmentedLoop> clockwise{Circle(marked, {5, 5}, 4, true, true)};
  EXPECT_TRUE(MInternal::OrientLoops(marked.face, marked.quads, clockwise, 1e-6));
  std::vector<MSegmentedLoop> counterClockwise{Circle(marked, {5, 5}, 4, false, true)};
  EXPECT_FALSE(MInternal::OrientLoops(marked.face, marked.quads, counterClockwise, 1e-6));
}

}  // namespace
