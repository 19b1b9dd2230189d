#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "loops/MLoopPartSet.h"
#include "loops/distribution/distribution_fixtures.h"
#include "loops/quad_projection.h"
#include "loops/quad_walk.h"
#include "loops/self_crossing_repair.h"

namespace {

using namespace distribution_test;
using loops::detail::MEdgeCrossingFinder;
using loops::detail::MQuadWalkStatistics;
using MLoopSplittingPoint = MLoopsOnQuads::MLoopSplittingPoint;

double EdgeToSegment(const MQuads& quads, const MQuads::MPointOnEdge& at, const Point3& p,
                     const Point3& q) {
  return geometry::ComputeDistanceBetweenPointAndSegment(quads.LocatePointOnEdge(at),
                                                         geometry::MSegment{p, q});
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
    MEdgeCrossingFinder finder(quads);
    const auto& v = quads.GetIsolines(MQuads::EAxis::V);
    for (int trial = 0; trial < 200; ++trial) {
      const Point2 uv(Uniform(rng, 0.0, 2 * kPi), Uniform(rng, v.front() + 0.1, v.back() - 0.1));
      const Point3 p = g.At(uv);
      const Point3 q = g.At(uv + Point2(Uniform(rng, -0.8, 0.8), Uniform(rng, -0.8, 0.8)));
      const MQuadIndex from = g.projector->Project(p);
      const MQuadIndex to = g.projector->Project(q);
      const std::vector<MLoopSplittingPoint> path =
          loops::detail::WalkQuads(quads, finder, p, from, q, to);
      if (from == to) {
        EXPECT_TRUE(path.empty());
        continue;
      }
      ASSERT_FALSE(path.empty());
      EXPECT_EQ(path.front().previousQuad, from);
      EXPECT_EQ(path.back().nextQuad, to);
      for (std::size_t k = 0; k < path.size(); ++k) {
        const MLoopSplittingPoint& c = path[k];
        EXPECT_EQ(c.tag, 0);
        EXPECT_GE(quads.GetQuadEdgeIndex(c.previousQuad, c.pointOnEdge.edge) +
                      quads.GetQuadEdgeIndex(c.nextQuad, c.pointOnEdge.edge),
                  -1);
        // No point of the edge is nearer to the segment than the crossing.
        const double d = EdgeToSegment(quads, c.pointOnEdge, p, q);
        for (int s = 0; s <= 1000; ++s)
          ASSERT_LE(d, EdgeToSegment(quads, {c.pointOnEdge.edge, s / 1000.0}, p, q) + 1e-12);
        if (k + 1 < path.size()) {
          const bool twin = quads.IsEdgeOnPeriodicBorder(c.pointOnEdge.edge) &&
                            path[k + 1].previousQuad == c.previousQuad;
          if (twin) {
            ++seamCrossings;
            EXPECT_EQ(path[k + 1].nextQuad, c.nextQuad);
            EXPECT_EQ(path[k + 1].pointOnEdge.parameter, c.pointOnEdge.parameter);
            EXPECT_NE(path[k + 1].pointOnEdge.edge, c.pointOnEdge.edge);
            ++k;
            if (k + 1 < path.size()) {
              EXPECT_EQ(path[k + 1].previousQuad, c.nextQuad);
            }
          } else {
            EXPECT_EQ(path[k + 1].previousQuad, c.nextQuad);
          }
        }
      }
    }
  }
  EXPECT_GT(seamCrossings, 10);
}

// The quads of a plane grid that come within `radius` of p (in the plane z = 0).
std::size_t QuadsWithin(const MQuads& quads, const Point3& p, double radius) {
  const auto& u = quads.GetIsolines(MQuads::EAxis::U);
  const auto& v = quads.GetIsolines(MQuads::EAxis::V);
  std::size_t count = 0;
  for (std::size_t i = 0; i + 1 < u.size(); ++i) {
    for (std::size_t j = 0; j + 1 < v.size(); ++j) {
      const double du = std::max({u[i] - p[0], 0.0, p[0] - u[i + 1]});
      const double dv = std::max({v[j] - p[1], 0.0, p[1] - v[j + 1]});
      count += std::hypot(du, dv) <= radius ? 1 : 0;
    }
  }
  return count;
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
  std::vector<MQuadWalkStatistics> work;
  std::vector<std::vector<MLoopSplittingPoint>> paths;
  std::vector<std::size_t> reset;
  for (const TestGrid& g : grids) {
    MEdgeCrossingFinder finder(g.Quads());
    MQuadWalkStatistics statistics;
    paths.push_back(loops::detail::WalkQuads(g.Quads(), finder, p, g.projector->Project(p), q,
                                             g.projector->Project(q), &statistics));
    work.push_back(statistics);
    // Only quads within reach of the start cheaper than the whole way are searched (each at most
    // once per edge it is entered by); every search pushes at most the end point and the quad's
    // four edges and asks the finder about at most those four edges.
    EXPECT_LE(statistics.expanded, 4 * QuadsWithin(g.Quads(), p, distance(p, q)) + 1);
    EXPECT_LE(statistics.pushed, 5 * statistics.expanded);
    EXPECT_LE(finder.GetComputedCount(), 4 * statistics.expanded);
    EXPECT_LE(statistics.popped, statistics.pushed);
    // The next segment clears only the range the walk wrote.
    finder.SetSegment(p, q);
    EXPECT_GE(finder.GetLastResetCount(), finder.GetComputedCount());
    reset.push_back(finder.GetLastResetCount());
  }
  EXPECT_EQ(paths[0].size(), 3u);
  // A grid 100 times larger around the segment costs exactly the same walk; only the cleared
  // range grows, with the length of a grid row, to a small part of the cache.
  EXPECT_EQ(work[1].pushed, work[0].pushed);
  EXPECT_EQ(work[1].popped, work[0].popped);
  EXPECT_EQ(work[1].expanded, work[0].expanded);
  ASSERT_EQ(paths[1].size(), paths[0].size());
  for (std::size_t k = 0; k < paths[0].size(); ++k)
    EXPECT_EQ(paths[1][k].pointOnEdge, paths[0][k].pointOnEdge);
  EXPECT_LT(reset[1], 2u * 101u * 101u / 10);
  // On the finer grid the same way crosses 10 times more edges.
  EXPECT_EQ(paths[2].size(), 32u);
  RecordProperty("expanded_coarse", static_cast<int>(work[0].expanded));
  RecordProperty("expanded_large", static_cast<int>(work[1].expanded));
  RecordProperty("expanded_fine", static_cast<int>(work[2].expanded));
}

TEST(QuadWalk, MovesEndPointsOntoTheirQuadsAndFindsTheQuadAcrossAnEdge) {
  const TestGrid g = Plane(Spaced(0, 4, 4), Spaced(0, 4, 4));
  EXPECT_EQ(loops::detail::ProjectOntoQuad(g.Quads(), {1, 2}, {1.3, 2.6, 5.0}),
            Point3(1.3, 2.6, 0.0));
  const Point3 outside = loops::detail::ProjectOntoQuad(g.Quads(), {1, 2}, {3.5, 2.5, -1.0});
  EXPECT_NEAR(outside[0], 2.0, 1e-15);
  EXPECT_NEAR(outside[1], 2.5, 1e-15);
  EXPECT_EQ(outside[2], 0.0);
  using loops::detail::QuadAcrossEdge;
  EXPECT_EQ(QuadAcrossEdge(g.Quads(), {1, 2}, MQuadEdge({2, 2}, {2, 3})), MQuadIndex(2, 2));
  EXPECT_EQ(QuadAcrossEdge(g.Quads(), {1, 2}, MQuadEdge({1, 2}, {2, 2})), MQuadIndex(1, 1));
  EXPECT_EQ(QuadAcrossEdge(g.Quads(), {1, 0}, MQuadEdge({1, 0}, {2, 0})),
            MQuads::kInvalidQuadIndex);
  const TestGrid cylinder = Cylinder(6, 3);
  EXPECT_EQ(QuadAcrossEdge(cylinder.Quads(), {0, 1}, MQuadEdge({0, 2}, {0, 1})), MQuadIndex(5, 1));
  EXPECT_EQ(QuadAcrossEdge(cylinder.Quads(), {5, 1}, MQuadEdge({6, 1}, {6, 2})), MQuadIndex(0, 1));
}

TEST(SelfCrossingRepair, ReportsAPartSetThatIsNotOneLoopAsAnInvalidMapKey) {
  // Two crossing parts of quad (1, 1) whose crossings lead nowhere else: after the uncrossing
  // the first part ends where no part starts.
  const TestGrid g = Plane(Spaced(0, 3, 3), Spaced(0, 3, 3));
  loops::detail::MLoopPartSet set;
  set.splittingPoints = {
      {{MQuadEdge({1, 2}, {1, 1}), 0.5}, {1, 1}, {0, 1}, 0},  // enters from the left
      {{MQuadEdge({2, 1}, {2, 2}), 0.5}, {2, 1}, {1, 1}, 0},  // leaves to the right
      {{MQuadEdge({2, 1}, {1, 1}), 0.4}, {1, 1}, {1, 0}, 0},  // enters from below
      {{MQuadEdge({2, 2}, {1, 2}), 0.6}, {1, 2}, {1, 1}, 0},  // leaves upwards
  };
  set.parts[{1, 1}] = {{0, 1, {}, std::nullopt}, {2, 3, {}, std::nullopt}};
  try {
    loops::detail::RepairSelfCrossings(g.Quads(), set);
    ADD_FAILURE() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_EQ(std::string(e.what()), "invalid map<K, T> key");
  }
  // On a grid closed in U the set is passed on untouched.
  const TestGrid cylinder = Cylinder(3, 3);
  const auto kept = loops::detail::RepairSelfCrossings(cylinder.Quads(), set);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].parts.at({1, 1})[0].end, 1);
}

}  // namespace
