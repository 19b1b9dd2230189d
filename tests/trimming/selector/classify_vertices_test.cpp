#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimPartSelector.h"
#include "loops/distribution/distribution_fixtures.h"
#include "trimming/geometric_seeding.h"
#include "trimming/vertex_flood.h"

namespace {

using namespace distribution_test;
using Selector = MCadTriangulator::MTrimPartSelector;
using Status = Selector::EVertexStatus;

constexpr Status kIn = Selector::Inside;
constexpr Status kOut = Selector::Outside;

struct Classified {
  std::vector<Status> statuses;
  bool unclassified = false;
  int nV = 0;
  Status At(int u, int v) const { return statuses[static_cast<std::size_t>(u * nV + v)]; }
};

Classified Classify(const TestGrid& g, double tolerance, bool aroundDomain) {
  Classified result;
  result.unclassified = !aroundDomain;  // must be overwritten either way
  result.statuses =
      Selector::ClassifyVertices(*g.grid, tolerance, aroundDomain, result.unclassified);
  result.nV = g.Quads().GetIsolinesCount(MQuads::EAxis::V);
  EXPECT_EQ(result.statuses.size(),
            static_cast<std::size_t>(g.Quads().GetIsolinesCount(MQuads::EAxis::U) * result.nV));
  return result;
}

// Compares every vertex whose UV lies farther than `margin` from the loops with the expected
// status; returns the number compared.
template <class Expected>
int CompareWith(const TestGrid& g, const Classified& c, const std::vector<Polygon>& loops,
                double margin, Expected expected) {
  int compared = 0;
  const MQuads& quads = g.Quads();
  for (int u = 0; u < quads.GetIsolinesCount(MQuads::EAxis::U); ++u) {
    for (int v = 0; v < quads.GetIsolinesCount(MQuads::EAxis::V); ++v) {
      const Point2 uv = quads.GetVertexUV({u, v});
      bool near = false;
      for (const Polygon& loop : loops)
        near |= DistanceToBoundary(loop, uv) < margin;
      if (near)
        continue;
      EXPECT_EQ(c.At(u, v), expected(uv)) << "vertex (" << u << ", " << v << ")";
      ++compared;
    }
  }
  return compared;
}

TEST(ClassifyVertices, LeavesAGridWithoutLoopsUnclassifiedAndRejectsABadTolerance) {
  const TestGrid g = Plane(Spaced(0, 5, 5), Spaced(0, 4, 4));
  const Classified c = Classify(g, 1e-6, false);
  EXPECT_TRUE(c.unclassified);
  EXPECT_EQ(c.statuses, std::vector<Status>(30, kIn));
  bool unclassified = false;
  EXPECT_THROW(Selector::ClassifyVertices(*g.grid, -1.0, false, unclassified),
               std::invalid_argument);
  EXPECT_THROW(Selector::ClassifyVertices(*g.grid, std::nan(""), false, unclassified),
               std::invalid_argument);
  // Loops laid over a larger grid do not fit this one.
  TestGrid large = Plane(Spaced(0, 10, 10), Spaced(0, 10, 10));
  large.Add(PolygonLoop(large, Rectangle(6.5, 6.5, 8.5, 8.5), 1, true, false));
  TestGrid small = Plane(Spaced(0, 5, 5), Spaced(0, 4, 4));
  small.grid->loops = large.Loops();
  try {
    Selector::ClassifyVertices(*small.grid, 1e-6, false, unclassified);
    ADD_FAILURE() << "accepted loops outside the grid";
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string(e.what()).rfind("grid: ", 0), 0u) << e.what();
  }
}

TEST(ClassifyVertices, FloodsAnOpenGridFromItsFirstVertexOrFromItsBorder) {
  TestGrid g = Plane(Spaced(0, 10, 10), Spaced(0, 10, 10));
  const Polygon hole = Reversed(Circle({5.2, 4.7}, 2.3, 17));
  g.Add(PolygonLoop(g, hole, 3, true, false));
  const auto inHole = [&](const Point2& uv) { return Contains(hole, uv); };
  // Vertex (0, 0) is outside: what the loop encloses is inside.
  const Classified corner = Classify(g, 1e-6, false);
  EXPECT_FALSE(corner.unclassified);
  EXPECT_EQ(CompareWith(g, corner, {hole}, 1e-9,
                        [&](const Point2& uv) { return inHole(uv) ? kIn : kOut; }),
            121);
  // Around the domain every border vertex is inside: the hole is outside.
  const Classified border = Classify(g, 1e-6, true);
  EXPECT_FALSE(border.unclassified);
  EXPECT_EQ(CompareWith(g, border, {hole}, 1e-9,
                        [&](const Point2& uv) { return inHole(uv) ? kOut : kIn; }),
            121);
}

TEST(ClassifyVertices, AgreesWithPointInPolygonForRandomFacesOnAPlane) {
  std::mt19937_64 rng(424242);
  int compared = 0;
  for (int trial = 0; trial < 30; ++trial) {
    std::vector<double> u{0.0, 20.0};
    std::vector<double> v{0.0, 16.0};
    for (int k = 0; k < 25; ++k)
      u.push_back(Uniform(rng, 0.1, 19.9));
    for (int k = 0; k < 20; ++k)
      v.push_back(Uniform(rng, 0.1, 15.9));
    std::sort(u.begin(), u.end());
    std::sort(v.begin(), v.end());
    TestGrid g = Plane(u, v);
    const Point2 centre(Uniform(rng, 9.0, 11.0), Uniform(rng, 7.0, 9.0));
    std::vector<Polygon> loops{Star(rng, centre, 4.5, 6.5, 16)};
    const int holes = trial % 4;
    for (int h = 0; h < holes; ++h) {
      const double angle = 2 * kPi * (h + Uniform(rng, 0.0, 0.5)) / 3;
      const Point2 at = centre + Uniform(rng, 1.0, 2.5) * Point2(std::cos(angle), std::sin(angle));
      loops.push_back(Reversed(Star(rng, at, 0.3, 0.7, 7 + h)));
    }
    for (const Polygon& loop : loops)
      g.Add(PolygonLoop(g, loop, 1 + trial % 3, trial % 2 == 0, trial % 3 == 0));
    const Classified c = Classify(g, 1e-6, false);
    ASSERT_FALSE(c.unclassified);
    compared += CompareWith(g, c, loops, 1e-7, [&](const Point2& uv) {
      bool inside = Contains(loops[0], uv);
      for (std::size_t h = 1; h < loops.size(); ++h)
        inside &= !Contains(loops[h], uv);
      return inside ? kIn : kOut;
    });
  }
  EXPECT_GT(compared, 30 * 26 * 21 * 9 / 10);
}

TEST(ClassifyVertices, SeedsTheOpenSidesOfACylinder) {
  // Two loops around: the band between them is the face.
  TestGrid cylinder = Cylinder(24, 10);
  Polygon low;
  Polygon high;
  for (int k = 0; k < 60; ++k) {
    low.push_back({2 * kPi * (k + 0.5) / 60, 7.5});
    high.push_back({2 * kPi * (60 - k - 0.5) / 60, 22.5});
  }
  // One point per corner: the closing side crosses the seam instead of running back in UV.
  cylinder.Add(PolygonLoop(cylinder, low, 1, true, false));
  cylinder.Add(PolygonLoop(cylinder, high, 1, false, false));
  const Classified band = Classify(cylinder, 1e-6, false);
  ASSERT_FALSE(band.unclassified);
  for (int u = 0; u <= 24; ++u)
    for (int v = 0; v <= 10; ++v)
      EXPECT_EQ(band.At(u, v), v >= 3 && v <= 7 ? kIn : kOut) << u << ", " << v;

  // A window across the seam: both copies of a seam vertex come out alike.
  cylinder.Clear();
  const Polygon window = Rectangle(-1.1, 4.5, 1.3, 19.5);
  cylinder.Add(PolygonLoop(cylinder, window, 3, true, true, 100, true));
  const Classified across = Classify(cylinder, 1e-6, false);
  const auto inWindow = [&](const Point2& uv) {
    const double u = uv[0] > kPi ? uv[0] - 2 * kPi : uv[0];
    return Contains(window, {u, uv[1]}) ? kIn : kOut;
  };
  EXPECT_EQ(CompareWith(cylinder, across, {}, 0.0, inWindow), 25 * 11);
  for (int v = 0; v <= 10; ++v)
    EXPECT_EQ(across.At(0, v), across.At(24, v));

  // Two loops around a short cylinder touch every quad: the second pass seeds the corners next to
  // the crossings.
  TestGrid shortCylinder = Cylinder(4, 2);
  shortCylinder.Add(PolygonLoop(shortCylinder, low, 1, true, false));
  shortCylinder.Add(PolygonLoop(shortCylinder, high, 1, true, false));
  const Classified second = Classify(shortCylinder, 1e-6, false);
  ASSERT_FALSE(second.unclassified);
  for (int u = 0; u <= 4; ++u)
    EXPECT_EQ((std::vector<Status>{second.At(u, 0), second.At(u, 1), second.At(u, 2)}),
              (std::vector<Status>{kOut, kIn, kOut}));
}

TEST(ClassifyVertices, LetsTheBorderSeedsVoteAroundAClosedDomain) {
  // One loop around a cylinder, all border vertices seeded inside: the flood from vertex (0, 0)
  // makes the side below the loop inside, and the vote keeps or inverts that so that the side
  // holding most border vertices is inside.
  for (const double height : {4.5, 25.5}) {
    TestGrid cylinder = Cylinder(8, 10);
    Polygon around;
    for (int k = 0; k < 16; ++k)
      around.push_back({2 * kPi * (k + 0.5) / 16, height});
    cylinder.Add(PolygonLoop(cylinder, around, 1, true, false));
    const Classified c = Classify(cylinder, 1e-6, true);
    ASSERT_FALSE(c.unclassified);
    const bool lowLoop = height < 15;
    for (int u = 0; u <= 8; ++u) {
      for (int v = 0; v <= 10; ++v) {
        const bool below = 3.0 * v < height;
        EXPECT_EQ(c.At(u, v), below == lowLoop ? kOut : kIn) << height << ": " << u << ", " << v;
      }
    }
  }
}

TEST(ClassifyVertices, NeverFloodsDirectlyAcrossAClosedSeam) {
  const TestGrid cylinder = Cylinder(6, 3);
  const MQuads& quads = cylinder.Quads();
  ASSERT_TRUE(quads.IsClosed(MQuads::EAxis::U));
  // An odd count on every edge into the last column: reached only through the interior, that
  // column flips, although it meets the seed's column at the seam.
  selector::detail::EdgeCrossingCounts counts;
  for (int v = 0; v <= 3; ++v) {
    counts[MQuadEdge({5, v}, {6, v})] = 1;
    counts[MQuadEdge({6, v}, {5, v})] = 1;
  }
  const std::vector<Status> statuses =
      selector::detail::FloodStatuses(quads, {{MVertexIndex(0, 0), kIn}}, counts);
  for (int u = 0; u <= 6; ++u)
    for (int v = 0; v <= 3; ++v)
      EXPECT_EQ(statuses[static_cast<std::size_t>(u * 4 + v)], u == 6 ? kOut : kIn);
}

TEST(ClassifyVertices, SkipsLonePolesWhenSeedingASphere) {
  // A hemisphere: the north side is a pole, the equator is not. A cap around the pole is the
  // face; only the equator seeds.
  TestGrid hemisphere = Sphere(16, 6, 0.0, kPi / 2);
  Polygon cap;
  for (int k = 0; k < 24; ++k)
    cap.push_back({2 * kPi * (k + 0.5) / 24, 0.9});
  hemisphere.Add(PolygonLoop(hemisphere, cap, 1, true, false));
  const Classified c = Classify(hemisphere, 1e-6, false);
  ASSERT_FALSE(c.unclassified);
  EXPECT_EQ(CompareWith(hemisphere, c, {}, 0.0,
                        [](const Point2& uv) { return uv[1] > 0.9 ? kIn : kOut; }),
            17 * 7);

  // The whole sphere with a window: both poles seed outside.
  TestGrid sphere = Sphere();
  const Polygon window = Rectangle(1.0, -0.5, 2.5, 0.8);
  sphere.Add(PolygonLoop(sphere, window, 4, false, false));
  const Classified w = Classify(sphere, 1e-6, false);
  EXPECT_EQ(CompareWith(sphere, w, {window}, 1e-9,
                        [&](const Point2& uv) { return Contains(window, uv) ? kIn : kOut; }),
            25 * 13);
}

TEST(ClassifyVertices, SeedsGeometricallyOnAGridClosedBothWays) {
  TestGrid torus = Torus(16, 8);
  ASSERT_TRUE(torus.Quads().IsClosed(MQuads::EAxis::U));
  ASSERT_TRUE(torus.Quads().IsClosed(MQuads::EAxis::V));
  // Windows over several quads: the direction of the crossed edges decides.
  const Polygon window = Rectangle(1.0, 1.0, 3.0, 4.0);
  for (const bool hole : {false, true}) {
    torus.Clear();
    torus.Add(PolygonLoop(torus, hole ? Reversed(window) : window, 3, !hole, false));
    const Classified c = Classify(torus, 1e-6, false);
    ASSERT_FALSE(c.unclassified);
    EXPECT_EQ(
        CompareWith(torus, c, {window}, 1e-9,
                    [&](const Point2& uv) { return Contains(window, uv) != hole ? kIn : kOut; }),
        17 * 9);
  }
  // A loop inside one quad: its orientation decides.
  for (const bool hole : {false, true}) {
    torus.Clear();
    const Polygon small = Circle({1.0, 2.7}, 0.1, 8);
    torus.Add(PolygonLoop(torus, hole ? Reversed(small) : small, 2, false, false));
    const Classified c = Classify(torus, 1e-6, false);
    ASSERT_FALSE(c.unclassified);
    EXPECT_EQ(c.statuses, std::vector<Status>(17 * 9, hole ? kIn : kOut));
  }
  // A window across the seam within one quad row crosses only seam edges: the loop segments
  // facing the quad edges seed (with a tolerance above the grid's sag, as after refinement), and
  // no vertex lies in the window.
  TestGrid fine = Torus(64, 32);
  fine.Add(PolygonLoop(fine, Rectangle(-0.04, 2.376, 0.04, 2.436), 1, true, false, 100, true));
  EXPECT_TRUE(selector::detail::SeedFromSplittingPoints(*fine.grid, 0.05).empty());
  const Classified c = Classify(fine, 0.05, false);
  ASSERT_FALSE(c.unclassified);
  EXPECT_EQ(c.statuses, std::vector<Status>(65 * 33, kOut));
  // Edges all shorter than the tolerance: nothing seeds.
  const Classified nothing = Classify(fine, 100.0, false);
  EXPECT_TRUE(nothing.unclassified);
  EXPECT_EQ(nothing.statuses, std::vector<Status>(65 * 33, kIn));
}

TEST(ClassifyVertices, DropsUnreliableSplittingPointSeedsUntilANearerReliableOne) {
  TestGrid g = Plane(Spaced(0, 4, 4), Spaced(0, 4, 4));
  // A thin finger across the edge (1, 1) - (1, 2): its two crossings are closer than the
  // tolerance.
  g.Add(PolygonLoop(g, Rectangle(0.5, 1.45, 1.5, 1.55), 1, true, false));
  auto seeds = selector::detail::SeedFromSplittingPoints(*g.grid, 0.2);
  EXPECT_TRUE(seeds.empty());
  // A later quad's crossing 0.1 from vertex (1, 1), reliable, restores its seed.
  g.Add(PolygonLoop(g, Rectangle(1.1, 0.5, 1.9, 1.3), 1, true, false));
  seeds = selector::detail::SeedFromSplittingPoints(*g.grid, 0.2);
  EXPECT_EQ(seeds.count(MVertexIndex(1, 1)), 1u);
  EXPECT_EQ(seeds.count(MVertexIndex(2, 1)), 1u);
  EXPECT_EQ(seeds.count(MVertexIndex(1, 2)), 0u);
  // Both lie outside the second loop, each at the start of the crossed edge nearest to it.
  EXPECT_EQ(seeds.at(MVertexIndex(1, 1)), kOut);
  EXPECT_EQ(seeds.at(MVertexIndex(2, 1)), kOut);
}

TEST(ClassifyVertices, BansAVertexOfferedBothStatusesByEdgeSegments) {
  TestGrid torus = Torus(64, 32);
  torus.Add(PolygonLoop(torus, Rectangle(-0.04, 2.376, 0.04, 2.436), 1, true, false, 100, true));
  auto seeds = selector::detail::SeedFromEdgeSegments(*torus.grid, 0.05);
  for (const MVertexIndex vertex : {MVertexIndex(1, 12), MVertexIndex(1, 13)}) {
    ASSERT_EQ(seeds.count(vertex), 1u);
    EXPECT_EQ(seeds.at(vertex), kOut);
  }
  // A hole beside the window in the same quads: its side facing the right quad edge offers the
  // other status to the same corners.
  torus.Add(PolygonLoop(torus, Reversed(Rectangle(-0.04, 2.466, 0.04, 2.526)), 1, true, false, 100,
                        true));
  seeds = selector::detail::SeedFromEdgeSegments(*torus.grid, 0.05);
  EXPECT_EQ(seeds.count(MVertexIndex(1, 12)), 0u);
  EXPECT_EQ(seeds.count(MVertexIndex(1, 13)), 0u);
}

}  // namespace
