#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <vector>

#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "loops/MEdgeCrossingFinder.h"
#include "loops/distribution/distribution_fixtures.h"
#include "loops/quad_walk.h"

namespace {

using namespace distribution_test;
using loops::detail::MEdgeCrossingFinder;
using MLoopSplittingPoint = MLoopsOnQuads::MLoopSplittingPoint;

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
  std::vector<TestGrid> grids;
  grids.push_back(Cylinder());
  grids.push_back(Sphere());
  grids.push_back(Torus());
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
        EXPECT_EQ(c.tag, 0);
        EXPECT_EQ(c.previousQuad, k == 0 ? from : path[k - 1].nextQuad);
        EXPECT_GE(
            quads.GetQuadEdgeIndex(c.previousQuad, edge) + quads.GetQuadEdgeIndex(c.nextQuad, edge),
            -1);
        const double best = NearestByTernarySearch(quads, edge, p, q);
        EXPECT_LE(EdgeToSegment(quads, edge, c.pointOnEdge.parameter, p, q),
                  EdgeToSegment(quads, edge, best, p, q) + 1e-12);
        // A collapsed edge at a pole has every parameter at the same place.
        if (Oxlen::Math::distance(quads.GetVertex3d(edge.start), quads.GetVertex3d(edge.end)) >
            1e-9) {
          EXPECT_NEAR(c.pointOnEdge.parameter, best, 1e-6);
        }
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
  EXPECT_TRUE(work[1].pushed == work[0].pushed && work[1].expanded == work[0].expanded);
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
