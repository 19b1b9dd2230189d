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

std::size_t InnerLoopCount(const MLoopsOnQuads& loops) {
  std::size_t count = 0;
  for (const auto& entry : loops.GetAllInnerLoops())
    count += entry.second.size();
  return count;
}

// Distance in 3D from p to side k of a polygon of the plane z = 0.
double DistanceToSide(const Polygon& polygon, int k, const Point3& p) {
  const Point2& a = polygon[k % polygon.size()];
  const Point2& b = polygon[(k + 1) % polygon.size()];
  return geometry::ComputeDistanceBetweenPointAndSegment(
      p, geometry::MSegment{Point3(a[0], a[1], 0.0), Point3(b[0], b[1], 0.0)});
}

// Adds the loop and expects the distribution to stay valid.
void AddValid(TestGrid& g, MSegmentedLoop loop) {
  g.Add(std::move(loop));
  std::string why;
  ASSERT_TRUE(g.Loops().IsValid(g.Quads(), &why)) << why;
}

TEST(AddLoop, KeepsEveryInvariantForRandomLoopsOnAPlane) {
  std::mt19937_64 rng(20240611);
  const auto isolines = [&rng](double hi, int inner) {
    std::vector<double> values{0.0, hi};
    for (int k = 0; k < inner; ++k)
      values.push_back(Uniform(rng, 0.2, hi - 0.2));
    std::sort(values.begin(), values.end());
    return values;
  };
  TestGrid g = Plane(isolines(12.0, 10), isolines(9.0, 8));
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
    const bool withTags = trial % 5 < 3;
    const int perSide = 1 + trial % 4;
    const std::size_t before = g.Loops().GetNumberOfSplittingPoints();
    const std::size_t innerBefore = InnerLoopCount(g.Loops());
    AddValid(g, PolygonLoop(g, polygon, perSide, trial % 4 < 2, withTags));
    // A crossing carries the tag of its segment's first point (0 without tags), so it lies on
    // the side that tag names.
    const std::size_t after = g.Loops().GetNumberOfSplittingPoints();
    for (std::size_t i = before; i < after; ++i) {
      const auto& crossing = g.Loops().GetLoopSplittingPoint(static_cast<int>(i));
      ASSERT_TRUE(crossing.tag.has_value());
      if (!withTags) {
        EXPECT_EQ(*crossing.tag, 0);
        continue;
      }
      ASSERT_TRUE(*crossing.tag >= 100 && *crossing.tag < 100 + std::ssize(polygon));
      EXPECT_LT(DistanceToSide(polygon, *crossing.tag - 100,
                               g.Quads().LocatePointOnEdge(crossing.pointOnEdge)),
                1e-9);
    }
    // Every loop point lands in exactly one part, with its tag, or in the inner loop.
    std::size_t inParts = 0;
    for (const auto& entry : g.Loops().GetAllLoopParts())
      for (const auto& part : entry.second) {
        if (static_cast<std::size_t>(part.start) < before)
          continue;
        inParts += part.points.size();
        ASSERT_EQ(part.tags.has_value(), withTags);
        for (std::size_t k = 0; withTags && k < part.points.size(); ++k)
          EXPECT_LT(DistanceToSide(polygon, (*part.tags)[k] - 100, part.points[k]), 1e-9);
      }
    EXPECT_EQ(InnerLoopCount(g.Loops()), innerBefore + (after == before ? 1 : 0));
    EXPECT_EQ(inParts, after == before ? 0 : polygon.size() * perSide);
    withParts += after > before;
  }
  EXPECT_GT(withParts, 60);
}

TEST(AddLoop, RecordsSeamCrossingsWithTheirTwinsAndNoPartBetween) {
  std::mt19937_64 rng(7);
  TestGrid cylinder = Cylinder();
  for (int trial = 0; trial < 12; ++trial) {
    cylinder.Clear();
    // A window straddling the seam at u = 0.
    const double u0 = -Uniform(rng, 0.1, 1.5);
    const double u1 = Uniform(rng, 0.1, 1.5);
    const double v0 = Uniform(rng, 1.0, 12.0);
    Polygon window = Rectangle(u0, v0, u1, v0 + Uniform(rng, 0.5, 15.0));
    if (trial % 2 == 1)
      window = Reversed(window);
    AddValid(cylinder, PolygonLoop(cylinder, window, 2 + trial % 5, trial % 3 != 0, trial % 4 < 2,
                                   100, true));
    // The loop crosses the seam twice, each time on both copies of the seam edge: no part
    // starts at the first copy, one at its twin.
    int onSeam = 0;
    for (int i = 0; i < static_cast<int>(cylinder.Loops().GetNumberOfSplittingPoints()); ++i) {
      const auto& s = cylinder.Loops().GetLoopSplittingPoint(i);
      if (!cylinder.Quads().IsEdgeOnPeriodicBorder(s.pointOnEdge.edge) || ++onSeam % 2 == 0)
        continue;
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
    AddValid(sphere, PolygonLoop(sphere, around, 1, withUv, true));
    EXPECT_EQ(sphere.Loops().GetNumberOfSplittingPoints(), 25u);
    EXPECT_EQ(sphere.Loops().GetAllLoopParts().size(), 24u);
    for (const auto& entry : sphere.Loops().GetAllLoopParts())
      EXPECT_EQ(entry.first.v, 10);
    // A cap around the south pole inside the pole row, and random windows.
    Polygon cap;
    for (int k = 0; k < 20; ++k)
      cap.push_back({2 * kPi * k / 20, -1.45});
    AddValid(sphere, PolygonLoop(sphere, Reversed(cap), 2, withUv, false));
    std::mt19937_64 rng(3);
    for (int trial = 0; trial < 20; ++trial) {
      const Point2 centre(Uniform(rng, 0.0, 2 * kPi), Uniform(rng, -1.2, 1.2));
      AddValid(sphere, PolygonLoop(sphere, Star(rng, centre, 0.05, 0.35, 7), 2, withUv,
                                   trial % 2 == 0, 100, true));
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
      g.Clear();
      AddValid(g, PolygonLoop(g, shape, perSide, perSide == 1, true));
      EXPECT_GT(g.Loops().GetNumberOfSplittingPoints(), 0u);
      for (const auto& entry : g.Loops().GetAllLoopParts())
        for (const auto& part : entry.second)
          for (const Point3& p : part.points)
            EXPECT_LT(DistanceToBoundary(shape, Point2(p[0], p[1])), 1e-12);
    }
  }
}

TEST(AddLoop, RejectsBadInputAndTheValidatorAGridThatDoesNotFit) {
  TestGrid g = Plane(Spaced(0, 6, 6), Spaced(0, 6, 6));
  AddValid(g, PolygonLoop(g, Rectangle(1.5, 1.5, 4.5, 4.5), 2, true, false));
  const std::size_t count = g.Loops().GetNumberOfSplittingPoints();
  // True when AddLoop refuses the loop with a message starting with `prefix`.
  const auto refused = [](TestGrid& grid, MSegmentedLoop loop, const Projector& projector,
                          const std::string& prefix) {
    try {
      grid.Loops().AddLoop(grid.Quads(), std::move(loop), projector);
    } catch (const std::invalid_argument& e) {
      return std::string(e.what()).rfind(prefix, 0) == 0;
    }
    return false;
  };
  MSegmentedLoop notFinite = PolygonLoop(g, Rectangle(1, 1, 4, 4), 1, false, false);
  notFinite.points[2].point[1] = std::numeric_limits<double>::quiet_NaN();
  for (const MSegmentedLoop& loop : {MSegmentedLoop{}, notFinite})
    EXPECT_TRUE(refused(g, loop, *g.projector, "loop: "));
  // A projector over another, larger grid; a grid without quads (one U isoline).
  const TestGrid large = Plane(Spaced(0, 12, 12), Spaced(0, 12, 12));
  const MSegmentedLoop outside = PolygonLoop(large, Rectangle(8, 8, 10, 10), 1, false, false);
  EXPECT_TRUE(refused(g, outside, *large.projector, "projector: "));
  EXPECT_EQ(g.Loops().GetNumberOfSplittingPoints(), count);

  // The validator: seam crossings on an open grid.
  std::string why;
  TestGrid cylinder = Cylinder(24, 10);
  AddValid(cylinder, PolygonLoop(cylinder, Rectangle(-0.5, 5, 0.5, 20), 3, false, false));
  why.clear();
  EXPECT_FALSE(cylinder.Loops().IsValid(Plane(Spaced(0, 24, 24), Spaced(0, 10, 10)).Quads(), &why));
  EXPECT_NE(why.find("continues"), std::string::npos) << why;
}

}  // namespace
