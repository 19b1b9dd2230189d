// Loop distribution over the quads: AddLoop, the quad walk it cuts loops with and the edge
// crossings the walk records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "MEdgeCrossingFinder.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "loops/distribution/distribution_fixtures.h"
#include "quad_walk.h"

namespace {

using namespace distribution_test;
using loops::detail::MEdgeCrossingFinder;
using MLoopSplittingPoint = MLoopsOnQuads::MLoopSplittingPoint;

std::size_t InnerLoopCount(const MLoopsOnQuads& loops) {
  std::size_t count = 0;
  for (const auto& entry : loops.GetAllInnerLoops())
    count += entry.second.size();
  return count;
}

// Adds the loop and expects the distribution to stay valid.
void AddValid(TestGrid& g, MSegmentedLoop loop) {
  g.Add(std::move(loop));
  std::string why;
  EXPECT_TRUE(g.Loops().IsValid(g.Quads(), &why)) << why;
}

// Adds a polygon of the plane z = 0 as a loop (tags 100 + side) and checks what it added: every
// crossing carries the tag of its segment's first point (0 without tags), so it lies on the
// side that tag names, as does every part point; a loop without crossings becomes one inner
// loop. Returns the number of points in the new parts.
std::size_t AddPolygon(TestGrid& g, const Polygon& polygon, int perSide, bool withUv,
                       bool withTags) {
  const auto toSide = [&polygon](int tag, const Point3& p) {
    const Point2& a = polygon[(tag - 100) % polygon.size()];
    const Point2& b = polygon[(tag - 99) % polygon.size()];
    return geometry::ComputeDistanceBetweenPointAndSegment(
        p, geometry::MSegment{Point3(a[0], a[1], 0.0), Point3(b[0], b[1], 0.0)});
  };
  const std::size_t before = g.Loops().GetNumberOfSplittingPoints();
  const std::size_t innerBefore = InnerLoopCount(g.Loops());
  AddValid(g, PolygonLoop(g, polygon, perSide, withUv, withTags));
  const std::size_t after = g.Loops().GetNumberOfSplittingPoints();
  for (std::size_t i = before; i < after; ++i) {
    const auto& crossing = g.Loops().GetLoopSplittingPoint(static_cast<int>(i));
    EXPECT_EQ(crossing.tag.value_or(-1) == 0, !withTags);
    if (withTags && crossing.tag) {
      EXPECT_LT(toSide(*crossing.tag, g.Quads().LocatePointOnEdge(crossing.pointOnEdge)), 1e-9);
    }
  }
  std::size_t inParts = 0;
  for (const auto& entry : g.Loops().GetAllLoopParts())
    for (const auto& part : entry.second) {
      if (static_cast<std::size_t>(part.start) < before)
        continue;
      inParts += part.points.size();
      EXPECT_EQ(part.tags.has_value(), withTags);
      for (std::size_t k = 0; withTags && k < part.points.size(); ++k)
        EXPECT_LT(toSide((*part.tags)[k], part.points[k]), 1e-9);
    }
  EXPECT_EQ(InnerLoopCount(g.Loops()), innerBefore + (after == before ? 1 : 0));
  return inParts;
}

TEST(AddLoop, KeepsEveryInvariantForLoopsOnAPlane) {
  // Random circles and star polygons, both ways round, on a grid of random isolines.
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
    // Every loop point lands in exactly one part, or the loop in an inner loop.
    const int perSide = 1 + trial % 4;
    const std::size_t inParts = AddPolygon(g, polygon, perSide, trial % 4 < 2, trial % 5 < 3);
    EXPECT_TRUE(inParts == 0 || inParts == polygon.size() * perSide) << trial;
    withParts += inParts > 0;
  }
  EXPECT_GT(withParts, 60);

  // Loops through grid vertices and along grid edges.
  TestGrid regular = Plane(Spaced(0, 8, 8), Spaced(0, 8, 8));
  const std::vector<Polygon> shapes = {
      Rectangle(2, 1, 5, 4),                     // along grid lines, corners on vertices
      {{4, 1}, {7, 4}, {4, 7}, {1, 4}},          // diagonals through grid vertices
      Reversed(Rectangle(1, 1, 7, 2)),           // one quad row high, clockwise
      {{0.5, 3}, {3, 3}, {3, 3.5}, {0.5, 3.5}},  // one side on an isoline
  };
  for (const Polygon& shape : shapes)
    for (const int perSide : {1, 3}) {
      regular.Clear();
      EXPECT_GT(AddPolygon(regular, shape, perSide, perSide == 1, true), 0u);
    }
}

TEST(AddLoop, KeepsEveryInvariantAcrossSeamsAndAroundPoles) {
  std::mt19937_64 rng(7);
  TestGrid cylinder = Cylinder();
  for (int trial = 0; trial < 12; ++trial) {
    cylinder.Clear();
    // A window straddling the seam at u = 0 crosses it twice, each time on both copies of the
    // seam edge.
    const double u0 = -Uniform(rng, 0.1, 1.5), u1 = Uniform(rng, 0.1, 1.5);
    const double v0 = Uniform(rng, 1.0, 12.0);
    Polygon window = Rectangle(u0, v0, u1, v0 + Uniform(rng, 0.5, 15.0));
    AddValid(cylinder, PolygonLoop(cylinder, trial % 2 ? Reversed(window) : window, 2 + trial % 5,
                                   trial % 3 != 0, trial % 4 < 2, 100, true));
    int onSeam = 0;
    for (int i = 0; i < static_cast<int>(cylinder.Loops().GetNumberOfSplittingPoints()); ++i)
      onSeam += cylinder.Quads().IsEdgeOnPeriodicBorder(
          cylinder.Loops().GetLoopSplittingPoint(i).pointOnEdge.edge);
    EXPECT_EQ(onSeam, 4) << trial;
  }

  TestGrid sphere = Sphere();
  const auto latitude = [](double v, int n, double shift) {
    Polygon polygon;
    for (int k = 0; k < n; ++k)
      polygon.push_back({2 * kPi * (k + shift) / n, v});
    return polygon;
  };
  for (const bool withUv : {true, false}) {
    sphere.Clear();
    // Around the north pole at latitude 1.2 (quad row 10): it crosses the 23 inner meridian
    // edges of that row and the seam, on both copies.
    AddValid(sphere, PolygonLoop(sphere, latitude(1.2, 36, 0.5), 1, withUv, true));
    EXPECT_EQ(sphere.Loops().GetNumberOfSplittingPoints(), 25u);
    EXPECT_EQ(sphere.Loops().GetAllLoopParts().size(), 24u);
    for (const auto& entry : sphere.Loops().GetAllLoopParts())
      EXPECT_EQ(entry.first.v, 10);
    // A cap around the south pole inside the pole row, and random windows.
    AddValid(sphere, PolygonLoop(sphere, Reversed(latitude(-1.45, 20, 0)), 2, withUv, false));
    for (int trial = 0; trial < 20; ++trial) {
      const Point2 centre(Uniform(rng, 0.0, 2 * kPi), Uniform(rng, -1.2, 1.2));
      AddValid(sphere, PolygonLoop(sphere, Star(rng, centre, 0.05, 0.35, 7), 2, withUv,
                                   trial % 2 == 0, 100, true));
    }
  }
}

TEST(AddLoop, RejectsBadInputAndTheValidatorAGridThatDoesNotFit) {
  TestGrid g = Plane(Spaced(0, 6, 6), Spaced(0, 6, 6));
  AddValid(g, PolygonLoop(g, Rectangle(1.5, 1.5, 4.5, 4.5), 2, true, false));
  const std::size_t count = g.Loops().GetNumberOfSplittingPoints();
  // True when AddLoop refuses the loop with a message starting with `prefix`.
  const auto refused = [&g](MSegmentedLoop loop, const Projector& projector,
                            const std::string& prefix) {
    try {
      g.Loops().AddLoop(g.Quads(), std::move(loop), projector);
    } catch (const std::invalid_argument& e) {
      return std::string(e.what()).rfind(prefix, 0) == 0;
    }
    return false;
  };
  // An empty loop, a point that is not finite, a tag list of the wrong length.
  MSegmentedLoop notFinite = PolygonLoop(g, Rectangle(1, 1, 4, 4), 1, false, false);
  notFinite.points[2].point[1] = std::numeric_limits<double>::quiet_NaN();
  MSegmentedLoop badTags = PolygonLoop(g, Rectangle(1, 1, 4, 4), 1, false, true);
  badTags.tags->pop_back();
  for (const MSegmentedLoop& loop : {MSegmentedLoop{}, notFinite, badTags})
    EXPECT_TRUE(refused(loop, *g.projector, "loop: "));
  // A projector over another, larger grid.
  const TestGrid large = Plane(Spaced(0, 12, 12), Spaced(0, 12, 12));
  EXPECT_TRUE(refused(PolygonLoop(large, Rectangle(8, 8, 10, 10), 1, false, false),
                      *large.projector, "projector: "));
  // The earlier loop stays as it was.
  EXPECT_EQ(g.Loops().GetNumberOfSplittingPoints(), count);
  std::string why;
  EXPECT_TRUE(g.Loops().IsValid(g.Quads(), &why)) << why;

  // The validator: seam crossings on an open grid.
  TestGrid cylinder = Cylinder();
  AddValid(cylinder, PolygonLoop(cylinder, Rectangle(-0.5, 5, 0.5, 20), 3, false, false));
  EXPECT_FALSE(cylinder.Loops().IsValid(Plane(Spaced(0, 24, 24), Spaced(0, 10, 10)).Quads(), &why));
  EXPECT_NE(why.find("continues"), std::string::npos) << why;
}

// Distance from the point at parameter t of the edge (from its smaller vertex) to segment pq.
double EdgeToSegment(const MQuads& quads, const MQuadEdge& edge, double t, const Point3& p,
                     const Point3& q) {
  return geometry::ComputeDistanceBetweenPointAndSegment(quads.LocatePointOnEdge({edge, t}),
                                                         geometry::MSegment{p, q});
}

// The parameter minimising that distance, by ternary search (the distance is convex in t).
double NearestByTernarySearch(const MQuads& quads, const MQuadEdge& edge, const Point3& p,
                              const Point3& q) {
  double lo = 0.0;
  double hi = 1.0;
  for (int k = 0; k < 200; ++k) {
    const double a = lo + (hi - lo) / 3;
    const double b = hi - (hi - lo) / 3;
    if (EdgeToSegment(quads, edge, a, p, q) < EdgeToSegment(quads, edge, b, p, q))
      hi = b;
    else
      lo = a;
  }
  return 0.5 * (lo + hi);
}

TEST(QuadWalk, CrossesEveryEdgeOnItsWayAtThePointNearestToTheSegment) {
  std::mt19937_64 rng(5);
  const TestGrid grids[] = {Cylinder(), Sphere(), Torus()};
  int seamCrossings = 0;
  for (const TestGrid& g : grids) {
    const MQuads& quads = g.Quads();
    std::vector<double> storage;
    MEdgeCrossingFinder finder(quads, storage);
    const auto& v = quads.GetIsolines(MQuads::EAxis::V);
    for (int trial = 0; trial < 120; ++trial) {
      const Point2 uv(Uniform(rng, 0.0, 2 * kPi), Uniform(rng, v.front() + 0.1, v.back() - 0.1));
      const Point3 p = g.At(uv);
      const Point3 q = g.At(uv + Point2(Uniform(rng, -0.8, 0.8), Uniform(rng, -0.8, 0.8)));
      const MQuadIndex from = g.projector->Project(p);
      const MQuadIndex to = g.projector->Project(q);
      const std::vector<MLoopSplittingPoint> path =
          loops::detail::WalkQuads(quads, finder, p, from, q, to);
      ASSERT_EQ(path.empty(), from == to);
      for (std::size_t k = 0; k < path.size(); ++k) {
        // Each crossing leaves the quad the previous one entered, through an edge of both
        // quads; a seam crossing is followed by its twin on the other copy of the seam edge.
        const MLoopSplittingPoint& c = path[k];
        const MQuadEdge& edge = c.pointOnEdge.edge;
        EXPECT_EQ(c.previousQuad, k == 0 ? from : path[k - 1].nextQuad);
        EXPECT_GE(
            quads.GetQuadEdgeIndex(c.previousQuad, edge) + quads.GetQuadEdgeIndex(c.nextQuad, edge),
            -1);
        // No point of the edge is nearer to the segment (a collapsed edge at a pole has every
        // parameter at the same place).
        const double best = NearestByTernarySearch(quads, edge, p, q);
        EXPECT_LE(EdgeToSegment(quads, edge, c.pointOnEdge.parameter, p, q),
                  EdgeToSegment(quads, edge, best, p, q) + 1e-12);
        if (k + 1 < path.size() && quads.IsEdgeOnPeriodicBorder(edge) &&
            path[k + 1].previousQuad == c.previousQuad) {
          ++seamCrossings;
          const MLoopSplittingPoint& twin = path[++k];
          EXPECT_EQ(twin.nextQuad, c.nextQuad);
          EXPECT_EQ(twin.pointOnEdge.parameter, c.pointOnEdge.parameter);
          EXPECT_NE(twin.pointOnEdge.edge, edge);
        }
      }
      EXPECT_TRUE(path.empty() || path.back().nextQuad == to);
    }
  }
  EXPECT_GT(seamCrossings, 10);
}

TEST(QuadWalk, CostsWorkInProportionToTheQuadsItTouchesNotToTheGrid) {
  // The same short segment on a 10 x 10 grid, on a 100 x 100 grid of the same spacing, and on a
  // 100 x 100 grid of a tenth of the spacing (100 times finer).
  std::vector<TestGrid> grids;
  grids.push_back(Plane(Spaced(0, 10, 10), Spaced(0, 10, 10)));
  grids.push_back(Plane(Spaced(0, 100, 100), Spaced(0, 100, 100)));
  grids.push_back(Plane(Spaced(0, 10, 100), Spaced(0, 10, 100)));
  const Point3 p(4.3, 4.4, 0.0);
  const Point3 q(6.6, 5.2, 0.0);
  std::vector<loops::detail::MQuadWalkStatistics> work(3);
  std::vector<std::vector<MLoopSplittingPoint>> paths;
  std::vector<std::size_t> reset;
  for (std::size_t k = 0; k < 3; ++k) {
    const MQuads& quads = grids[k].Quads();
    std::vector<double> storage;
    std::optional<MEdgeCrossingFinder> finder;
    finder.emplace(quads, storage);
    paths.push_back(loops::detail::WalkQuads(quads, *finder, p, grids[k].projector->Project(p), q,
                                             grids[k].projector->Project(q), &work[k]));
    // Only quads within reach of the start cheaper than the whole way are searched (each at most
    // once per edge it is entered by); every search pushes at most the end point and the quad's
    // four edges and asks the finder about at most those four edges.
    const auto& u = quads.GetIsolines(MQuads::EAxis::U);
    // The quads within |pq| of p (the grids have the same isolines in U and V).
    std::size_t near = 0;
    for (std::size_t i = 0; i + 1 < u.size(); ++i)
      for (std::size_t j = 0; j + 1 < u.size(); ++j)
        near += std::hypot(std::max({u[i] - p[0], 0.0, p[0] - u[i + 1]}),
                           std::max({u[j] - p[1], 0.0, p[1] - u[j + 1]})) <= distance(p, q);
    EXPECT_LE(work[k].expanded, 4 * near + 1);
    EXPECT_LE(work[k].pushed, 5 * work[k].expanded);
    EXPECT_LE(finder->GetComputedCount(), 4 * work[k].expanded);
    // The next segment clears only the range the walk wrote.
    finder->SetSegment(p, q);
    EXPECT_GE(finder->GetLastResetCount(), finder->GetComputedCount());
    reset.push_back(finder->GetLastResetCount());
    // A finder leaves its storage all "not computed" for the next one, which reuses it as it is.
    loops::detail::WalkQuads(quads, *finder, p, grids[k].projector->Project(p), q,
                             grids[k].projector->Project(q));
    finder.reset();
    EXPECT_TRUE(std::all_of(storage.begin(), storage.end(), [](double x) { return x == -1.0; }));
    const double* kept = storage.data();
    MEdgeCrossingFinder next(quads, storage);
    EXPECT_EQ(storage.data(), kept);
  }
  // A grid 100 times larger around the segment costs exactly the same walk; only the cleared
  // range grows, with the length of a grid row, to a small part of the cache. On the finer
  // grid the same way crosses 10 times more edges.
  EXPECT_TRUE(work[1].pushed == work[0].pushed);
  EXPECT_TRUE(work[1].expanded == work[0].expanded);
  ASSERT_EQ(paths[0].size(), 3u);
  ASSERT_EQ(paths[1].size(), 3u);
  for (std::size_t k = 0; k < 3; ++k)
    EXPECT_EQ(paths[1][k].pointOnEdge, paths[0][k].pointOnEdge);
  EXPECT_LT(reset[1], 2u * 101u * 101u / 10);
  EXPECT_EQ(paths[2].size(), 32u);
}

TEST(MEdgeCrossingFinder, TakesTheSecondPointOfASegmentRunningAlongTheEdge) {
  const TestGrid g = Plane(Spaced(0, 6, 6), Spaced(0, 6, 6));
  std::vector<double> storage;
  MEdgeCrossingFinder finder(g.Quads(), storage);
  // The edge from (2, 3, 0) to (3, 3, 0), and segments (x0, y0) -> (x1, y1) near it.
  struct Case {
    double x0, y0, x1, y1, t;
  };
  const Case cases[] = {
      {2.2, 3, 2.7, 3, 0.7},                  // along the edge: the second point
      {2.2, 3, 3.5, 3, 1.0},                  // clamped
      {2.2, 3.0005, 2.7, 3.0005, 0.7},        // within squared distance 1e-6 of the edge's line
      {2.2, 3.01, 2.7, 3.01, 0.2},            // farther: for parallel segments, the first point
      {2.4, 2.9999, 2.4002, 3.0001, 0.4001},  // a steep segment crosses, however near
      {2.4, 2.9999, 2.41, 3.0001, 0.41},      // a nearly parallel one runs along
  };
  for (const Case& c : cases) {
    finder.SetSegment({c.x0, c.y0, 0}, {c.x1, c.y1, 0});
    for (const MQuadEdge& edge : {MQuadEdge({2, 3}, {3, 3}), MQuadEdge({3, 3}, {2, 3})})
      EXPECT_NEAR(finder.GetParameter(edge), c.t, 1e-12) << c.x0 << " " << c.y0;
  }
}

}  // namespace
