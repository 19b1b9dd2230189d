// Vertex classification: the seeds of each kind of grid, the flood from them and the vote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimPartSelector.h"
#include "geometric_seeding.h"
#include "loops/distribution/distribution_fixtures.h"
#include "vertex_flood.h"

namespace {

using namespace distribution_test;
using Selector = MCadTriangulator::MTrimPartSelector;
using Status = Selector::EVertexStatus;
using Statuses = std::vector<Status>;

constexpr Status kIn = Selector::Inside;
constexpr Status kOut = Selector::Outside;

struct Classified {
  Statuses statuses;
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
int CompareWith(const TestGrid& g, const Classified& c, const std::vector<Polygon>& loops,
                double margin, const std::function<Status(const Point2&)>& expected) {
  int compared = 0;
  for (int u = 0; u < g.Quads().GetIsolinesCount(MQuads::EAxis::U); ++u) {
    for (int v = 0; v < c.nV; ++v) {
      const Point2 uv = g.Quads().GetVertexUV({u, v});
      bool near = false;
      for (const Polygon& loop : loops)
        near |= DistanceToBoundary(loop, uv) < margin;
      if (!near) {
        EXPECT_EQ(c.At(u, v), expected(uv)) << "vertex (" << u << ", " << v << ")";
        ++compared;
      }
    }
  }
  return compared;
}

// Classifies `g` and expects a seed and, at every vertex, the status `expected` gives its UV.
void ExpectStatuses(const TestGrid& g, const std::function<Status(const Point2&)>& expected,
                    bool aroundDomain = false, double tolerance = 1e-6) {
  const Classified c = Classify(g, tolerance, aroundDomain);
  EXPECT_FALSE(c.unclassified);
  EXPECT_EQ(CompareWith(g, c, {}, 0.0, expected), static_cast<int>(c.statuses.size()));
}

// `count` UV points around a cylinder at height v, running with U or against it.
Polygon Around(double v, int count, bool withU) {
  Polygon ring;
  for (int k = 0; k < count; ++k)
    ring.push_back({2 * kPi * (withU ? k + 0.5 : count - k - 0.5) / count, v});
  return ring;
}

TEST(ClassifyVertices, OpenGridSeedsCornerZeroOutsideOrItsBorderInside) {
  // Without loop information nothing is seeded.
  TestGrid g = Plane(Spaced(0, 10, 10), Spaced(0, 10, 10));
  const Classified none = Classify(g, 1e-6, false);
  EXPECT_TRUE(none.unclassified);
  EXPECT_EQ(none.statuses, Statuses(121, kIn));
  // Vertex (0, 0) is outside: what the loop encloses is inside. Around the domain every border
  // vertex is inside: the hole is outside.
  const Polygon hole = Reversed(Circle({5.2, 4.7}, 2.3, 17));
  g.Add(PolygonLoop(g, hole, 3, true, false));
  for (const bool around : {false, true})
    ExpectStatuses(
        g, [&](const Point2& uv) { return Contains(hole, uv) != around ? kIn : kOut; }, around);
  // A tolerance that is not a number; loops laid over a larger grid do not fit a smaller one.
  bool unclassified = false;
  EXPECT_THROW(Selector::ClassifyVertices(*g.grid, std::nan(""), false, unclassified),
               std::invalid_argument);
  TestGrid small = Plane(Spaced(0, 5, 5), Spaced(0, 4, 4));
  small.grid->loops = g.Loops();
  try {
    Selector::ClassifyVertices(*small.grid, 1e-6, false, unclassified);
    ADD_FAILURE() << "accepted loops outside the grid";
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string(e.what()).rfind("grid: ", 0), 0u) << e.what();
  }
}

TEST(ClassifyVertices, AgreesWithPointInPolygonForRandomFacesOnAPlane) {
  std::mt19937_64 rng(424242);
  int compared = 0;
  for (int trial = 0; trial < 20; ++trial) {
    std::vector<double> u{0.0, 20.0};
    std::vector<double> v{0.0, 16.0};
    for (int k = 0; k < 25; ++k)
      u.push_back(Uniform(rng, 0.1, 19.9));
    for (int k = 0; k < 20; ++k)
      v.push_back(Uniform(rng, 0.1, 15.9));
    std::sort(u.begin(), u.end());
    std::sort(v.begin(), v.end());
    TestGrid g = Plane(u, v);
    // An outer star with up to three star-shaped holes.
    const Point2 centre(Uniform(rng, 9.0, 11.0), Uniform(rng, 7.0, 9.0));
    std::vector<Polygon> loops{Star(rng, centre, 4.5, 6.5, 16)};
    for (int h = 0; h < trial % 4; ++h) {
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
  EXPECT_GT(compared, 20 * 26 * 21 * 9 / 10);
}

TEST(ClassifyVertices, AgreesWithPointInPolygonOnNamedPlanarFaces) {
  // A face is what an odd number of its loops encloses (outer loops counter-clockwise, holes
  // clockwise, islands in holes counter-clockwise again).
  std::mt19937_64 rng(7);
  const std::vector<std::pair<const char*, std::vector<Polygon>>> faces{
      {"square with round and star holes",
       {Rectangle(2, 2, 18, 14), Reversed(Circle({6, 8}, 2.5, 40)),
        Reversed(Star(rng, {13.2, 8.1}, 1.5, 3.0, 11))}},
      {"nested islands",
       {Rectangle(1, 1, 19, 15), Reversed(Rectangle(3.7, 3.1, 16.3, 12.9)),
        Circle({10, 8}, 4.1, 30), Reversed(Circle({10.2, 7.9}, 1.6, 20))}},
      {"outer loop along the domain border",
       {{{0, 0}, {20, 0}, {20, 7.3}, {9.4, 16}, {0, 16}}, Reversed(Circle({7, 6}, 3.1, 25))}},
  };
  for (const auto& [name, loops] : faces) {
    SCOPED_TRACE(name);
    TestGrid g = Plane(Spaced(0, 20, 23), Spaced(0, 16, 19));
    for (const Polygon& loop : loops)
      g.Add(PolygonLoop(g, loop, 3, true, true));
    const Classified c = Classify(g, 1e-6, false);
    ASSERT_FALSE(c.unclassified);
    const int compared = CompareWith(g, c, loops, 1e-6, [&](const Point2& uv) {
      const auto enclosing = std::count_if(loops.begin(), loops.end(),
                                           [&](const Polygon& loop) { return Contains(loop, uv); });
      return enclosing % 2 == 1 ? kIn : kOut;
    });
    EXPECT_GT(compared, 24 * 20 * 8 / 10);
  }
}

TEST(ClassifyVertices, SeedsTheOpenSidesOfACylinderAndLetsTheBorderVote) {
  // Two loops around (one point per corner: the closing side crosses the seam): the band between
  // them is the face. On a short cylinder they touch every quad: the second pass seeds the
  // corners next to the crossings.
  for (const auto& [quadsU, quadsV, secondWithUv] : {std::tuple{24, 10, false}, {4, 2, true}}) {
    TestGrid cylinder = Cylinder(quadsU, quadsV);
    cylinder.Add(PolygonLoop(cylinder, Around(7.5, 60, true), 1, true, false));
    cylinder.Add(PolygonLoop(cylinder, Around(22.5, 60, false), 1, secondWithUv, false));
    ExpectStatuses(cylinder,
                   [](const Point2& uv) { return uv[1] > 7.5 && uv[1] < 22.5 ? kIn : kOut; });
  }
  // A window across the seam: both copies of a seam vertex come out alike.
  TestGrid cylinder = Cylinder(24, 10);
  const Polygon window = Rectangle(-1.1, 4.5, 1.3, 19.5);
  cylinder.Add(PolygonLoop(cylinder, window, 3, true, true, 100, true));
  ExpectStatuses(cylinder, [&](const Point2& uv) {
    return Contains(window, {uv[0] > kPi ? uv[0] - 2 * kPi : uv[0], uv[1]}) ? kIn : kOut;
  });
  // One loop around, all border vertices seeded inside: the flood from vertex (0, 0) makes the
  // side below the loop inside, and the vote keeps or inverts that so that the side holding most
  // border vertices is inside.
  for (const double height : {4.5, 25.5}) {
    TestGrid tube = Cylinder(8, 10);
    tube.Add(PolygonLoop(tube, Around(height, 16, true), 1, true, false));
    ExpectStatuses(
        tube, [&](const Point2& uv) { return (uv[1] < height) == (height < 15) ? kOut : kIn; },
        true);
  }
}

TEST(ClassifyVertices, NeverFloodsDirectlyAcrossAClosedSeam) {
  const TestGrid cylinder = Cylinder(6, 3);
  ASSERT_TRUE(cylinder.Quads().IsClosed(MQuads::EAxis::U));
  // An odd count on every edge into the last column: reached only through the interior, that
  // column flips, although it meets the seed's column at the seam.
  selector::detail::EdgeCrossingCounts counts;
  for (int v = 0; v <= 3; ++v) {
    counts[MQuadEdge({5, v}, {6, v})] = 1;
    counts[MQuadEdge({6, v}, {5, v})] = 1;
  }
  const Statuses statuses =
      selector::detail::FloodStatuses(cylinder.Quads(), {{MVertexIndex(0, 0), kIn}}, counts);
  for (int u = 0; u <= 6; ++u)
    for (int v = 0; v <= 3; ++v)
      EXPECT_EQ(statuses[static_cast<std::size_t>(u * 4 + v)], u == 6 ? kOut : kIn);
}

TEST(ClassifyVertices, SkipsLonePolesWhenSeedingASphere) {
  // A hemisphere: the north side is a pole, the equator is not. A cap around the pole is the
  // face; only the equator seeds. On the whole sphere with a window both poles seed outside.
  TestGrid hemisphere = Sphere(16, 6, 0.0, kPi / 2);
  hemisphere.Add(PolygonLoop(hemisphere, Around(0.9, 24, true), 1, true, false));
  ExpectStatuses(hemisphere, [](const Point2& uv) { return uv[1] > 0.9 ? kIn : kOut; });
  TestGrid sphere = Sphere();
  const Polygon window = Rectangle(1.0, -0.5, 2.5, 0.8);
  sphere.Add(PolygonLoop(sphere, window, 4, false, false));
  ExpectStatuses(sphere, [&](const Point2& uv) { return Contains(window, uv) ? kIn : kOut; });
}

TEST(ClassifyVertices, SeedsGeometricallyOnAGridClosedBothWays) {
  TestGrid torus = Torus(16, 8);
  ASSERT_TRUE(torus.Quads().IsClosed(MQuads::EAxis::V));
  // Windows over several quads (the direction of the crossed edges decides), and loops inside
  // one quad (their orientation decides).
  const Polygon window = Rectangle(1.0, 1.0, 3.0, 4.0);
  const Polygon small = Circle({1.0, 2.7}, 0.1, 8);
  for (const bool hole : {false, true}) {
    torus.Clear();
    torus.Add(PolygonLoop(torus, hole ? Reversed(window) : window, 3, !hole, false));
    ExpectStatuses(torus,
                   [&](const Point2& uv) { return Contains(window, uv) != hole ? kIn : kOut; });
    torus.Clear();
    torus.Add(PolygonLoop(torus, hole ? Reversed(small) : small, 2, false, false));
    ExpectStatuses(torus, [&](const Point2&) { return hole ? kIn : kOut; });
  }
  // A window across the seam within one quad row crosses only seam edges: the loop segments
  // facing the quad edges seed (with a tolerance above the grid's sag, as after refinement), and
  // no vertex lies in the window. With every edge shorter than the tolerance nothing seeds.
  TestGrid fine = Torus(64, 32);
  fine.Add(PolygonLoop(fine, Rectangle(-0.04, 2.376, 0.04, 2.436), 1, true, false, 100, true));
  EXPECT_TRUE(selector::detail::SeedFromSplittingPoints(*fine.grid, 0.05).empty());
  ExpectStatuses(
      fine, [](const Point2&) { return kOut; }, false, 0.05);
  EXPECT_TRUE(Classify(fine, 100.0, false).unclassified);
}

TEST(ClassifyVertices, DropsUnreliableSplittingPointSeedsUntilANearerReliableOne) {
  TestGrid g = Plane(Spaced(0, 4, 4), Spaced(0, 4, 4));
  // A thin finger across the edge (1, 1) - (1, 2): its two crossings are closer than the
  // tolerance.
  g.Add(PolygonLoop(g, Rectangle(0.5, 1.45, 1.5, 1.55), 1, true, false));
  EXPECT_TRUE(selector::detail::SeedFromSplittingPoints(*g.grid, 0.2).empty());
  // A later quad's crossing 0.1 from vertex (1, 1), reliable, restores its seed. Both seeds lie
  // outside the second loop, each at the start of the crossed edge nearest to it.
  g.Add(PolygonLoop(g, Rectangle(1.1, 0.5, 1.9, 1.3), 1, true, false));
  EXPECT_EQ(
      selector::detail::SeedFromSplittingPoints(*g.grid, 0.2),
      (std::map<MVertexIndex, Status>{{MVertexIndex(1, 1), kOut}, {MVertexIndex(2, 1), kOut}}));
}

}  // namespace
