#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVCone.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "grid/grid_fixtures.h"

namespace {

using namespace grid_test;
using Oxlen::Math::matrix4x4;
using Vertices = std::vector<std::vector<Point3>>;

Vertices VerticesOf(const MQuads& grid) {
  Vertices all(grid.GetIsolinesCount(MQuads::U));
  for (int i = 0; i < grid.GetIsolinesCount(MQuads::U); ++i)
    for (int j = 0; j < grid.GetIsolinesCount(MQuads::V); ++j)
      all[i].push_back(grid.GetVertex3d({i, j}));
  return all;
}

// True when every point of U isoline i (fixed u, along V) is the same point.
bool IsCollapsedU(const MQuads& grid, int i) {
  for (int j = 1; j < grid.GetIsolinesCount(MQuads::V); ++j)
    if (grid.GetVertex3d({i, j}) != grid.GetVertex3d({i, 0}))
      return false;
  return true;
}

// True when every point of V isoline j (fixed v, along U) is the same point.
bool IsCollapsedV(const MQuads& grid, int j) {
  for (int i = 1; i < grid.GetIsolinesCount(MQuads::U); ++i)
    if (grid.GetVertex3d({i, j}) != grid.GetVertex3d({0, j}))
      return false;
  return true;
}

TEST(QuadsClosure, SeamsOfClosedAxesBecomeIdentical) {
  const MCADUVCylinder cylinder(MCADFrame({0, 0, 0}, {1, 1, 0}, {0, 0, 1}), 3.0, 0.0, 2 * kPi, 0.0,
                                2.0);
  const MAnalyticalSurface tube(cylinder, matrix4x4<double>::identity());
  MQuads grid(tube, {Spaced(0.0, 2 * kPi, 8), Spaced(0.0, 2.0, 3)});
  ASSERT_TRUE(grid.IsClosed(MQuads::U));
  const int last = grid.GetIsolinesCount(MQuads::U) - 1;
  bool anyApart = false;
  for (int j = 0; j < 4; ++j)
    anyApart |= grid.GetVertex3d({0, j}) != grid.GetVertex3d({last, j});
  EXPECT_TRUE(anyApart);  // sin(2 pi) is not 0 in doubles
  const Vertices before = VerticesOf(grid);
  grid.CloseExactlyIfClosed(1e-6);
  for (int j = 0; j < 4; ++j) {
    EXPECT_EQ(grid.GetVertex3d({0, j}), grid.GetVertex3d({last, j}));
    EXPECT_NEAR(Oxlen::Math::distance(grid.GetVertex3d({0, j}), before[0][j]), 0.0, 1e-12);
    for (int i = 1; i < last; ++i)
      EXPECT_EQ(grid.GetVertex3d({i, j}), before[i][j]);
  }

  // A grid open in both directions is left alone.
  const MCADUVCylinder halfCylinder(MCADFrame(), 1.0, 0.0, kPi, 0.0, 1.0);
  const MAnalyticalSurface half(halfCylinder, matrix4x4<double>::identity());
  MQuads open(half, {Spaced(0.0, kPi, 4), {0.0, 1.0}});
  const Vertices openBefore = VerticesOf(open);
  open.CloseExactlyIfClosed(100.0);
  EXPECT_EQ(VerticesOf(open), openBefore);
  EXPECT_THROW(open.CloseExactlyIfClosed(std::numeric_limits<double>::quiet_NaN()),
               std::invalid_argument);
}

TEST(QuadsClosure, SeamPointsExactlyTheToleranceApartStayApart) {
  // Almost a full turn: the seam gap is the chord of the missing 0.01 radians.
  const FunctionSurface almost(
      [](double u, double v) { return Point3(std::cos(u), std::sin(u), v); }, {0.0, 2 * kPi - 0.01},
      {0.0, 1.0});
  const MAnalyticalSurface surface(almost, matrix4x4<double>::identity());
  MQuads grid(surface, {Spaced(0.0, 2 * kPi - 0.01, 8), {0.0, 1.0}});
  ASSERT_TRUE(grid.IsClosed(MQuads::U));
  const Point3 first = grid.GetVertex3d({0, 0});
  const Point3 last = grid.GetVertex3d({8, 0});
  const double gap = Oxlen::Math::distance(first, last);

  MQuads apart = grid;
  apart.CloseExactlyIfClosed(gap);
  EXPECT_EQ(apart.GetVertex3d({0, 0}), first);
  EXPECT_EQ(apart.GetVertex3d({8, 0}), last);

  grid.CloseExactlyIfClosed(std::nextafter(gap, 1.0));
  const Point3 middle((first[0] + last[0]) * 0.5, (first[1] + last[1]) * 0.5,
                      (first[2] + last[2]) * 0.5);
  EXPECT_EQ(grid.GetVertex3d({0, 0}), middle);
  EXPECT_EQ(grid.GetVertex3d({8, 0}), middle);
}

TEST(QuadsClosure, PolesOfSphereAndConeCollapseToOnePoint) {
  const MCADUVSphere ball(MCADFrame(), 2.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2);
  const MAnalyticalSurface sphere(ball, matrix4x4<double>::identity());
  MQuads globe(sphere, {Spaced(0.0, 2 * kPi, 8), Spaced(-kPi / 2, kPi / 2, 4)});
  EXPECT_FALSE(IsCollapsedV(globe, 0));
  globe.ClosePoles(1e-6);
  EXPECT_TRUE(IsCollapsedV(globe, 0));
  EXPECT_TRUE(IsCollapsedV(globe, 4));
  EXPECT_NEAR(Oxlen::Math::distance(globe.GetVertex3d({3, 0}), Point3(0, 0, -2)), 0.0, 1e-12);
  for (int j = 1; j < 4; ++j)
    EXPECT_FALSE(IsCollapsedV(globe, j));
  for (int i = 0; i < 9; ++i)
    EXPECT_FALSE(IsCollapsedU(globe, i));

  // A cone whose V limit is (up to rounding) its apex.
  const double halfAngle = kPi / 5;
  const MCADUVCone cone(MCADFrame(), 1.0, halfAngle, 0.0, 2 * kPi, -1.0 / std::sin(halfAngle), 1.0);
  const MAnalyticalSurface conical(cone, matrix4x4<double>::identity());
  MQuads grid(conical, {Spaced(0.0, 2 * kPi, 8), Spaced(-1.0 / std::sin(halfAngle), 1.0, 3)});
  Point3 mean(0, 0, 0);
  for (int i = 0; i < 9; ++i)
    mean += grid.GetVertex3d({i, 0});
  mean /= 9.0;
  grid.ClosePoles(1e-6);
  EXPECT_TRUE(IsCollapsedV(grid, 0));
  EXPECT_EQ(grid.GetVertex3d({0, 0}), mean);
  EXPECT_FALSE(IsCollapsedV(grid, 1));
}

TEST(QuadsClosure, SmallIsolinesCollapseOnlyWhereTheSurfaceIsStationary) {
  // Every isoline of a tiny cylinder is smaller than the tolerance, but the surface moves at the
  // same rate everywhere: nothing is a pole.
  const MCADUVCylinder tiny(MCADFrame(), 1e-6, 0.0, 2 * kPi, 0.0, 1e-6);
  const MAnalyticalSurface small(tiny, matrix4x4<double>::identity());
  MQuads grid(small, {Spaced(0.0, 2 * kPi, 8), Spaced(0.0, 1e-6, 2)});
  const Vertices before = VerticesOf(grid);
  grid.ClosePoles(1e-3);
  EXPECT_EQ(VerticesOf(grid), before);

  // S(u, v) = (v (u + e), u, 0): along the isoline u = 0 the surface moves at rate e, below 1 %
  // of the largest rate 1 + e, and its one step is e long.
  const double e = 0.005;
  const FunctionSurface slow([e](double u, double v) { return Point3(v * (u + e), u, 0.0); },
                             {0.0, 1.0}, {0.0, 1.0});
  const MAnalyticalSurface surface(slow, matrix4x4<double>::identity());
  const MQuads coarse(surface, {{0.0, 1.0}, {0.0, 1.0}});
  MQuads tight = coarse;
  tight.ClosePoles(0.004);  // the step is above the tolerance
  EXPECT_EQ(VerticesOf(tight), VerticesOf(coarse));
  MQuads loose = coarse;
  loose.ClosePoles(0.006);
  EXPECT_TRUE(IsCollapsedU(loose, 0));
  EXPECT_NEAR(loose.GetVertex3d({0, 0})[0], e / 2, 1e-15);
  EXPECT_FALSE(IsCollapsedU(loose, 1));
  EXPECT_FALSE(IsCollapsedV(loose, 0));

  // All points coincide: both rate bounds are 0 and nothing collapses (nothing moves).
  // (A collapse would show: the mean of five copies of 0.1 is not exactly 0.1.)
  const FunctionSurface point([](double, double) { return Point3(0.1, 0.7, 1.3); }, {0.0, 1.0},
                              {0.0, 1.0});
  const MAnalyticalSurface still(point, matrix4x4<double>::identity());
  MQuads frozen(still, {Spaced(0.0, 1.0, 4), Spaced(0.0, 1.0, 4)});
  const Vertices frozenBefore = VerticesOf(frozen);
  frozen.ClosePoles(1.0);
  EXPECT_EQ(VerticesOf(frozen), frozenBefore);

  // A single isoline in an axis: unchanged.
  MQuads line(surface, {{0.0}, Spaced(0.0, 1.0, 4)});
  const Vertices lineBefore = VerticesOf(line);
  line.ClosePoles(10.0);
  EXPECT_EQ(VerticesOf(line), lineBefore);
}

}  // namespace
