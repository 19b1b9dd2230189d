#include "Oxlen/Cad/Triangulation/geometry/distances.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "spatial/random_points.h"

namespace {

using geometry::ComputeDistanceBetweenPointAndSegment;
using geometry::ComputeDistanceBetweenSegments;
using geometry::ComputeSquaredDistanceBetweenPointAndSegment;
using geometry::ComputeSquaredDistanceBetweenPointAndTriangle;
using geometry::GetPointToSegmentProjectionParameter;
using geometry::MSegment;
using P3 = Oxlen::Math::point<double, 3>;
using Triangle = MTriangle<double, 3>;

P3 At(const MSegment& s, double t) {
  return s.first + t * (s.second - s.first);
}

// Minimum of a convex function on [0, 1] by repeated dense sampling: the best sample of a round
// and its two neighbours bracket a minimiser of a convex function, so each round zooms into them.
double MinimiseConvex(const std::function<double(double)>& f) {
  constexpr int kSamples = 64;
  double lo = 0.0;
  double hi = 1.0;
  double best = std::numeric_limits<double>::max();
  for (int round = 0; round < 7; ++round) {
    const double step = (hi - lo) / kSamples;
    double round_best = std::numeric_limits<double>::max();
    double best_x = lo;
    for (int i = 0; i <= kSamples; ++i) {
      const double x = i == kSamples ? hi : lo + i * step;
      const double v = f(x);
      if (v < round_best) {
        round_best = v;
        best_x = x;
      }
    }
    best = std::min(best, round_best);
    lo = std::max(0.0, best_x - step);
    hi = std::min(1.0, best_x + step);
  }
  return best;
}

// A point on the grid of spacing 1/64, so that sums and products of a few of them are exact.
P3 DyadicPoint(spatial_test::RandomPoints& random) {
  const P3 p = random.Point();
  return {std::round(p[0] * 64) / 64, std::round(p[1] * 64) / 64, std::round(p[2] * 64) / 64};
}

TEST(PointToSegment, ParametersAndDegenerateSegment) {
  const MSegment s{P3{1, 0, 0}, P3{3, 0, 0}};
  EXPECT_EQ(GetPointToSegmentProjectionParameter(P3{1.5, 2, 0}, s), 0.25);
  EXPECT_EQ(GetPointToSegmentProjectionParameter(P3{9, 1, 1}, s), 1.0);   // beyond second
  EXPECT_EQ(GetPointToSegmentProjectionParameter(P3{-9, 1, 1}, s), 0.0);  // before first
  double t = -1.0;
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndSegment(t, P3{5, 0, 3}, s), 13.0);
  EXPECT_EQ(t, 1.0);
  EXPECT_EQ(ComputeDistanceBetweenPointAndSegment(t, P3{2, 3, 4}, s), 5.0);
  EXPECT_EQ(t, 0.5);
  EXPECT_EQ(ComputeDistanceBetweenPointAndSegment(P3{0, 0, -2}, s), std::sqrt(5.0));

  // Coincident end points: parameter 0 and the distance to the first point.
  const MSegment point{P3{1, 2, 3}, P3{1, 2, 3}};
  EXPECT_EQ(GetPointToSegmentProjectionParameter(P3{7, 7, 7}, point), 0.0);
  t = -1.0;
  EXPECT_EQ(ComputeDistanceBetweenPointAndSegment(t, P3{1, 2, 5}, point), 2.0);
  EXPECT_EQ(t, 0.0);
  // A very short but not zero segment is still projected on.
  const MSegment tiny{P3{0, 0, 0}, P3{1e-160, 0, 0}};
  EXPECT_EQ(GetPointToSegmentProjectionParameter(P3{1, 1, 0}, tiny), 1.0);
}

TEST(PointToSegment, AgreesWithDenseSamplingOfTheSegment) {
  spatial_test::RandomPoints random(20240611);
  constexpr int kSamples = 20000;
  for (int iteration = 0; iteration < 200; ++iteration) {
    const MSegment s{random.Point(), random.Point()};
    const P3 p = random.Point(2.0);
    double t = -1.0;
    const double d2 = ComputeSquaredDistanceBetweenPointAndSegment(t, p, s);
    ASSERT_GE(t, 0.0);
    ASSERT_LE(t, 1.0);
    EXPECT_EQ(d2, squared_distance(p, At(s, t)));
    double t_again = -1.0;
    EXPECT_EQ(ComputeDistanceBetweenPointAndSegment(t_again, p, s), std::sqrt(d2));
    EXPECT_EQ(t_again, t);
    EXPECT_EQ(ComputeDistanceBetweenPointAndSegment(p, s), std::sqrt(d2));
    EXPECT_EQ(GetPointToSegmentProjectionParameter(p, s), t);

    double sampled = std::numeric_limits<double>::max();
    for (int i = 0; i <= kSamples; ++i)
      sampled = std::min(sampled, distance(p, At(s, static_cast<double>(i) / kSamples)));
    const double spacing = distance(s.first, s.second) / kSamples;
    EXPECT_LE(std::sqrt(d2), sampled + 1e-12);
    EXPECT_LE(sampled, std::sqrt(d2) + spacing);
  }
}

TEST(SegmentToSegment, ParallelCrossingAndPointSegments) {
  const MSegment s1{P3{0, 0, 0}, P3{1, 0, 0}};
  // Parallel, side by side without overlap: the nearest pair is (second of s1, first of s2).
  EXPECT_DOUBLE_EQ(ComputeDistanceBetweenSegments(s1, MSegment{P3{2, 1, 0}, P3{3, 1, 0}}),
                   std::sqrt(2.0));
  // Parallel and overlapping, in either direction.
  EXPECT_DOUBLE_EQ(ComputeDistanceBetweenSegments(s1, MSegment{P3{0.5, 1, 0}, P3{3, 1, 0}}), 1.0);
  EXPECT_DOUBLE_EQ(ComputeDistanceBetweenSegments(s1, MSegment{P3{3, 0, 2}, P3{-3, 0, 2}}), 2.0);
  // Collinear with a gap.
  EXPECT_DOUBLE_EQ(ComputeDistanceBetweenSegments(s1, MSegment{P3{4, 0, 0}, P3{2.5, 0, 0}}), 1.5);
  // Skew segments whose nearest points are interior to both.
  EXPECT_DOUBLE_EQ(ComputeDistanceBetweenSegments(s1, MSegment{P3{0.5, -1, 3}, P3{0.5, 1, 3}}),
                   3.0);
  // Skew lines whose nearest points lie outside the segments: end point to end point.
  EXPECT_DOUBLE_EQ(ComputeDistanceBetweenSegments(s1, MSegment{P3{3, 1, 1}, P3{3, 5, 1}}),
                   std::sqrt(4.0 + 1.0 + 1.0));
  // Crossing segments: zero up to the smallest subnormal that the overflow-safe length keeps.
  EXPECT_LE(ComputeDistanceBetweenSegments(s1, MSegment{P3{0.5, -1, 0}, P3{0.5, 1, 0}}),
            std::numeric_limits<double>::denorm_min());
  // Segments with coincident end points behave as points.
  const MSegment point{P3{0.25, 3, 4}, P3{0.25, 3, 4}};
  EXPECT_DOUBLE_EQ(ComputeDistanceBetweenSegments(s1, point), 5.0);
  EXPECT_DOUBLE_EQ(ComputeDistanceBetweenSegments(point, s1), 5.0);
  EXPECT_DOUBLE_EQ(ComputeDistanceBetweenSegments(point, MSegment{P3{0, 0, 4}, P3{0, 0, 4}}),
                   std::hypot(0.25, 3.0));
}

TEST(SegmentToSegment, AgreesWithBruteForceMinimisation) {
  spatial_test::RandomPoints random(77);
  for (int iteration = 0; iteration < 100; ++iteration) {
    MSegment s1{random.Point(), random.Point()};
    MSegment s2{random.Point(), random.Point()};
    switch (iteration % 5) {
      case 1:  // nearly parallel
        s2.second = s2.first + (s1.second - s1.first) * random.In(-2, 2) + random.Point(1e-6);
        break;
      case 2: {  // exactly parallel: the determinant of the line system is exactly 0
        s1 = MSegment{DyadicPoint(random), DyadicPoint(random)};
        const double scales[4] = {1.0, -1.0, 0.5, -2.0};
        s2.first = DyadicPoint(random);
        s2.second = s2.first + (s1.second - s1.first) * scales[(iteration / 5) % 4];
        const P3 d1 = s1.second - s1.first;
        const P3 d2 = s2.second - s2.first;
        ASSERT_EQ(dot(d1, d1) * dot(d2, d2) - dot(d1, d2) * dot(d1, d2), 0.0);
        break;
      }
      case 3:  // s2 reduced to a point
        s2.second = s2.first;
        break;
      case 4: {  // s2 passes through a point of s1
        const P3 through = At(s1, random.Unit());
        const P3 half = random.Point();
        s2 = MSegment{through + half, through - half * random.Unit()};
        break;
      }
      default:
        break;
    }
    const double computed = ComputeDistanceBetweenSegments(s1, s2);
    // The distance from a point moving along s1 to segment s2 is convex, and so is the distance
    // between two points moving along the segments: nested minimisation finds the minimum.
    const double brute = MinimiseConvex([&](double t1) {
      const P3 q = At(s1, t1);
      return MinimiseConvex([&](double t2) { return distance(q, At(s2, t2)); });
    });
    EXPECT_LE(computed, brute + 1e-12) << "iteration " << iteration;
    EXPECT_LE(brute, computed + 1e-9) << "iteration " << iteration;
  }
}

TEST(PointToTriangle, InteriorEdgeAndCornerRegions) {
  const Triangle tri(P3{0, 0, 0}, P3{4, 0, 0}, P3{0, 4, 0});
  double w[3] = {};
  // Above the interior: the perpendicular distance, weights of the foot.
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{1, 1, 3}, tri, w), 9.0);
  EXPECT_DOUBLE_EQ(w[0], 0.5);
  EXPECT_DOUBLE_EQ(w[1], 0.25);
  EXPECT_DOUBLE_EQ(w[2], 0.25);
  EXPECT_DOUBLE_EQ(w[0] + w[1] + w[2], 1.0);
  // Outside each edge (in and off the plane): edge weights, zero for the opposite corner.
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{1, -2, 0}, tri, w), 4.0);
  EXPECT_EQ(w[0], 0.75);
  EXPECT_EQ(w[1], 0.25);
  EXPECT_EQ(w[2], 0.0);
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{1, -2, 5}, tri, w), 29.0);
  EXPECT_EQ(w[2], 0.0);
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{3, 3, 0}, tri, w), 2.0);
  EXPECT_EQ(w[0], 0.0);
  EXPECT_EQ(w[1], 0.5);
  EXPECT_EQ(w[2], 0.5);
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{-2, 1, 0}, tri, w), 4.0);
  EXPECT_EQ(w[0], 0.75);
  EXPECT_EQ(w[1], 0.0);
  EXPECT_EQ(w[2], 0.25);
  // On the extension of edge AB beyond B: the corner B, reached through the first edge.
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{6, 0, 0}, tri, w), 4.0);
  EXPECT_EQ(w[0], 0.0);
  EXPECT_EQ(w[1], 1.0);
  EXPECT_EQ(w[2], 0.0);
  // On an edge the edge candidate is kept: the interior foot is not strictly nearer.
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{2, 0, 0}, tri, w), 0.0);
  EXPECT_EQ(w[2], 0.0);
  // The weights are optional.
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{1, 1, -2}, tri, nullptr), 4.0);
}

TEST(PointToTriangle, TiesKeepTheEarlierEdge) {
  double w[3] = {};
  // Collinear corners, AB spanning the others: AB, BC and CA are all at distance 1 from p.
  const Triangle ab_first(P3{0, 0, 0}, P3{2, 0, 0}, P3{1, 0, 0});
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{1, 1, 0}, ab_first, w), 1.0);
  EXPECT_EQ(w[0], 0.5);
  EXPECT_EQ(w[1], 0.5);
  EXPECT_EQ(w[2], 0.0);
  // AB is farther; BC and CA reach the same nearest point with different weights.
  const Triangle bc_first(P3{0, 0, 0}, P3{1, 0, 0}, P3{3, 0, 0});
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{2, 1, 0}, bc_first, w), 1.0);
  EXPECT_EQ(w[0], 0.0);
  EXPECT_EQ(w[1], 0.5);
  EXPECT_EQ(w[2], 0.5);
}

TEST(PointToTriangle, DegenerateTrianglesGiveFiniteEdgeResults) {
  double w[3] = {};
  // All corners coincide: the distance to that point, through the first edge.
  const Triangle point(P3{1, 1, 1}, P3{1, 1, 1}, P3{1, 1, 1});
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{1, 1, 4}, point, w), 9.0);
  EXPECT_EQ(w[0], 1.0);
  EXPECT_EQ(w[1], 0.0);
  EXPECT_EQ(w[2], 0.0);
  // Collinear corners with a point off the line: the plane coordinates are 0/0, which must not
  // leak into the result.
  const Triangle line(P3{0, 0, 0}, P3{1, 1, 1}, P3{3, 3, 3});
  const double d2 = ComputeSquaredDistanceBetweenPointAndTriangle(P3{5, 0, 1}, line, w);
  EXPECT_TRUE(std::isfinite(d2));
  EXPECT_NEAR(d2, 26.0 - 12.0, 1e-12);  // |p|^2 - (p.u)^2 for the unit direction u
  EXPECT_NEAR(w[0] + w[1] + w[2], 1.0, 1e-15);
  for (const double weight : w)
    EXPECT_TRUE(std::isfinite(weight));
  // Two coincident corners.
  const Triangle sliver(P3{0, 0, 0}, P3{0, 0, 0}, P3{0, 2, 0});
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{3, 1, 0}, sliver, w), 9.0);
  EXPECT_EQ(w[0], 0.0);
  EXPECT_EQ(w[1], 0.5);
  EXPECT_EQ(w[2], 0.5);
  // A NaN point has no candidate: the largest finite double and NaN weights.
  const P3 nan_point{std::numeric_limits<double>::quiet_NaN(), 0, 0};
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(nan_point, line, w),
            std::numeric_limits<double>::max());
  EXPECT_TRUE(std::isnan(w[0]));
}

TEST(PointToTriangle, AgreesWithDenseBarycentricSampling) {
  spatial_test::RandomPoints random(4242);
  constexpr int kSteps = 200;
  for (int iteration = 0; iteration < 60; ++iteration) {
    const Triangle tri(random.Point(), random.Point(), random.Point());
    // Alternate points near the triangle's plane with points farther away.
    const P3 p = random.Point(iteration % 2 == 0 ? 0.5 : 2.0);
    double w[3] = {};
    const double d2 = ComputeSquaredDistanceBetweenPointAndTriangle(p, tri, w);

    for (const double weight : w) {
      EXPECT_GE(weight, -1e-15);
      EXPECT_LE(weight, 1.0 + 1e-15);
    }
    EXPECT_NEAR(w[0] + w[1] + w[2], 1.0, 1e-14);
    const P3 nearest = w[0] * tri.A() + w[1] * tri.B() + w[2] * tri.C();
    EXPECT_NEAR(squared_distance(p, nearest), d2, 1e-12);

    const P3 e1 = tri.B() - tri.A();
    const P3 e2 = tri.C() - tri.A();
    double sampled = std::numeric_limits<double>::max();
    for (int i = 0; i <= kSteps; ++i) {
      for (int j = 0; i + j <= kSteps; ++j) {
        const P3 q = tri.A() + (static_cast<double>(i) / kSteps) * e1 +
                     (static_cast<double>(j) / kSteps) * e2;
        sampled = std::min(sampled, squared_distance(p, q));
      }
    }
    // Rounding the nearest point down to the sample grid moves it by at most one step per edge.
    const double spacing = (length(e1) + length(e2)) / kSteps;
    EXPECT_LE(d2, sampled + 1e-12) << "iteration " << iteration;
    EXPECT_LE(std::sqrt(sampled), std::sqrt(d2) + spacing) << "iteration " << iteration;
  }
}

}  // namespace
