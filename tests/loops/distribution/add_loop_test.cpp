#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "loops/distribution/distribution_fixtures.h"

namespace {

using namespace distribution_test;

// The parts whose start splitting point is at or after `first`: those of the loops added since.
std::vector<MLoopsOnQuads::MLoopPart> PartsFrom(const MLoopsOnQuads& loops, std::size_t first) {
  std::vector<MLoopsOnQuads::MLoopPart> parts;
  for (const auto& entry : loops.GetAllLoopParts())
    for (const auto& part : entry.second)
      if (static_cast<std::size_t>(part.start) >= first)
        parts.push_back(part);
  return parts;
}

std::size_t InnerLoopCount(const MLoopsOnQuads& loops) {
  std::size_t count = 0;
  for (const auto& entry : loops.GetAllInnerLoops())
    count += entry.second.size();
  return count;
}

// Distance in 3D from p to side k of a polygon of the plane z = 0.
double DistanceToSide(const Polygon& polygon, std::size_t k, const Point3& p) {
  const Point2& a = polygon[k % polygon.size()];
  const Point2& b = polygon[(k + 1) % polygon.size()];
  return geometry::ComputeDistanceBetweenPointAndSegment(
      p, geometry::MSegment{Point3(a[0], a[1], 0.0), Point3(b[0], b[1], 0.0)});
}

std::vector<double> RandomIsolines(std::mt19937_64& rng, double hi, int inner) {
  std::vector<double> values{0.0, hi};
  for (int k = 0; k < inner; ++k)
    values.push_back(Uniform(rng, 0.2, hi - 0.2));
  std::sort(values.begin(), values.end());
  return values;
}

TEST(AddLoop, KeepsEveryInvariantForRandomLoopsOnAPlane) {
  std::mt19937_64 rng(20240611);
  TestGrid g = Plane(RandomIsolines(rng, 12.0, 10), RandomIsolines(rng, 9.0, 8));
  int withParts = 0;
  for (int trial = 0; trial < 80; ++trial) {
    if (trial % 10 == 0)
      g.Clear();
    const Point2 centre(Uniform(rng, 3.0, 9.0), Uniform(rng, 3.0, 6.0));
    const double radius = Uniform(rng, 0.1, 2.8);
    Polygon polygon = trial % 3 == 0 ? Circle(centre, radius, 12 + trial % 7)
                                     : Star(rng, centre, 0.4 * radius, radius, 5 + trial % 9);
    if (trial % 2 == 1)
      polygon = Reversed(polygon);
    const bool withUv = trial % 4 < 2;
    const bool withTags = trial % 5 < 3;
    const int perSide = 1 + trial % 4;
    const std::size_t before = g.Loops().GetNumberOfSplittingPoints();
    const std::size_t innerBefore = InnerLoopCount(g.Loops());
    g.Add(PolygonLoop(g, polygon, perSide, withUv, withTags));

    std::string why;
    ASSERT_TRUE(g.Loops().IsValid(g.Quads(), &why)) << "trial " << trial << ": " << why;
    const std::size_t after = g.Loops().GetNumberOfSplittingPoints();
    for (std::size_t i = before; i < after; ++i) {
      const auto& crossing = g.Loops().GetLoopSplittingPoint(static_cast<int>(i));
      ASSERT_TRUE(crossing.tag.has_value());
      if (!withTags) {
        EXPECT_EQ(*crossing.tag, 0);
        continue;
      }
      // The crossing lies on the side whose points carry its tag: the segment's first point's.
      const int side = *crossing.tag - 100;
      ASSERT_GE(side, 0);
      ASSERT_LT(side, static_cast<int>(polygon.size()));
      EXPECT_LT(DistanceToSide(polygon, static_cast<std::size_t>(side),
                               g.Quads().LocatePointOnEdge(crossing.pointOnEdge)),
                1e-9);
    }
    // Every loop point lands in exactly one part, or in the inner loop.
    const std::size_t points = polygon.size() * static_cast<std::size_t>(perSide);
    std::size_t inParts = 0;
    for (const auto& part : PartsFrom(g.Loops(), before)) {
      inParts += part.points.size();
      ASSERT_EQ(part.tags.has_value(), withTags);
      for (std::size_t k = 0; withTags && k < part.points.size(); ++k)
        EXPECT_LT(DistanceToSide(polygon, static_cast<std::size_t>((*part.tags)[k] - 100),
                                 part.points[k]),
                  1e-9);
    }
    if (after == before) {
      EXPECT_EQ(InnerLoopCount(g.Loops()), innerBefore + 1);
      EXPECT_EQ(inParts, 0u);
    } else {
      EXPECT_EQ(InnerLoopCount(g.Loops()), innerBefore);
      ++withParts;
      EXPECT_EQ(inParts, points);
    }
  }
  EXPECT_GT(withParts, 60);
}

TEST(AddLoop, RecordsSeamCrossingsWithTheirTwinsAndNoPartBetween) {
  std::mt19937_64 rng(7);
  TestGrid cylinder = Cylinder();
  for (int trial = 0; trial < 24; ++trial) {
    cylinder.Clear();
    // A window straddling the seam at u = 0.
    const double u0 = -Uniform(rng, 0.1, 1.5);
    const double u1 = Uniform(rng, 0.1, 1.5);
    const double v0 = Uniform(rng, 1.0, 12.0);
    Polygon window = Rectangle(u0, v0, u1, v0 + Uniform(rng, 0.5, 15.0));
    if (trial % 2 == 1)
      window = Reversed(window);
    const bool withUv = trial % 3 != 0;
    cylinder.Add(PolygonLoop(cylinder, window, 2 + trial % 5, withUv, trial % 4 < 2, 100, true));
    std::string why;
    ASSERT_TRUE(cylinder.Loops().IsValid(cylinder.Quads(), &why)) << trial << ": " << why;
    // The loop crosses the seam twice, each time on both copies of the seam edge.
    int onSeam = 0;
    for (int i = 0; i < static_cast<int>(cylinder.Loops().GetNumberOfSplittingPoints()); ++i) {
      const auto& s = cylinder.Loops().GetLoopSplittingPoint(i);
      if (!cylinder.Quads().IsEdgeOnPeriodicBorder(s.pointOnEdge.edge))
        continue;
      ++onSeam;
      if (onSeam % 2 == 0)
        continue;
      // s is the crossing, i + 1 its twin: no part starts at the crossing, one at the twin.
      for (const auto& entry : cylinder.Loops().GetAllLoopParts())
        for (const auto& part : entry.second)
          EXPECT_NE(part.start, i);
    }
    EXPECT_EQ(onSeam, 4) << trial;
  }
}

TEST(AddLoop, LaysLoopsAroundTheSphereAndItsPole) {
  TestGrid sphere = Sphere();
  for (const bool withUv : {true, false}) {
    sphere.Clear();
    // Around the north pole at latitude 1.2 (quad row 10): it crosses the 23 inner meridian
    // edges of that row and the seam, on both copies.
    Polygon around;
    for (int k = 0; k < 36; ++k)
      around.push_back({2 * kPi * (k + 0.5) / 36, 1.2});
    sphere.Add(PolygonLoop(sphere, around, 1, withUv, true));
    std::string why;
    ASSERT_TRUE(sphere.Loops().IsValid(sphere.Quads(), &why)) << why;
    EXPECT_EQ(sphere.Loops().GetNumberOfSplittingPoints(), 25u);
    EXPECT_EQ(sphere.Loops().GetAllLoopParts().size(), 24u);
    for (const auto& entry : sphere.Loops().GetAllLoopParts())
      EXPECT_EQ(entry.first.v, 10);

    // A cap around the south pole inside the pole row, and random windows.
    Polygon cap;
    for (int k = 0; k < 20; ++k)
      cap.push_back({2 * kPi * k / 20, -1.45});
    sphere.Add(PolygonLoop(sphere, Reversed(cap), 2, withUv, false));
    std::mt19937_64 rng(3);
    for (int trial = 0; trial < 20; ++trial) {
      const Point2 centre(Uniform(rng, 0.0, 2 * kPi), Uniform(rng, -1.2, 1.2));
      sphere.Add(PolygonLoop(sphere, Star(rng, centre, 0.05, 0.35, 7), 2, withUv, trial % 2 == 0,
                             100, true));
      ASSERT_TRUE(sphere.Loops().IsValid(sphere.Quads(), &why)) << trial << ": " << why;
    }
  }
}

TEST(AddLoop, FollowsLoopsThroughGridVerticesAndAlongGridEdges) {
  TestGrid g = Plane(Spaced(0, 8, 8), Spaced(0, 8, 8));
  const std::vector<Polygon> shapes = {
      Rectangle(2, 1, 5, 4),                     // along grid lines, corners on vertices
      {{4, 1}, {7, 4}, {4, 7}, {1, 4}},          // diagonals through grid vertices
      Reversed(Rectangle(1, 1, 7, 2)),           // one quad row high, clockwise
      {{0.5, 3}, {3, 3}, {3, 3.5}, {0.5, 3.5}},  // one side on an isoline
  };
  for (const Polygon& shape : shapes) {
    for (const int perSide : {1, 3}) {
      for (const bool withUv : {true, false}) {
        g.Clear();
        g.Add(PolygonLoop(g, shape, perSide, withUv, true));
        std::string why;
        ASSERT_TRUE(g.Loops().IsValid(g.Quads(), &why)) << why;
        EXPECT_GT(g.Loops().GetNumberOfSplittingPoints(), 0u);
        for (const auto& entry : g.Loops().GetAllLoopParts())
          for (const auto& part : entry.second)
            for (const Point3& p : part.points)
              EXPECT_LT(DistanceToBoundary(shape, Point2(p[0], p[1])), 1e-12);
      }
    }
  }
}

TEST(AddLoop, KeepsALoopWithinOneQuadAsAnInnerLoop) {
  TestGrid g = Plane(Spaced(0, 6, 6), Spaced(0, 4, 4));
  MSegmentedLoop loop = PolygonLoop(g, Circle({3.5, 2.5}, 0.3, 9), 2, true, true);
  const std::vector<int> tags = *loop.tags;
  g.Add(std::move(loop));
  g.Add(PolygonLoop(g, Reversed(Circle({3.4, 2.6}, 0.1, 5)), 1, false, false));
  EXPECT_EQ(g.Loops().GetNumberOfSplittingPoints(), 0u);
  EXPECT_TRUE(g.Loops().GetAllLoopParts().empty());
  ASSERT_EQ(g.Loops().GetNumberOfInnerLoops({3, 2}), 2u);
  const auto& inner = g.Loops().GetInnerLoops({3, 2});
  EXPECT_EQ(inner[0].points.size(), 18u);
  ASSERT_TRUE(inner[0].tags.has_value());
  EXPECT_EQ(*inner[0].tags, tags);
  EXPECT_EQ(inner[0].points[1],
            g.At({3.5 + 0.15 * (1 + std::cos(2 * kPi / 9)), 2.5 + 0.15 * std::sin(2 * kPi / 9)}));
  EXPECT_FALSE(inner[1].tags.has_value());
  EXPECT_TRUE(g.Loops().IsValid(g.Quads()));
}

TEST(AddLoop, NumbersLaterLoopsAfterEarlierOnesAndRejectsBadInput) {
  TestGrid g = Plane(Spaced(0, 6, 6), Spaced(0, 6, 6));
  g.Add(PolygonLoop(g, Rectangle(0.5, 0.5, 2.5, 2.5), 2, true, false));
  const std::size_t first = g.Loops().GetNumberOfSplittingPoints();
  EXPECT_EQ(first, 8u);
  g.Add(PolygonLoop(g, Rectangle(3.5, 3.5, 5.5, 4.5), 2, true, false));
  EXPECT_EQ(g.Loops().GetNumberOfSplittingPoints(), first + 6);
  for (const auto& entry : g.Loops().GetAllLoopParts())
    for (const auto& part : entry.second)
      EXPECT_EQ(part.start >= static_cast<int>(first), part.end >= static_cast<int>(first));
  EXPECT_EQ(PartsFrom(g.Loops(), first).size(), 6u);

  const MLoopsOnQuads before = g.Loops();
  const auto expectRejected = [&](MSegmentedLoop loop, const std::string& prefix) {
    try {
      g.Add(std::move(loop));
      ADD_FAILURE() << "accepted: " << prefix;
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
    }
    EXPECT_EQ(g.Loops().GetNumberOfSplittingPoints(), before.GetNumberOfSplittingPoints());
    EXPECT_EQ(g.Loops().GetAllLoopParts().size(), before.GetAllLoopParts().size());
  };
  expectRejected(MSegmentedLoop{}, "loop: ");
  MSegmentedLoop badTags = PolygonLoop(g, Rectangle(1, 1, 4, 4), 1, false, true);
  badTags.tags->pop_back();
  expectRejected(std::move(badTags), "loop: ");
  MSegmentedLoop notFinite = PolygonLoop(g, Rectangle(1, 1, 4, 4), 1, false, false);
  notFinite.points[2].point[1] = std::numeric_limits<double>::quiet_NaN();
  expectRejected(std::move(notFinite), "loop: ");

  // A projector over another, larger grid.
  const TestGrid large = Plane(Spaced(0, 12, 12), Spaced(0, 12, 12));
  try {
    g.Loops().AddLoop(g.Quads(), PolygonLoop(large, Rectangle(8, 8, 10, 10), 1, false, false),
                      *large.projector);
    ADD_FAILURE() << "accepted quads outside the grid";
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string(e.what()).rfind("projector: ", 0), 0u) << e.what();
  }
  EXPECT_EQ(g.Loops().GetNumberOfSplittingPoints(), before.GetNumberOfSplittingPoints());

  // A grid without quads: one U isoline.
  TestGrid line(std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 1.0, 0.0, 1.0), {0.5},
                Spaced(0, 1, 2));
  try {
    line.Add(PolygonLoop(g, Rectangle(0, 0, 1, 1), 1, false, false));
    ADD_FAILURE() << "accepted a grid without quads";
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string(e.what()).rfind("quads: ", 0), 0u) << e.what();
  }
}

TEST(AddLoop, ValidatorReportsADistributionThatDoesNotFitTheGrid) {
  TestGrid g = Plane(Spaced(0, 6, 6), Spaced(0, 6, 6));
  g.Add(PolygonLoop(g, Rectangle(1.5, 1.5, 4.5, 4.5), 2, true, false));
  std::string why;
  EXPECT_TRUE(g.Loops().IsValid(g.Quads(), &why)) << why;
  const TestGrid small = Plane(Spaced(0, 3, 3), Spaced(0, 3, 3));
  EXPECT_FALSE(g.Loops().IsValid(small.Quads(), &why));
  EXPECT_FALSE(why.empty());

  // Seam crossings only continue the loop where the grid closes.
  TestGrid cylinder = Cylinder(24, 10);
  cylinder.Add(PolygonLoop(cylinder, Rectangle(-0.5, 5, 0.5, 20), 3, false, false));
  ASSERT_TRUE(cylinder.Loops().IsValid(cylinder.Quads(), &why)) << why;
  const TestGrid open = Plane(Spaced(0, 24, 24), Spaced(0, 10, 10));
  why.clear();
  EXPECT_FALSE(cylinder.Loops().IsValid(open.Quads(), &why));
  EXPECT_NE(why.find("continues"), std::string::npos) << why;
}

TEST(AddLoop, UncrossesAFigureEightAndKeepsTheLobeThatAlternates) {
  // A figure eight whose branches cross in the middle of quad (5, 4): the wide right lobe runs
  // clockwise, the narrow left lobe counter-clockwise.
  TestGrid g = Plane(Spaced(0, 10, 10), Spaced(0, 10, 10));
  const double cx = 5.5;
  const double cy = 4.5;
  Polygon eight;
  for (int k = 0; k < 64; ++k) {
    const double t = 2 * kPi * (k + 0.5) / 64;
    const double width = t < kPi ? 3.3 : 1.3;
    eight.push_back({cx + width * std::sin(t), cy + 1.25 * std::sin(2 * t)});
  }
  for (const bool withTags : {false, true}) {
    g.Clear();
    g.Add(PolygonLoop(g, eight, 1, true, withTags));
    std::string why;
    ASSERT_TRUE(g.Loops().IsValid(g.Quads(), &why)) << why;
    // Only the right lobe's crossings are left, and the two parts in the crossing quad no longer
    // cross: they meet at the inserted midpoint.
    ASSERT_GT(g.Loops().GetNumberOfSplittingPoints(), 8u);
    for (int i = 0; i < static_cast<int>(g.Loops().GetNumberOfSplittingPoints()); ++i)
      EXPECT_GT(g.Quads().LocatePointOnEdge(g.Loops().GetLoopSplittingPoint(i).pointOnEdge)[0],
                cx - 0.1);
    const auto& middle = g.Loops().GetLoopParts({5, 4});
    ASSERT_EQ(middle.size(), 1u);
    // The branches' segments next to the centre cross at y = cy, x = cx + (3.3 - 1.3) s / 2 with
    // s = sin(pi / 64); that point joins the right lobe's two halves.
    const Point3 meeting(cx + (3.3 - 1.3) * std::sin(kPi / 64) / 2, cy, 0.0);
    bool hasMeeting = false;
    for (const Point3& p : middle[0].points)
      hasMeeting |= Oxlen::Math::distance(p, meeting) < 1e-12;
    EXPECT_TRUE(hasMeeting);
    EXPECT_EQ(middle[0].tags.has_value(), withTags);
    if (withTags) {
      EXPECT_EQ(middle[0].tags->size(), middle[0].points.size());
    }
  }
}

}  // namespace
