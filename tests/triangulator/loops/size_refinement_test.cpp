#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "triangulator/MInternal.h"
#include "triangulator/loops/loop_test_support.h"

namespace {

using namespace loop_test;
using MInternal = MCadTriangulator::MInternal;

// n loops: small squares on a regular lattice of spacing s.
std::vector<MSegmentedLoop> Lattice(int n, double s) {
  std::vector<MSegmentedLoop> loops;
  for (int k = 0; k < n; ++k) {
    const double x = s * (k % 5), y = s * (k / 5);
    MSegmentedLoop loop;
    for (const P2& c : {P2(0, 0), P2(0.1, 0), P2(0.1, 0.1), P2(0, 0.1)})
      loop.points.emplace_back(P3(x + c[0], y + c[1], 0));
    loops.push_back(loop);
  }
  return loops;
}

TEST(GetLoopSpacing, IsTheMedianNearestCentroidDistance) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(MInternal::GetLoopSpacing(Lattice(19, 2.0)), inf);
  EXPECT_DOUBLE_EQ(MInternal::GetLoopSpacing(Lattice(20, 2.0)), 2.0);
  // One far-away loop does not move the median.
  auto loops = Lattice(25, 3.0);
  for (auto& p : loops.back().points)
    p.point[2] += 1000;
  EXPECT_DOUBLE_EQ(MInternal::GetLoopSpacing(loops), 3.0);
  // Loops of fewer than two points have no centroid.
  std::vector<MSegmentedLoop> tiny(30);
  for (auto& loop : tiny)
    loop.points.emplace_back(P3());
  EXPECT_EQ(MInternal::GetLoopSpacing(tiny), inf);
}

TEST(SizeRefinement, BoxStripLengthsAndEstimate) {
  FaceGrid plane = PlaneGrid(2);  // quads of 5 x 5
  const MSegmentedLoop hole = Circle(plane, {2, 2}, 1, true, true);
  const auto box = MInternal::GetLoopsUVBox(plane.quads, {hole}, 1e-6);
  EXPECT_EQ(box, (std::array<double, 4>{0, 0, 5, 5}));
  const auto none = MInternal::GetLoopsUVBox(plane.quads, {}, 1e-6);
  EXPECT_EQ(none[0], std::numeric_limits<double>::max());
  EXPECT_EQ(none[2], -std::numeric_limits<double>::max());

  EXPECT_DOUBLE_EQ(MInternal::GetStripLength(plane.quads, MQuads::EAxis::U, 0, box), 5.0);
  EXPECT_DOUBLE_EQ(MInternal::GetStripLength(plane.quads, MQuads::EAxis::U, 1, box), 5.0);
  EXPECT_EQ(MInternal::GetStripLength(plane.quads, MQuads::EAxis::U, 0, none), 0.0);
  const std::array<double, 4> right{7, 0, 9, 10};
  EXPECT_EQ(MInternal::GetStripLength(plane.quads, MQuads::EAxis::U, 0, right), 0.0);

  // Strips of length 5 with a limit of 2: floor(5 / 2) + 1 = 3 per touched strip, 1 otherwise.
  EXPECT_EQ(MInternal::EstimateQuadsCount(plane.quads, 2.0, box), (3u + 3u) * (3u + 3u));
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

}  // namespace
