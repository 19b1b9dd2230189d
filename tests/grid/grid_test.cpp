#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/MAnalyticalSurface.h"
#include "Oxlen/Cad/Triangulation/MQuads.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "grid/grid_fixtures.h"
#include "spatial/numeric_helpers.h"

namespace {

using namespace grid_test;
using Oxlen::Math::matrix4x4;
using Vertices = std::vector<std::vector<Point3>>;
const matrix4x4<double> kIdentity = matrix4x4<double>::identity();
// The unit square lifted to z = 3, so that a placement shows in every coordinate.
const FunctionSurface kSquare([](double u, double v) { return Point3(u, v, 3.0); }, {0.0, 1.0},
                              {0.0, 1.0});
const MAnalyticalSurface kFlat(kSquare, kIdentity);

TEST(AnalyticalSurface, EvaluatesAsRowVectorsAndHasMinimalIsolinesForNurbsAndSpheres) {
  // Evaluation scales from internal units and places the point as a row vector.
  // Every entry distinct, so that a transposed (column-vector) placement would show.
  matrix4x4<double> m;
  for (int k = 0; k < 16; ++k)
    m.m[k] = k + 1.0;
  const Point3 p = MAnalyticalSurface(kSquare, m).Evaluate({1.0, 2.0});
  for (int k = 0; k < 3; ++k)
    EXPECT_DOUBLE_EQ(p[k], 1.0 * (k + 1) + 2.0 * (k + 5) + 3.0 * (k + 9) + k + 13);
  // A biquadratic patch on one knot span: 0, 1/3, 2/3, 1 -> 7 -> 13 -> 25 values.
  const MCADUVNurbsSurface nurbs(
      M3dNurbsSurface(3, 3, 3, 3, {0, 0, 0, 1, 1, 1}, {0, 0, 0, 1, 1, 1}, std::vector<Point3>(9)));
  const MAnalyticalSurface patch(nurbs, kIdentity);
  for (const std::vector<double>& values :
       {patch.GetMinimalUIsolines(), patch.GetMinimalVIsolines()}) {
    ASSERT_EQ(values.size(), 25u);
    for (std::size_t k = 0; k < values.size(); ++k)
      EXPECT_NEAR(values[k], k / 24.0, 1e-15);
  }
  // Five cubic spans give 5 * 4 + 1 = 21 values: no halving. Degenerate vectors end.
  EXPECT_EQ(MAnalyticalSurface::GetKnotIsolines({0, 0, 0, 0, 1, 2, 3, 4, 5, 5, 5, 5}, 4),
            Spaced(0.0, 5.0, 20));
  EXPECT_TRUE(MAnalyticalSurface::GetKnotIsolines({}, 3).empty());
  EXPECT_EQ(MAnalyticalSurface::GetKnotIsolines({2, 2, 2}, 3), std::vector<double>{2.0});
  // A sphere's isolines are fixed literals, whatever its own limits.
  const MCADUVSphere ball(MCADFrame(), 2.0, 0.0, 1.0, -0.5, 0.5);
  const MAnalyticalSurface sphere(ball, kIdentity);
  EXPECT_EQ(sphere.GetMinimalUIsolines(),
            (std::vector<double>{0.0, 1.5707963267948966, 3.141592653589793, 4.71238898038469,
                                 6.283185307179586}));
  EXPECT_EQ(sphere.GetMinimalVIsolines(),
            (std::vector<double>{-1.570796326794895, 0.0, 1.570796326794895}));
}

TEST(Quads, ClosedFlagsNeighboursEdgesAndPointsOnEdges) {
  const MCADUVCylinder cylinder(MCADFrame(), 1.0, 0.0, 2 * kPi, 0.0, 1.0);
  const MAnalyticalSurface tube(cylinder, kIdentity);
  const MQuads ring(tube, {Spaced(0.0, 2 * kPi, 4), Spaced(0.0, 1.0, 2)});
  EXPECT_TRUE(ring.IsClosed(MQuads::U));
  EXPECT_TRUE(!ring.IsClosed(MQuads::V));
  EXPECT_EQ(ring.GetQuadNeighbors({3, 1}), (std::vector<MQuadIndex>{{2, 1}, {0, 1}, {3, 0}}));
  EXPECT_TRUE(ring.IsEdgeOnPeriodicBorder(MQuadEdge({4, 1}, {4, 2})));
  EXPECT_FALSE(ring.IsEdgeOnPeriodicBorder(MQuadEdge({0, 0}, {1, 0})));  // open V border
  // Two quads around: the other one twice. An open corner quad has two neighbours.
  const MQuads two(tube, {{0.0, kPi, 2 * kPi}, {0.0, 1.0}});
  EXPECT_EQ(two.GetQuadNeighbors({0, 0}), (std::vector<MQuadIndex>{{1, 0}, {1, 0}}));
  const MQuads open(kFlat, {Spaced(0, 1, 3), Spaced(0, 1, 3)});
  EXPECT_EQ(open.GetQuadNeighbors({2, 2}), (std::vector<MQuadIndex>{{1, 2}, {2, 1}}));
  // A single isoline leaves the axis closed, and no quads.
  const MQuads single(kFlat, {{0.5}, {0.0, 0.5, 1.0}});
  EXPECT_TRUE(single.IsClosed(MQuads::U));
  EXPECT_TRUE(!single.IsClosed(MQuads::V));
  EXPECT_EQ(single.GetQuadsCount(), 0u);

  const MQuads grid(kFlat, {Spaced(0, 1, 3), Spaced(0, 1, 2)});
  const MQuadIndex q(1, 0);
  const auto c = grid.GetQuadVertices(q);
  EXPECT_EQ(c, (std::array<MVertexIndex, 4>{{{1, 0}, {2, 0}, {2, 1}, {1, 1}}}));
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(grid.GetQuadEdgeIndex(q, MQuadEdge(c[k], c[(k + 1) % 4])), k);
    EXPECT_EQ(grid.GetQuadEdgeIndex(q, MQuadEdge(c[(k + 1) % 4], c[k])), k);
  }
  EXPECT_EQ(grid.GetQuadEdgeIndex(q, MQuadEdge({0, 0}, {1, 0})), -1);
  // Steps (du, dv) to edges 0, 1, 2, 3 and, for (-1, 0), edge 3 again.
  const int steps[5][3] = {{1, -1, 0}, {1, 0, 1}, {0, 1, 2}, {0, 0, 3}, {-1, 0, 3}};
  for (const auto& [du, dv, k] : steps)
    EXPECT_EQ(grid.FindQuadEdge(q, du, dv), MQuadEdge(c[k], c[(k + 1) % 4])) << du << dv;
  // The edge parameter runs from the smaller vertex, whichever way the edge points.
  EXPECT_EQ(grid.LocatePointOnEdge({MQuadEdge({1, 0}, {0, 0}), 0.0}), grid.GetVertex3d({0, 0}));
  const Point3 forward = grid.LocatePointOnEdge({MQuadEdge({0, 1}, {0, 2}), 0.25});
  EXPECT_EQ(grid.LocatePointOnEdge({MQuadEdge({0, 2}, {0, 1}), 0.25}), forward);
  EXPECT_DOUBLE_EQ(forward[1], 0.625);
}

TEST(Quads, QuadDistanceMatchesTheFourTriangleSurrogate) {
  // A saddle, so that the four triangles are not coplanar; the last U isoline collapses to a
  // point, so that two of them are degenerate.
  const FunctionSurface saddle(
      [](double u, double v) {
        return Point3(u * (2.0 - u) + u, v * (2.0 - u), v * (2.0 - u) * (u - 0.8));
      },
      {0.0, 2.0}, {0.0, 1.0});
  const MAnalyticalSurface surface(saddle, kIdentity);
  const MQuads grid(surface, {Spaced(0.0, 2.0, 4), Spaced(0.0, 1.0, 3)});
  std::mt19937_64 random(7);
  const auto coordinate = [&random] { return (random() >> 11) * 0x1.0p-53 * 4.0 - 1.5; };
  for (int trial = 0; trial < 400; ++trial) {
    const MQuadIndex q(static_cast<int>(random() % 4), static_cast<int>(random() % 3));
    const Point3 p(coordinate(), coordinate(), coordinate());
    // The triangles (A, B, M), (B, C, M), (C, D, M), (D, A, M) around the centre M; a later
    // one is taken only when strictly nearer.
    const auto c = grid.GetQuadVertices(q);
    const Point3 corner[4] = {grid.GetVertex3d(c[0]), grid.GetVertex3d(c[1]),
                              grid.GetVertex3d(c[2]), grid.GetVertex3d(c[3])};
    const Point3 m = (corner[0] + corner[1] + corner[2] + corner[3]) * 0.25;
    double reference = std::numeric_limits<double>::max();
    Point3 expected;
    for (int k = 0; k < 4; ++k) {
      double w[3];
      const Point3 &a = corner[k], &b = corner[(k + 1) % 4];
      const double d = geometry::ComputeSquaredDistanceBetweenPointAndTriangle(p, {a, b, m}, w);
      if (d < reference) {
        reference = d;
        expected = w[0] * a + w[1] * b + w[2] * m;
      }
    }
    Point3 closest;
    const double squared = grid.ComputeSquaredDistanceBetweenQuadAndPoint(q, p, &closest);
    EXPECT_NEAR(squared, reference, 1e-12 * (1.0 + reference));
    EXPECT_LT(Oxlen::Math::distance(closest, expected), 1e-9);
    EXPECT_EQ(grid.ComputeSquaredDistanceBetweenQuadAndPoint(q, p, nullptr), squared);
  }
}

Vertices VerticesOf(const MQuads& grid) {
  Vertices all(grid.GetIsolinesCount(MQuads::U));
  for (int i = 0; i < grid.GetIsolinesCount(MQuads::U); ++i)
    for (int j = 0; j < grid.GetIsolinesCount(MQuads::V); ++j)
      all[i].push_back(grid.GetVertex3d({i, j}));
  return all;
}

TEST(Quads, ConstructionAndInsertIsolineKeepVerticesOnTheSurface) {
  ExpectInvalid([&] { MQuads(kFlat, {{0.0, 1.0, 0.5}, {0.0}}); }, "isolines");
  ExpectInvalid([&] { MQuads(kFlat, {{0.0}, {0.0, std::nan("")}}); }, "isolines");
  const MCADUVSphere ball(MCADFrame(), 1.5, 0.0, 2 * kPi, -kPi / 2, kPi / 2);
  const MAnalyticalSurface sphere(
      ball, matrix4x4<double>::from_axes({0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, {1, 2, 3}));
  MQuads grid(sphere, {Spaced(0.0, 2 * kPi, 4), Spaced(-kPi / 2, kPi / 2, 2)});
  std::mt19937_64 random(11);
  for (int k = 0; k < 20; ++k) {
    const double fraction = (random() >> 11) * 0x1.0p-53;
    grid.InsertIsoline(k % 2 ? MQuads::V : MQuads::U,
                       k % 2 ? kPi * (fraction - 0.5) : 2 * kPi * fraction);
  }
  std::string why;
  EXPECT_TRUE(grid.IsValid(&why)) << why;
  EXPECT_TRUE(grid.IsClosed(MQuads::U));
  ASSERT_EQ(grid.GetQuadsCount(), 14u * 12u);
  for (int i = 0; i < 15; ++i)
    for (int j = 0; j < 13; ++j)
      ASSERT_EQ(grid.GetVertex3d({i, j}), sphere.Evaluate(grid.GetVertexUV({i, j})));
  // An equal value makes a zero-width row; a value above the last is appended.
  MQuads small(kFlat, {{0.0, 0.5, 1.0}, {0.0, 1.0}});
  small.InsertIsoline(MQuads::U, 0.5);
  EXPECT_EQ(small.GetIsolines().u, (std::vector<double>{0.0, 0.5, 0.5, 1.0}));
  small.InsertIsoline(MQuads::V, 2.0);
  EXPECT_EQ(small.GetVertex3d({3, 2}), Point3(1.0, 2.0, 3.0));
  ExpectInvalid([&] { small.InsertIsoline(MQuads::V, INFINITY); }, "value");
  EXPECT_TRUE(small.IsValid());

  // Many isolines at once, shuffled and with repeats and existing values among them, give the
  // grid of inserting them one by one; a non-finite value among them inserts nothing.
  for (const MQuads::EAxis axis : {MQuads::U, MQuads::V}) {
    MQuads one(sphere, {Spaced(0.0, 2 * kPi, 4), Spaced(-kPi / 2, kPi / 2, 2)});
    MQuads all = one;
    std::vector<double> values{kPi / 2, 0.0};
    for (int k = 0; k < 30; ++k)
      values.push_back(std::round(((random() >> 11) * 0x1.0p-53 - 0.5) * 8) / 8 * kPi);
    for (const double value : values)
      one.InsertIsoline(axis, value);
    all.InsertIsolines(axis, values);
    EXPECT_EQ(all.GetIsolines().u, one.GetIsolines().u);
    EXPECT_EQ(all.GetIsolines().v, one.GetIsolines().v);
    EXPECT_EQ(VerticesOf(all), VerticesOf(one));
    ExpectInvalid([&] { all.InsertIsolines(axis, {0.25, NAN}); }, "value");
    EXPECT_EQ(VerticesOf(all), VerticesOf(one));
  }
}

// The vertices of `grid` once closed by `close` (its seam or its poles) with `tolerance`.
Vertices AfterClosing(MQuads grid, void (MQuads::*close)(double), double tolerance) {
  (grid.*close)(tolerance);
  return VerticesOf(grid);
}

TEST(QuadsClosure, SeamPointsCloserThanTheToleranceMeetAtTheirMidpoint) {
  // Almost a full turn: the seam gap is the chord of the missing 0.01 radians.
  const FunctionSurface almost(
      [](double u, double v) { return Point3(std::cos(u), std::sin(u), v); }, {0.0, 2 * kPi - 0.01},
      {0.0, 1.0});
  const MAnalyticalSurface surface(almost, kIdentity);
  const MQuads grid(surface, {Spaced(0.0, 2 * kPi - 0.01, 8), Spaced(0.0, 1.0, 2)});
  ASSERT_TRUE(grid.IsClosed(MQuads::U));
  const Vertices before = VerticesOf(grid);
  const double gap = Oxlen::Math::distance(before[0][0], before[8][0]);
  EXPECT_EQ(AfterClosing(grid, &MQuads::CloseExactlyIfClosed, gap), before);
  Vertices expected = before;
  for (int j = 0; j < 3; ++j)
    expected[0][j] = expected[8][j] = (before[0][j] + before[8][j]) * 0.5;
  EXPECT_EQ(AfterClosing(grid, &MQuads::CloseExactlyIfClosed, std::nextafter(gap, 1.0)), expected);
}

TEST(QuadsClosure, PolesCollapseToOnePointOnlyWhereTheSurfaceIsStationary) {
  const MCADUVSphere ball(MCADFrame(), 2.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2);
  const MAnalyticalSurface sphere(ball, kIdentity);
  const MQuads globe(sphere, {Spaced(0.0, 2 * kPi, 8), Spaced(-kPi / 2, kPi / 2, 4)});
  const Vertices before = VerticesOf(globe), after = AfterClosing(globe, &MQuads::ClosePoles, 1e-6);
  EXPECT_NEAR(Oxlen::Math::distance(after[0][0], Point3(0, 0, -2)), 0.0, 1e-12);
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 5; ++j)
      EXPECT_EQ(after[i][j], j % 4 == 0 ? after[0][j] : before[i][j]);
  // Every isoline of a tiny cylinder is smaller than the tolerance, but the surface moves at the
  // same rate everywhere: nothing is a pole.
  const MCADUVCylinder tiny(MCADFrame(), 1e-6, 0.0, 2 * kPi, 0.0, 1e-6);
  const MAnalyticalSurface small(tiny, kIdentity);
  const MQuads thin(small, {Spaced(0.0, 2 * kPi, 8), Spaced(0.0, 1e-6, 2)});
  EXPECT_EQ(AfterClosing(thin, &MQuads::ClosePoles, 1e-3), VerticesOf(thin));
  // S(u, v) = (v (u + e), u, 0): along the isoline u = 0 the surface moves at rate e, below 1 %
  // of the largest rate 1 + e, and its one step is e long: a pole only for a tolerance above e.
  const double e = 0.005;
  const FunctionSurface slow([e](double u, double v) { return Point3(v * (u + e), u, 0.0); },
                             {0.0, 1.0}, {0.0, 1.0});
  const MAnalyticalSurface surface(slow, kIdentity);
  const MQuads coarse(surface, {{0.0, 1.0}, {0.0, 1.0}});
  EXPECT_EQ(AfterClosing(coarse, &MQuads::ClosePoles, 0.004), VerticesOf(coarse));
  const Vertices loose = AfterClosing(coarse, &MQuads::ClosePoles, 0.006);
  EXPECT_EQ(loose[0][0], loose[0][1]);
  EXPECT_NEAR(loose[0][0][0], e / 2, 1e-15);
  EXPECT_EQ(loose[1], VerticesOf(coarse)[1]);
}

}  // namespace
