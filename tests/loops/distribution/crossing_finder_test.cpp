#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "loops/MEdgeCrossingFinder.h"
#include "loops/distribution/distribution_fixtures.h"
#include "loops/edge_key.h"

namespace {

using namespace distribution_test;
using loops::detail::MEdgeCrossingFinder;

// Distance from the point at parameter t of the edge (from its smaller vertex) to segment pq.
double EdgeToSegment(const MQuads& quads, const MQuadEdge& edge, double t, const Point3& p,
                     const Point3& q) {
  return geometry::ComputeDistanceBetweenPointAndSegment(quads.LocatePointOnEdge({edge, t}),
                                                         geometry::MSegment{p, q});
}

// The parameter minimising that distance, by ternary search (the distance is convex in t).
double BruteForceNearest(const MQuads& quads, const MQuadEdge& edge, const Point3& p,
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

TEST(MEdgeCrossingFinder, GivesTheEdgePointNearestToTheSegmentOnCurvedGrids) {
  std::mt19937_64 rng(99);
  int compared = 0;
  std::vector<TestGrid> grids;
  grids.push_back(Cylinder());
  grids.push_back(Sphere());
  grids.push_back(Torus());
  for (const TestGrid& g : grids) {
    const MQuads& quads = g.Quads();
    MEdgeCrossingFinder finder(quads);
    const auto& v = quads.GetIsolines(MQuads::EAxis::V);
    for (int trial = 0; trial < 300; ++trial) {
      const Point2 uv(Uniform(rng, 0.0, 2 * kPi), Uniform(rng, v.front() + 0.1, v.back() - 0.1));
      const Point2 step(Uniform(rng, -0.4, 0.4), Uniform(rng, -0.4, 0.4));
      const Point3 p = g.At(uv);
      const Point3 q = g.At(uv + step);
      finder.SetSegment(p, q);
      const MQuadIndex quad = g.projector->Project(p);
      for (const MQuadEdge& edge : quads.GetQuadEdges(quad)) {
        const double t = finder.GetParameter(edge);
        ASSERT_GE(t, 0.0);
        ASSERT_LE(t, 1.0);
        // Either direction of an edge gives the same parameter.
        EXPECT_EQ(finder.GetParameter(MQuadEdge(edge.end, edge.start)), t);
        const double best = BruteForceNearest(quads, edge, p, q);
        EXPECT_LE(EdgeToSegment(quads, edge, t, p, q),
                  EdgeToSegment(quads, edge, best, p, q) + 1e-12);
        // A collapsed edge at a pole has every parameter at the same place.
        const double length =
            Oxlen::Math::distance(quads.GetVertex3d(edge.start), quads.GetVertex3d(edge.end));
        if (length > 1e-9) {
          EXPECT_NEAR(t, best, 1e-6);
        }
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 3 * 300 * 4);
}

TEST(MEdgeCrossingFinder, TakesTheSecondPointOfASegmentRunningAlongTheEdge) {
  const TestGrid g = Plane(Spaced(0, 6, 6), Spaced(0, 6, 6));
  MEdgeCrossingFinder finder(g.Quads());
  const MQuadEdge edge({2, 3}, {3, 3});  // (2, 3, 0) -> (3, 3, 0)
  const MQuadEdge reversed({3, 3}, {2, 3});
  const auto parameter = [&](const Point3& p, const Point3& q, const MQuadEdge& e) {
    finder.SetSegment(p, q);
    return finder.GetParameter(e);
  };
  EXPECT_NEAR(parameter({2.2, 3, 0}, {2.7, 3, 0}, edge), 0.7, 1e-12);
  EXPECT_NEAR(parameter({2.2, 3, 0}, {2.7, 3, 0}, reversed), 0.7, 1e-12);
  EXPECT_NEAR(parameter({2.7, 3, 0}, {2.2, 3, 0}, edge), 0.2, 1e-12);
  EXPECT_EQ(parameter({2.2, 3, 0}, {3.5, 3, 0}, edge), 1.0);
  EXPECT_EQ(parameter({2.2, 3, 0}, {1.5, 3, 0}, edge), 0.0);
  // Within squared distance 1e-6 of the edge's line it still runs along the edge ...
  EXPECT_NEAR(parameter({2.2, 3.0005, 0}, {2.7, 3.0005, 0}, edge), 0.7, 1e-12);
  // ... farther away the segments' closest points decide: for parallel segments, the first
  // point's projection.
  EXPECT_NEAR(parameter({2.2, 3.01, 0}, {2.7, 3.01, 0}, edge), 0.2, 1e-12);
  // A steep segment is never along the edge, however near it runs: it crosses it.
  EXPECT_NEAR(parameter({2.4, 2.9999, 0}, {2.4002, 3.0001, 0}, edge), 0.4001, 1e-12);
  // A nearly parallel one is (cosine above 0.999, both ends within 1e-3 of the line).
  EXPECT_NEAR(parameter({2.4, 2.9999, 0}, {2.41, 3.0001, 0}, edge), 0.41, 1e-12);
}

TEST(MEdgeCrossingFinder, CachesPerSegmentAndClearsOnlyTheRangeItWrote) {
  const TestGrid g = Plane(Spaced(0, 100, 100), Spaced(0, 100, 100));
  const MQuads& quads = g.Quads();
  MEdgeCrossingFinder finder(quads);
  EXPECT_EQ(finder.GetCacheSize(), 2u * 101u * 101u);
  const MQuadEdge first({40, 40}, {40, 41});
  const MQuadEdge second({42, 41}, {43, 41});
  const std::int64_t k1 = loops::detail::PlainEdgeKey(quads, first);
  const std::int64_t k2 = loops::detail::PlainEdgeKey(quads, second);
  ASSERT_LT(k1, k2);

  finder.SetSegment({39.5, 40.25, 0}, {43.5, 41.75, 0});
  const double t1 = finder.GetParameter(first);
  const double t2 = finder.GetParameter(second);
  EXPECT_EQ(finder.GetComputedCount(), 2u);
  EXPECT_EQ(finder.GetParameter(first), t1);  // from the cache
  EXPECT_EQ(finder.GetComputedCount(), 2u);
  EXPECT_EQ(finder.GetCachedValue(k1), t1);
  EXPECT_EQ(finder.GetCachedValue(k2), t2);

  finder.SetSegment({39.5, 40.75, 0}, {43.5, 41.25, 0});
  EXPECT_EQ(finder.GetLastResetCount(), static_cast<std::size_t>(k2 - k1 + 1));
  for (std::size_t k = 0; k < finder.GetCacheSize(); ++k)
    ASSERT_EQ(finder.GetCachedValue(static_cast<std::int64_t>(k)), -1.0) << k;
  EXPECT_NE(finder.GetParameter(first), t1);  // computed again for the new segment
  finder.SetSegment({0, 0, 0}, {1, 1, 0});
  EXPECT_EQ(finder.GetLastResetCount(), 1u);
  finder.SetSegment({0, 0, 0}, {1, 1, 0});
  EXPECT_EQ(finder.GetLastResetCount(), 0u);
}

TEST(EdgeKey, IdentifiesEdgesAndJoinsTheCopiesOfASeamEdge) {
  const TestGrid cylinder = Cylinder(6, 4);
  const MQuads& quads = cylinder.Quads();
  const int nU = quads.GetIsolinesCount(MQuads::EAxis::U);
  const int nV = quads.GetIsolinesCount(MQuads::EAxis::V);
  std::vector<int> seen(static_cast<std::size_t>(2 * nU * nV), 0);
  for (int u = 0; u < nU; ++u) {
    for (int v = 0; v < nV; ++v) {
      if (u + 1 < nU)
        ++seen[static_cast<std::size_t>(loops::detail::PlainEdgeKey(quads, {{u, v}, {u + 1, v}}))];
      if (v + 1 < nV)
        ++seen[static_cast<std::size_t>(loops::detail::PlainEdgeKey(quads, {{u, v + 1}, {u, v}}))];
    }
  }
  for (const int count : seen)
    EXPECT_LE(count, 1);
  EXPECT_EQ(loops::detail::EdgeKey(quads, MQuads::kInvalidQuadEdge), -1);
  // The seam at u = 0 and u = nU - 1: one key for both copies, in either direction.
  const MQuadEdge left({0, 1}, {0, 2});
  const MQuadEdge right({nU - 1, 2}, {nU - 1, 1});
  EXPECT_EQ(loops::detail::EdgeKey(quads, left), loops::detail::EdgeKey(quads, right));
  EXPECT_NE(loops::detail::PlainEdgeKey(quads, left), loops::detail::PlainEdgeKey(quads, right));
  // Edges on the open V border keep their own keys.
  EXPECT_NE(loops::detail::EdgeKey(quads, {{1, 0}, {2, 0}}),
            loops::detail::EdgeKey(quads, {{1, nV - 1}, {2, nV - 1}}));
}

}  // namespace
