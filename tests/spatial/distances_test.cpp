// Distances between points, segments and triangles, and the numeric helpers beneath them.

#include "Oxlen/Cad/Triangulation/geometry/distances.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <random>

#include "spatial/closest_point_parameters.h"
#include "spatial/numeric_helpers.h"
#include "spatial/triangle_closest_point.h"

namespace {

using namespace geometry;
using namespace geometry::detail;
using P3 = Oxlen::Math::point<double, 3>;
using Triangle = MTriangle<double, 3>;
using Pair = std::pair<double, double>;
constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

// Uniform coordinates from the generator's bits, the same on every platform.
struct Random {
  std::mt19937_64 engine;
  double In(double lo, double hi) { return lo + (hi - lo) * double(engine() >> 11) * 0x1.0p-53; }
  P3 Point(double extent = 1.0) {
    const double x = In(-extent, extent), y = In(-extent, extent);
    return {x, y, In(-extent, extent)};
  }
};

P3 At(const MSegment& s, double t) {
  return s.first + t * (s.second - s.first);
}

// Minimum of a convex function on [0, 1]: each round zooms into the neighbours of the best
// sample, which bracket a minimiser.
double MinimiseConvex(const std::function<double(double)>& f) {
  double lo = 0.0, hi = 1.0, best = kMax, bestX = 0.0;
  for (int round = 0; round < 7; ++round) {
    const double step = (hi - lo) / 64;
    for (int i = 0; i <= 64; ++i)
      if (const double x = i == 64 ? hi : lo + i * step, v = f(x); v <= best)
        best = v, bestX = x;
    lo = std::max(0.0, bestX - step);
    hi = std::min(1.0, bestX + step);
  }
  return best;
}

TEST(PointToSegment, EndsDegenerateSegmentsAndBruteForce) {
  const MSegment s{P3{1, 0, 0}, P3{3, 0, 0}};
  EXPECT_EQ(GetPointToSegmentProjectionParameter(P3{1.5, 2, 0}, s), 0.25);
  double t = -1.0;
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndSegment(t, P3{5, 0, 3}, s), 13.0);
  EXPECT_EQ(t, 1.0);  // beyond the end
  // Coincident end points: parameter 0 and the distance to the first point; a very short but not
  // zero segment is still projected on.
  const MSegment point{P3{1, 2, 3}, P3{1, 2, 3}};
  EXPECT_EQ(ComputeDistanceBetweenPointAndSegment(t, P3{1, 2, 5}, point), 2.0);
  EXPECT_EQ(t, 0.0);
  EXPECT_EQ(GetPointToSegmentProjectionParameter(P3{1, 1, 0}, MSegment{P3{}, P3{1e-160, 0, 0}}),
            1.0);
  Random random{std::mt19937_64(20240611)};
  for (int iteration = 0; iteration < 200; ++iteration) {
    const MSegment r{random.Point(), random.Point()};
    const P3 p = random.Point(2.0);
    const double d2 = ComputeSquaredDistanceBetweenPointAndSegment(t, p, r);
    ASSERT_TRUE(t >= 0.0);
    ASSERT_TRUE(t <= 1.0);
    EXPECT_EQ(d2, squared_distance(p, At(r, t)));
    EXPECT_EQ(ComputeDistanceBetweenPointAndSegment(p, r), std::sqrt(d2));
    EXPECT_EQ(GetPointToSegmentProjectionParameter(p, r), t);
    // The helper beneath agrees, and flags exactly the clamped parameters as end points.
    bool atEnd = false;
    EXPECT_NEAR(squared_distance_to_segment(p, r.first, r.second, atEnd), d2, 1e-12);
    EXPECT_EQ(atEnd, t == 0.0 || t == 1.0);
    double sampled = kMax;
    for (int i = 0; i <= 20000; ++i)
      sampled = std::min(sampled, distance(p, At(r, i / 20000.0)));
    EXPECT_LE(std::sqrt(d2), sampled + 1e-12);
    EXPECT_LE(sampled, std::sqrt(d2) + distance(r.first, r.second) / 20000);
  }
}

TEST(SegmentToSegment, KnownConfigurationsAndBruteForce) {
  const MSegment s1{P3{0, 0, 0}, P3{1, 0, 0}}, point{P3{0.25, 3, 4}, P3{0.25, 3, 4}};
  const struct {
    MSegment b;
    double expected;
    Pair parameters;
  } cases[] = {
      {{P3{2, 1, 0}, P3{3, 1, 0}}, std::sqrt(2.0), {1.0, 0.0}},  // parallel, no overlap
      {{P3{0.5, 1, 0}, P3{3, 1, 0}}, 1.0, {0.5, 0.0}},           // parallel, overlapping
      {{P3{4, 0, 0}, P3{2.5, 0, 0}}, 1.5, {1.0, 1.0}},           // collinear with a gap
      {{P3{0.5, -1, 3}, P3{0.5, 1, 3}}, 3.0, {0.5, 0.5}},        // skew, interior to both
      {point, 5.0, {0.25, 0.0}},                                 // a point segment has parameter 0
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(ComputeDistanceBetweenSegments(c.b, s1), c.expected);
    EXPECT_EQ(ComputeClosestParametersBetweenSegments(s1, c.b), c.parameters);
  }
  Random random{std::mt19937_64(77)};
  const auto dyadic = [&] {  // on the grid of spacing 1/64: differences and products are exact
    const P3 p = random.Point() * 64.0;
    return P3{std::round(p[0]), std::round(p[1]), std::round(p[2])} / 64.0;
  };
  for (int iteration = 0; iteration < 100; ++iteration) {
    MSegment a{random.Point(), random.Point()}, b{random.Point(), random.Point()};
    if (iteration % 5 == 1) {  // nearly parallel
      b.second = b.first + (a.second - a.first) * random.In(-2, 2) + random.Point(1e-6);
    } else if (iteration % 5 == 2) {  // exactly parallel: the line system's determinant is 0
      a = MSegment{dyadic(), dyadic()};
      b.first = dyadic();
      b.second = b.first + (a.second - a.first) * std::array{1.0, -1.0, 0.5, -2.0}[iteration % 4];
    } else if (iteration % 5 == 3) {  // b reduced to a point
      b.second = b.first;
    } else if (iteration % 5 == 4) {  // b passes through a point of a
      const P3 through = At(a, random.In(0, 1)), half = random.Point();
      b = MSegment{through + half, through - half * random.In(0, 1)};
    }
    const double computed = ComputeDistanceBetweenSegments(a, b);
    const double brute = MinimiseConvex([&](double t1) {
      return MinimiseConvex([&](double t2) { return distance(At(a, t1), At(b, t2)); });
    });
    EXPECT_LE(computed, brute + 1e-12) << iteration;
    EXPECT_LE(brute, computed + 1e-9) << iteration;
    // The closest parameters reproduce the distance exactly.
    const auto [t1, t2] = ComputeClosestParametersBetweenSegments(a, b);
    ASSERT_TRUE(t1 >= 0.0);
    ASSERT_TRUE(t1 <= 1.0);
    ASSERT_TRUE(t2 >= 0.0);
    ASSERT_TRUE(t2 <= 1.0);
    EXPECT_EQ(overflow_safe_distance(At(a, t1), At(b, t2)), computed);
  }
}

TEST(ClosestParameters, UnclampedLines) {
  // Parallel and degenerate lines give zero; skew lines are not clamped to the segments (random
  // lines are covered through the segment distances).
  const std::pair<MSegment, Pair> cases[] = {{{P3{5, 1, 0}, P3{3, 1, 0}}, {0, 0}},
                                             {{P3{5, 5, 5}, P3{5, 5, 5}}, {0, 0}},
                                             {{P3{3, -2, 1}, P3{3, -1, 1}}, {3, 2}}};
  for (const auto& [line, expected] : cases)
    EXPECT_EQ(ComputeClosestParametersBetweenLines({P3{0, 0, 0}, P3{1, 0, 0}}, line), expected);
}

TEST(PointToTriangle, TiesDegenerateTrianglesAndBruteForce) {
  const Triangle tri(P3{0, 0, 0}, P3{4, 0, 0}, P3{0, 4, 0});
  const struct {
    Triangle t;
    P3 p;
    double d2, w0, w1, w2;
  } cases[] = {
      {tri, {6, 0, 0}, 4.0, 0.0, 1.0, 0.0},  // beyond corner B, reached through edge AB
      {tri, {2, 0, 0}, 0.0, 0.5, 0.5, 0.0},  // on an edge the edge candidate is kept
      // Equidistant edges keep the earlier one: AB spans the others, all at distance 1.
      {{P3{0, 0, 0}, P3{2, 0, 0}, P3{1, 0, 0}}, {1, 1, 0}, 1.0, 0.5, 0.5, 0.0},
      // AB is farther; BC and CA reach the same point with different weights: BC wins.
      {{P3{0, 0, 0}, P3{1, 0, 0}, P3{3, 0, 0}}, {2, 1, 0}, 1.0, 0.0, 0.5, 0.5},
      // All corners coincide, or two of them: edge results.
      {{P3{1, 1, 1}, P3{1, 1, 1}, P3{1, 1, 1}}, {1, 1, 4}, 9.0, 1.0, 0.0, 0.0},
      {{P3{0, 0, 0}, P3{0, 0, 0}, P3{0, 2, 0}}, {3, 1, 0}, 9.0, 0.0, 0.5, 0.5},
  };
  for (const auto& c : cases) {
    double w[3] = {};
    EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(c.p, c.t, w), c.d2);
    EXPECT_EQ(w[0], c.w0);
    EXPECT_EQ(w[1], c.w1);
    EXPECT_EQ(w[2], c.w2);
  }
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{1, 1, -2}, tri, nullptr), 4.0);
  // Collinear corners, point off the line: the plane coordinates are 0/0 and must not leak. A NaN
  // point has no candidate: the largest finite double and NaN weights.
  const Triangle line(P3{0, 0, 0}, P3{1, 1, 1}, P3{3, 3, 3});
  double w[3] = {};
  EXPECT_NEAR(ComputeSquaredDistanceBetweenPointAndTriangle(P3{5, 0, 1}, line, w), 14.0, 1e-12);
  EXPECT_TRUE(std::isfinite(w[0] + w[1] + w[2]));
  EXPECT_NEAR(w[0] + w[1] + w[2], 1.0, 1e-15);
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{kNan, 0, 0}, line, w), kMax);
  EXPECT_TRUE(std::isnan(w[0]));

  Random random{std::mt19937_64(4242)};
  constexpr int kSteps = 200;
  for (int iteration = 0; iteration < 60; ++iteration) {
    const Triangle t(random.Point(), random.Point(), random.Point());
    const P3 p = random.Point(iteration % 2 == 0 ? 0.5 : 2.0);
    const double d2 = ComputeSquaredDistanceBetweenPointAndTriangle(p, t, w);
    EXPECT_GE(*std::min_element(w, w + 3), -1e-15);
    EXPECT_LE(*std::max_element(w, w + 3), 1 + 1e-15);
    EXPECT_NEAR(w[0] + w[1] + w[2], 1.0, 1e-14);
    EXPECT_NEAR(squared_distance(p, w[0] * t.A() + w[1] * t.B() + w[2] * t.C()), d2, 1e-12);
    // The region classification the grid projects with finds the same distance.
    std::array<double, 3> rw{};
    const double r2 = SquaredDistanceToTriangle(p, t.A(), t.B(), t.C(), rw);
    EXPECT_NEAR(r2, d2, 1e-12) << iteration;
    EXPECT_NEAR(rw[0] + rw[1] + rw[2], 1.0, 1e-14);
    EXPECT_NEAR(squared_distance(p, rw[0] * t.A() + rw[1] * t.B() + rw[2] * t.C()), r2, 1e-12);
    const P3 e1 = t.B() - t.A(), e2 = t.C() - t.A();
    double sampled = kMax;
    for (int i = 0; i <= kSteps; ++i)
      for (int j = 0; i + j <= kSteps; ++j)
        sampled = std::min(sampled, squared_distance(p, t.A() + (double(i) / kSteps) * e1 +
                                                            (double(j) / kSteps) * e2));
    EXPECT_LE(d2, sampled + 1e-12) << iteration;
    EXPECT_LE(std::sqrt(sampled), std::sqrt(d2) + (length(e1) + length(e2)) / kSteps) << iteration;
  }
}

// |a - b| <= ulps units in the last place of b.
bool WithinUlps(double a, double b, double ulps) {
  return std::fabs(a - b) <= ulps * std::numeric_limits<double>::epsilon() * std::fabs(b);
}

TEST(NumericHelpers, OverflowSafeDistanceAndSegmentProjection) {
  // Subnormal inputs carry fewer significant bits.
  EXPECT_TRUE(WithinUlps(overflow_safe_distance(P3{3e-310, 0, 0}, P3{0, 0, -4e-310}), 5e-310, 1e3));
  // The zero vector has the smallest subnormal length.
  EXPECT_EQ(overflow_safe_distance(P3{1, 2, 3}, P3{1, 2, 3}),
            std::numeric_limits<double>::denorm_min());

  // Unclamped projection; a squared length of exactly the threshold 2^-26 is still measurable,
  // below it, or a point segment, the midpoint is taken, which is not an end point.
  const P3 a{1, 1, 1}, b{3, 1, 1};
  EXPECT_EQ(segment_projection_parameter(P3{6, 5, -2}, a, b), 2.5);
  EXPECT_EQ(segment_projection_parameter(a + P3{0x1.0p-15, 7, 0}, a, a + P3{0x1.0p-13, 0, 0}),
            0.25);
  EXPECT_EQ(segment_projection_parameter(P3{100, 0, 0}, a, a + P3{0.99 * 0x1.0p-13, 0, 0}), 0.5);
  EXPECT_EQ(segment_projection_parameter(P3{100, 0, 0}, a, a), 0.5);
  const P3 o{0, 0, 0}, s{1e-5, 0, 0};
  bool atEnd = true;
  EXPECT_EQ(segment_closest_point(P3{-3, 0, 0}, o, s), (P3{0.5e-5, 0, 0}));
  EXPECT_DOUBLE_EQ(squared_distance_to_segment(P3{-3, 0, 0}, o, s, atEnd),
                   (3 + 0.5e-5) * (3 + 0.5e-5));
  EXPECT_FALSE(atEnd);
  EXPECT_EQ(segment_closest_point(P3{7, 0, 4}, a, b), b);  // end points exactly
}

}  // namespace
