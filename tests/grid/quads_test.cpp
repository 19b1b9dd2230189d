#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <set>
#include <stdexcept>
#include <string>

#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "grid/grid_fixtures.h"

namespace {

using namespace grid_test;
using Oxlen::Math::matrix4x4;

TEST(QuadIndexTypes, CompareLexicographicallyAndMarkersAreInvalid) {
  const std::set<MQuadIndex> quads{{1, 0}, {0, 2}, {0, -1}, {1, -5}};
  EXPECT_EQ(std::vector<MQuadIndex>(quads.begin(), quads.end()),
            (std::vector<MQuadIndex>{{0, -1}, {0, 2}, {1, -5}, {1, 0}}));
  EXPECT_TRUE(MVertexIndex(0, 5) < MVertexIndex(1, 0));
  EXPECT_FALSE(MVertexIndex(1, 0) < MVertexIndex(1, 0));
  EXPECT_EQ(MQuadIndex(), MQuadIndex(0, 0));

  const MQuadEdge forward({1, 0}, {1, 1});
  const MQuadEdge backward({1, 1}, {1, 0});
  EXPECT_NE(forward, backward);
  EXPECT_FALSE(forward.IsReversed());
  EXPECT_TRUE(backward.IsReversed());
  EXPECT_TRUE(forward < backward);
  EXPECT_EQ(MQuads::MPointOnEdge(forward, 0.25), MQuads::MPointOnEdge(forward, 0.25));
  EXPECT_NE(MQuads::MPointOnEdge(forward, 0.25), MQuads::MPointOnEdge(backward, 0.25));
  EXPECT_NE(MQuads::MPointOnEdge(forward, 0.25), MQuads::MPointOnEdge(forward, 0.5));

  EXPECT_EQ(MQuads::kInvalidQuadIndex, MQuadIndex(-1, -1));
  EXPECT_EQ(MQuads::kInvalidQuadEdge, MQuadEdge({-1, -1}, {-1, -1}));
}

TEST(Quads, ConstructionEvaluatesEveryVertexAndCountsQuads) {
  const MCADUVCylinder cylinder(MCADFrame(), 2.0, 0.0, kPi, 0.0, 3.0);
  matrix4x4<double> placement = matrix4x4<double>::translation({1.0, 2.0, 3.0});
  const MAnalyticalSurface surface(cylinder, placement);
  const MQuads grid(surface, {Spaced(0.0, kPi, 4), Spaced(0.0, 3.0, 2)});
  EXPECT_TRUE(grid.IsValid());
  EXPECT_EQ(grid.GetIsolinesCount(MQuads::U), 5);
  EXPECT_EQ(grid.GetIsolinesCount(MQuads::V), 3);
  EXPECT_EQ(grid.GetQuadsCount(MQuads::U), 4);
  EXPECT_EQ(grid.GetQuadsCount(MQuads::V), 2);
  EXPECT_EQ(grid.GetQuadsCount(), 8u);
  EXPECT_EQ(&grid.GetIsolines(MQuads::V), &grid.GetIsolines().v);
  EXPECT_EQ(&grid.GetIsolines(static_cast<MQuads::EAxis>(7)), &grid.GetIsolines().v);
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 3; ++j) {
      const Point2 uv = grid.GetVertexUV({i, j});
      EXPECT_EQ(uv, Point2(grid.GetIsolines().u[i], grid.GetIsolines().v[j]));
      EXPECT_EQ(grid.GetVertex3d({i, j}), surface.Evaluate(uv));
    }
  }

  const FunctionSurface square = UnitSquare();
  const MAnalyticalSurface flat(square, matrix4x4<double>::identity());
  const MQuads single(flat, {{0.5}, {0.0, 1.0}});
  EXPECT_EQ(single.GetQuadsCount(MQuads::U), 0);
  EXPECT_EQ(single.GetQuadsCount(), 0u);

  EXPECT_THROW(MQuads(flat, {{0.0, 1.0, 0.5}, {0.0}}), std::invalid_argument);
  try {
    MQuads(flat, {{0.0}, {0.0, std::numeric_limits<double>::quiet_NaN()}});
    FAIL();
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string(e.what()).rfind("isolines", 0), 0u);
  }
}

TEST(Quads, ClosedFlagsFollowTheSeams) {
  const MCADUVCylinder cylinder(MCADFrame(), 1.0, 0.0, 2 * kPi, 0.0, 1.0);
  const MAnalyticalSurface tube(cylinder, matrix4x4<double>::identity());
  const MQuads full(tube, {Spaced(0.0, 2 * kPi, 8), Spaced(0.0, 1.0, 2)});
  EXPECT_TRUE(full.IsClosed(MQuads::U));
  EXPECT_FALSE(full.IsClosed(MQuads::V));

  const MCADUVCylinder halfCylinder(MCADFrame(), 1.0, 0.0, kPi, 0.0, 1.0);
  const MAnalyticalSurface half(halfCylinder, matrix4x4<double>::identity());
  EXPECT_FALSE(MQuads(half, {Spaced(0.0, kPi, 8), {0.0, 1.0}}).IsClosed(MQuads::U));

  const MCADUVSphere ball(MCADFrame(), 1.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2);
  const MAnalyticalSurface sphere(ball, matrix4x4<double>::identity());
  const MQuads globe(sphere, {Spaced(0.0, 2 * kPi, 8), Spaced(-kPi / 2, kPi / 2, 4)});
  EXPECT_TRUE(globe.IsClosed(MQuads::U));
  EXPECT_FALSE(globe.IsClosed(MQuads::V));

  // A single isoline, or no isoline across, leaves the axis closed.
  const FunctionSurface square = UnitSquare();
  const MAnalyticalSurface flat(square, matrix4x4<double>::identity());
  const MQuads single(flat, {{0.5}, {0.0, 0.5, 1.0}});
  EXPECT_TRUE(single.IsClosed(MQuads::U));
  EXPECT_FALSE(single.IsClosed(MQuads::V));
  const MQuads empty(flat, {{0.0, 1.0}, {}});
  EXPECT_TRUE(empty.IsClosed(MQuads::U));
  EXPECT_TRUE(empty.IsClosed(MQuads::V));
  EXPECT_TRUE(empty.IsValid());
}

TEST(Quads, NeighboursWrapOnlyAcrossClosedAxes) {
  const FunctionSurface square = UnitSquare();
  const MAnalyticalSurface flat(square, matrix4x4<double>::identity());
  EXPECT_TRUE(MQuads(flat, {{0.0, 1.0}, {0.0, 1.0}}).GetQuadNeighbors({0, 0}).empty());
  const MQuads open(flat, {Spaced(0, 1, 3), Spaced(0, 1, 3)});
  EXPECT_EQ(open.GetQuadNeighbors({0, 0}), (std::vector<MQuadIndex>{{1, 0}, {0, 1}}));
  EXPECT_EQ(open.GetQuadNeighbors({2, 2}), (std::vector<MQuadIndex>{{1, 2}, {2, 1}}));
  EXPECT_EQ(open.GetQuadNeighbors({1, 1}),
            (std::vector<MQuadIndex>{{0, 1}, {2, 1}, {1, 0}, {1, 2}}));

  const MCADUVCylinder cylinder(MCADFrame(), 1.0, 0.0, 2 * kPi, 0.0, 1.0);
  const MAnalyticalSurface tube(cylinder, matrix4x4<double>::identity());
  const MQuads ring(tube, {Spaced(0.0, 2 * kPi, 4), Spaced(0.0, 1.0, 2)});
  ASSERT_TRUE(ring.IsClosed(MQuads::U));
  EXPECT_EQ(ring.GetQuadNeighbors({0, 0}), (std::vector<MQuadIndex>{{3, 0}, {1, 0}, {0, 1}}));
  EXPECT_EQ(ring.GetQuadNeighbors({3, 1}), (std::vector<MQuadIndex>{{2, 1}, {0, 1}, {3, 0}}));
  // Two quads around: the other one twice. One quad around: itself twice (the two points of
  // each V isoline coincide exactly: gap and length are both 0).
  const FunctionSurface loop([](double u, double v) { return Point3(u * (1.0 - u), v, u); },
                             {0.0, 1.0}, {0.0, 1.0});
  const FunctionSurface band([](double u, double v) { return Point3(u * (1.0 - u), v, 0.0); },
                             {0.0, 1.0}, {0.0, 1.0});
  const MAnalyticalSurface opened(loop, matrix4x4<double>::identity());
  const MAnalyticalSurface closed(band, matrix4x4<double>::identity());
  const MQuads two(tube, {{0.0, kPi, 2 * kPi}, {0.0, 1.0}});
  ASSERT_TRUE(two.IsClosed(MQuads::U));
  EXPECT_EQ(two.GetQuadNeighbors({0, 0}), (std::vector<MQuadIndex>{{1, 0}, {1, 0}}));
  const MQuads one(closed, {{0.0, 1.0}, {0.0, 1.0}});
  ASSERT_TRUE(one.IsClosed(MQuads::U));
  EXPECT_EQ(one.GetQuadNeighbors({0, 0}), (std::vector<MQuadIndex>{{0, 0}, {0, 0}}));
  EXPECT_FALSE(MQuads(opened, {{0.0, 1.0}, {0.0, 1.0}}).IsClosed(MQuads::U));
}

TEST(Quads, EdgesBordersAndPointsOnEdges) {
  const FunctionSurface square = UnitSquare();
  const MAnalyticalSurface flat(square, matrix4x4<double>::identity());
  const MQuads grid(flat, {Spaced(0, 1, 3), Spaced(0, 1, 2)});
  const MQuadIndex q(1, 0);
  const auto c = grid.GetQuadVertices(q);
  EXPECT_EQ(c, (std::array<MVertexIndex, 4>{{{1, 0}, {2, 0}, {2, 1}, {1, 1}}}));
  EXPECT_EQ(grid.GetQuadEdges(q),
            (std::array<MQuadEdge, 4>{{MQuadEdge(c[2], c[3]), MQuadEdge(c[0], c[1]),
                                       MQuadEdge(c[1], c[2]), MQuadEdge(c[3], c[0])}}));
  for (int k = 0; k < 4; ++k) {
    const MQuadEdge edge(c[k], c[(k + 1) % 4]);
    EXPECT_EQ(grid.GetQuadEdgeIndex(q, edge), k);
    EXPECT_EQ(grid.GetQuadEdgeIndex(q, MQuadEdge(edge.end, edge.start)), k);
  }
  EXPECT_EQ(grid.GetQuadEdgeIndex(q, MQuadEdge({0, 0}, {1, 0})), -1);

  EXPECT_EQ(grid.FindQuadEdge(q, 1, -1), MQuadEdge(c[0], c[1]));
  EXPECT_EQ(grid.FindQuadEdge(q, 1, 0), MQuadEdge(c[1], c[2]));
  EXPECT_EQ(grid.FindQuadEdge(q, 0, 1), MQuadEdge(c[2], c[3]));
  EXPECT_EQ(grid.FindQuadEdge(q, 0, 0), MQuadEdge(c[3], c[0]));
  EXPECT_EQ(grid.FindQuadEdge(q, -1, 0), MQuadEdge(c[3], c[0]));

  EXPECT_TRUE(grid.IsVertexOnBorder({1, 0}));
  EXPECT_TRUE(grid.IsVertexOnBorder({3, 1}));
  EXPECT_FALSE(grid.IsVertexOnBorder({1, 1}));
  EXPECT_FALSE(grid.IsVertexOnPeriodicBorder({0, 0}));
  EXPECT_TRUE(grid.IsEdgeOnBorder(MQuadEdge({1, 0}, {2, 0})));
  EXPECT_TRUE(grid.IsEdgeOnBorder(MQuadEdge({3, 1}, {3, 0})));
  EXPECT_FALSE(grid.IsEdgeOnBorder(MQuadEdge({1, 1}, {2, 1})));
  EXPECT_FALSE(grid.IsEdgeOnPeriodicBorder(MQuadEdge({1, 0}, {2, 0})));

  const MCADUVCylinder cylinder(MCADFrame(), 1.0, 0.0, 2 * kPi, 0.0, 1.0);
  const MAnalyticalSurface tube(cylinder, matrix4x4<double>::identity());
  const MQuads ring(tube, {Spaced(0.0, 2 * kPi, 4), Spaced(0.0, 1.0, 2)});
  EXPECT_TRUE(ring.IsVertexOnPeriodicBorder({4, 1}));
  EXPECT_FALSE(ring.IsVertexOnPeriodicBorder({1, 0}));
  EXPECT_TRUE(ring.IsEdgeOnPeriodicBorder(MQuadEdge({0, 0}, {0, 1})));
  EXPECT_TRUE(ring.IsEdgeOnPeriodicBorder(MQuadEdge({4, 1}, {4, 2})));
  EXPECT_FALSE(ring.IsEdgeOnPeriodicBorder(MQuadEdge({0, 0}, {1, 0})));  // open V border
  EXPECT_TRUE(ring.IsEdgeOnBorder(MQuadEdge({0, 0}, {1, 0})));

  // The edge parameter runs from the smaller vertex, whichever way the edge points.
  EXPECT_EQ(grid.LocatePointOnEdge({MQuadEdge({1, 0}, {0, 0}), 0.0}), grid.GetVertex3d({0, 0}));
  const Point3 forward = grid.LocatePointOnEdge({MQuadEdge({0, 1}, {0, 2}), 0.25});
  const Point3 backward = grid.LocatePointOnEdge({MQuadEdge({0, 2}, {0, 1}), 0.25});
  EXPECT_EQ(forward, backward);
  EXPECT_DOUBLE_EQ(forward[1], 0.625);
  EXPECT_DOUBLE_EQ(grid.LocatePointOnEdge({MQuadEdge({0, 0}, {1, 0}), 2.0})[0], 2.0 / 3.0);
}

TEST(Quads, BoundingBoxCoversAllVertices) {
  const FunctionSurface square = UnitSquare();
  const MAnalyticalSurface flat(square, matrix4x4<double>::identity());
  const auto none = MQuads(flat, {{}, {}}).CalculateBoundingBox3d();
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(none.minimum[k], 1.7976931348623157e308);
    EXPECT_EQ(none.maximum[k], -1.7976931348623157e308);
  }
  const MCADUVSphere ball(MCADFrame(), 2.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2);
  const MAnalyticalSurface sphere(ball, matrix4x4<double>::translation({5.0, 0.0, 0.0}));
  const MQuads globe(sphere, {Spaced(0.0, 2 * kPi, 8), Spaced(-kPi / 2, kPi / 2, 4)});
  const auto box = globe.CalculateBoundingBox3d();
  EXPECT_NEAR(box.minimum[0], 3.0, 1e-12);
  EXPECT_NEAR(box.maximum[0], 7.0, 1e-12);
  EXPECT_NEAR(box.minimum[2], -2.0, 1e-12);
  EXPECT_NEAR(box.maximum[1], 2.0, 1e-12);
}

// Squared distance to the four triangles around the quad's centre, by the exported triangle
// distance.
double ReferenceQuadDistance(const MQuads& grid, const MQuadIndex& q, const Point3& p) {
  const auto c = grid.GetQuadVertices(q);
  Point3 corners[4];
  for (int k = 0; k < 4; ++k)
    corners[k] = grid.GetVertex3d(c[k]);
  const Point3 m = (corners[0] + corners[1] + corners[2] + corners[3]) * 0.25;
  double best = std::numeric_limits<double>::max();
  for (int k = 0; k < 4; ++k) {
    const MTriangle<double, 3> triangle(corners[k], corners[(k + 1) % 4], m);
    best = std::min(best,
                    geometry::ComputeSquaredDistanceBetweenPointAndTriangle(p, triangle, nullptr));
  }
  return best;
}

TEST(Quads, QuadDistanceMatchesTheFourTriangleSurrogate) {
  // A saddle, so that the four triangles are not coplanar; the last U isoline collapses to a
  // point, so that two of them are degenerate.
  const FunctionSurface saddle(
      [](double u, double v) {
        return Point3(u * (2.0 - u) + u, v * (2.0 - u), v * (2.0 - u) * (u - 0.8));
      },
      {0.0, 2.0}, {0.0, 1.0});
  const MAnalyticalSurface surface(saddle, matrix4x4<double>::identity());
  const MQuads grid(surface, {Spaced(0.0, 2.0, 4), Spaced(0.0, 1.0, 3)});
  std::mt19937_64 random(7);
  const auto coordinate = [&random] { return (random() >> 11) * 0x1.0p-53 * 4.0 - 1.5; };
  for (int trial = 0; trial < 400; ++trial) {
    const MQuadIndex q(static_cast<int>(random() % 4), static_cast<int>(random() % 3));
    const Point3 p(coordinate(), coordinate(), coordinate());
    Point3 closest;
    const double squared = grid.ComputeSquaredDistanceBetweenQuadAndPoint(q, p, &closest);
    const double reference = ReferenceQuadDistance(grid, q, p);
    EXPECT_NEAR(squared, reference, 1e-12 * (1.0 + reference));
    EXPECT_NEAR(Oxlen::Math::squared_distance(p, closest), squared, 1e-12 * (1.0 + squared));
    EXPECT_EQ(grid.ComputeSquaredDistanceBetweenQuadAndPoint(q, p, nullptr), squared);
  }
  // A corner is at distance 0 from its own quad.
  const MQuadIndex q(3, 2);
  Point3 closest;
  EXPECT_EQ(grid.ComputeSquaredDistanceBetweenQuadAndPoint(q, grid.GetVertex3d({4, 3}), &closest),
            0.0);
  EXPECT_NEAR(Oxlen::Math::distance(closest, grid.GetVertex3d({4, 3})), 0.0, 1e-15);
}

TEST(Quads, InsertIsolineKeepsVerticesOnTheSurface) {
  const MCADUVSphere ball(MCADFrame(), 1.5, 0.0, 2 * kPi, -kPi / 2, kPi / 2);
  const MAnalyticalSurface sphere(
      ball, matrix4x4<double>::from_axes({0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, {1, 2, 3}));
  MQuads grid(sphere, {Spaced(0.0, 2 * kPi, 4), Spaced(-kPi / 2, kPi / 2, 2)});
  const bool closedU = grid.IsClosed(MQuads::U);
  const bool closedV = grid.IsClosed(MQuads::V);
  std::mt19937_64 random(11);
  for (int k = 0; k < 20; ++k) {
    const double fraction = (random() >> 11) * 0x1.0p-53;
    if (k % 2 == 0)
      grid.InsertIsoline(MQuads::U, 2 * kPi * fraction);
    else
      grid.InsertIsoline(MQuads::V, kPi * (fraction - 0.5));
  }
  std::string why;
  EXPECT_TRUE(grid.IsValid(&why)) << why;
  EXPECT_EQ(grid.GetIsolinesCount(MQuads::U), 15);
  EXPECT_EQ(grid.GetIsolinesCount(MQuads::V), 13);
  EXPECT_TRUE(std::is_sorted(grid.GetIsolines().u.begin(), grid.GetIsolines().u.end()));
  EXPECT_TRUE(std::is_sorted(grid.GetIsolines().v.begin(), grid.GetIsolines().v.end()));
  for (int i = 0; i < grid.GetIsolinesCount(MQuads::U); ++i)
    for (int j = 0; j < grid.GetIsolinesCount(MQuads::V); ++j)
      ASSERT_EQ(grid.GetVertex3d({i, j}), sphere.Evaluate(grid.GetVertexUV({i, j})));
  EXPECT_EQ(grid.IsClosed(MQuads::U), closedU);
  EXPECT_EQ(grid.IsClosed(MQuads::V), closedV);

  // An equal value goes before the existing one; a value above the last is appended.
  const FunctionSurface square = UnitSquare();
  const MAnalyticalSurface flat(square, matrix4x4<double>::identity());
  MQuads small(flat, {{0.0, 0.5, 1.0}, {0.0, 1.0}});
  small.InsertIsoline(MQuads::U, 0.5);
  EXPECT_EQ(small.GetIsolines().u, (std::vector<double>{0.0, 0.5, 0.5, 1.0}));
  EXPECT_EQ(small.GetVertex3d({1, 1}), small.GetVertex3d({2, 1}));
  small.InsertIsoline(MQuads::V, 2.0);
  EXPECT_EQ(small.GetIsolines().v, (std::vector<double>{0.0, 1.0, 2.0}));
  EXPECT_EQ(small.GetVertex3d({3, 2}), Point3(1.0, 2.0, 0.0));
  EXPECT_EQ(small.GetQuadsCount(), 6u);
  EXPECT_TRUE(small.IsValid());
  EXPECT_THROW(small.InsertIsoline(MQuads::V, std::numeric_limits<double>::infinity()),
               std::invalid_argument);
  EXPECT_TRUE(small.IsValid());
}

TEST(Quads, ValidatorReportsBrokenVertices) {
  const FunctionSurface blowUp([](double u, double v) { return Point3(u, v, 1.0 / (u - 0.5)); },
                               {0.0, 1.0}, {0.0, 1.0});
  const MAnalyticalSurface surface(blowUp, matrix4x4<double>::identity());
  const MQuads grid(surface, {{0.0, 0.5, 1.0}, {0.0, 1.0}});
  std::string why;
  EXPECT_FALSE(grid.IsValid(&why));
  EXPECT_NE(why.find("(1, 0)"), std::string::npos) << why;
  EXPECT_FALSE(grid.IsValid());
}

}  // namespace
