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
  double Unit() { return static_cast<double>(engine() >> 11) * 0x1.0p-53; }
  double In(double lo, double hi) { return lo + (hi - lo) * Unit(); }
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
    for (int i = 0; i <= 64; ++i) {
      const double x = i == 64 ? hi : lo + i * step;
      if (const double v = f(x); v <= best)
        best = v, bestX = x;
    }
    lo = std::max(0.0, bestX - step);
    hi = std::min(1.0, bestX + step);
  }
  return best;
}

TEST(PointToSegment, EndsDegenerateSegmentsAndBruteForce) {
  const MSegment s{P3{1, 0, 0}, P3{3, 0, 0}};
  EXPECT_EQ(GetPointToSegmentProjectionParameter(P3{1.5, 2, 0}, s), 0.25);
  EXPECT_EQ(GetPointToSegmentProjectionParameter(P3{9, 1, 1}, s), 1.0);   // beyond the end
  EXPECT_EQ(GetPointToSegmentProjectionParameter(P3{-9, 1, 1}, s), 0.0);  // before the start
  double t = -1.0;
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndSegment(t, P3{5, 0, 3}, s), 13.0);
  EXPECT_EQ(t, 1.0);
  EXPECT_EQ(ComputeDistanceBetweenPointAndSegment(t, P3{2, 3, 4}, s), 5.0);
  EXPECT_EQ(t, 0.5);
  // Coincident end points: parameter 0 and the distance to the first point.
  const MSegment point{P3{1, 2, 3}, P3{1, 2, 3}};
  EXPECT_EQ(ComputeDistanceBetweenPointAndSegment(t, P3{1, 2, 5}, point), 2.0);
  EXPECT_EQ(t, 0.0);
  // A very short but not zero segment is still projected on.
  EXPECT_EQ(GetPointToSegmentProjectionParameter(P3{1, 1, 0}, MSegment{P3{}, P3{1e-160, 0, 0}}),
            1.0);

  Random random{std::mt19937_64(20240611)};
  for (int iteration = 0; iteration < 200; ++iteration) {
    const MSegment r{random.Point(), random.Point()};
    const P3 p = random.Point(2.0);
    const double d2 = ComputeSquaredDistanceBetweenPointAndSegment(t, p, r);
    ASSERT_TRUE(t >= 0.0 && t <= 1.0);
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

TEST(SegmentToSegment, KnownConfigurations) {
  const MSegment s1{P3{0, 0, 0}, P3{1, 0, 0}};
  const MSegment point{P3{0.25, 3, 4}, P3{0.25, 3, 4}};
  const struct {
    MSegment a, b;
    double expected;
  } cases[] = {
      {s1, {P3{2, 1, 0}, P3{3, 1, 0}}, std::sqrt(2.0)},  // parallel, no overlap
      {s1, {P3{0.5, 1, 0}, P3{3, 1, 0}}, 1.0},           // parallel, overlapping
      {s1, {P3{3, 0, 2}, P3{-3, 0, 2}}, 2.0},            // antiparallel, overlapping
      {s1, {P3{4, 0, 0}, P3{2.5, 0, 0}}, 1.5},           // collinear with a gap
      {s1, {P3{0.5, -1, 3}, P3{0.5, 1, 3}}, 3.0},        // skew, interior to both
      {s1, {P3{3, 1, 1}, P3{3, 5, 1}}, std::sqrt(6.0)},  // skew, end point to end point
      {s1, point, 5.0},                                  // coincident end points
      {point, s1, 5.0},                                  //
      {point, {P3{0, 0, 4}, P3{0, 0, 4}}, std::hypot(0.25, 3.0)},
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(ComputeDistanceBetweenSegments(c.a, c.b), c.expected);
  // Crossing: zero up to the smallest subnormal that the overflow-safe length keeps.
  EXPECT_LE(ComputeDistanceBetweenSegments(s1, MSegment{P3{0.5, -1, 0}, P3{0.5, 1, 0}}),
            std::numeric_limits<double>::denorm_min());
}

TEST(SegmentToSegment, AgreesWithBruteForceMinimisation) {
  Random random{std::mt19937_64(77)};
  // Points on the grid of spacing 1/64: differences and their products are exact.
  const auto dyadic = [&] {
    const P3 p = random.Point();
    return P3{std::round(p[0] * 64) / 64, std::round(p[1] * 64) / 64, std::round(p[2] * 64) / 64};
  };
  for (int iteration = 0; iteration < 100; ++iteration) {
    MSegment s1{random.Point(), random.Point()};
    MSegment s2{random.Point(), random.Point()};
    if (iteration % 5 == 1) {  // nearly parallel
      s2.second = s2.first + (s1.second - s1.first) * random.In(-2, 2) + random.Point(1e-6);
    } else if (iteration % 5 == 2) {  // exactly parallel: the line system's determinant is 0
      s1 = MSegment{dyadic(), dyadic()};
      s2.first = dyadic();
      s2.second =
          s2.first + (s1.second - s1.first) * std::array{1.0, -1.0, 0.5, -2.0}[iteration % 4];
    } else if (iteration % 5 == 3) {  // s2 reduced to a point
      s2.second = s2.first;
    } else if (iteration % 5 == 4) {  // s2 passes through a point of s1
      const P3 through = At(s1, random.Unit()), half = random.Point();
      s2 = MSegment{through + half, through - half * random.Unit()};
    }
    const double computed = ComputeDistanceBetweenSegments(s1, s2);
    const double brute = MinimiseConvex([&](double t1) {
      return MinimiseConvex([&](double t2) { return distance(At(s1, t1), At(s2, t2)); });
    });
    EXPECT_LE(computed, brute + 1e-12) << iteration;
    EXPECT_LE(brute, computed + 1e-9) << iteration;
    // The closest parameters reproduce the distance exactly.
    const auto [t1, t2] = ComputeClosestParametersBetweenSegments(s1, s2);
    ASSERT_TRUE(t1 >= 0.0 && t1 <= 1.0 && t2 >= 0.0 && t2 <= 1.0);
    EXPECT_EQ(overflow_safe_distance(At(s1, t1), At(s2, t2)), computed);
  }
}

TEST(ClosestParameters, KnownConfigurationsAndUnclampedLines) {
  const MSegment s1{P3{0, 0, 0}, P3{1, 0, 0}};
  const MSegment point{P3{0.75, 2, 0}, P3{0.75, 2, 0}};
  const struct {
    MSegment a, b;
    Pair expected;
  } cases[] = {
      {s1, {P3{0.5, -1, 3}, P3{0.5, 1, 3}}, {0.5, 0.5}},  // skew, interior to both
      // Parallel: from t1 = 0 project to the nearer end of s2 and back onto s1.
      {s1, {P3{2, 1, 0}, P3{3, 1, 0}}, {1.0, 0.0}},
      {s1, {P3{0.5, 1, 0}, P3{3, 1, 0}}, {0.5, 0.0}},
      {{P3{0.5, -1, 3}, P3{0.5, 3, 3}}, s1, {0.25, 0.5}},  // the parameter on s1 comes first
      {point, s1, {0.0, 0.75}},                            // a point segment has parameter 0
      {s1, point, {0.75, 0.0}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ComputeClosestParametersBetweenSegments(c.a, c.b), c.expected);
  // Lines: parallel and degenerate give zero; skew lines are not clamped to the segments.
  const MSegment diagonal{P3{0, 0, 0}, P3{1, 2, 3}};
  EXPECT_EQ(ComputeClosestParametersBetweenLines(diagonal, {P3{5, 0, 0}, P3{3, -4, -6}}),
            (Pair{0, 0}));
  EXPECT_EQ(ComputeClosestParametersBetweenLines(diagonal, {P3{5, 5, 5}, P3{5, 5, 5}}),
            (Pair{0, 0}));
  EXPECT_EQ(ComputeClosestParametersBetweenLines(s1, {P3{3, -2, 1}, P3{3, -1, 1}}),
            (Pair{3.0, 2.0}));
  // On random skew lines the connecting vector is perpendicular to both.
  Random random{std::mt19937_64(123)};
  for (int iteration = 0; iteration < 500; ++iteration) {
    const MSegment a{random.Point(), random.Point()}, b{random.Point(), random.Point()};
    const P3 d1 = a.second - a.first, d2 = b.second - b.first;
    if (squared_length(cross(d1, d2)) < 1e-3 * squared_length(d1) * squared_length(d2))
      continue;  // nearly parallel lines are ill-conditioned
    const auto [t1, t2] = ComputeClosestParametersBetweenLines(a, b);
    const P3 gap = At(a, t1) - At(b, t2);
    const double tolerance = 1e-12 * (1.0 + std::fabs(t1) + std::fabs(t2));
    EXPECT_NEAR(dot(gap, d1) / length(d1), 0.0, tolerance);
    EXPECT_NEAR(dot(gap, d2) / length(d2), 0.0, tolerance);
  }
}

TEST(PointToTriangle, RegionsTiesAndDegenerateTriangles) {
  const Triangle tri(P3{0, 0, 0}, P3{4, 0, 0}, P3{0, 4, 0});
  const struct {
    Triangle t;
    P3 p;
    double d2, w0, w1, w2;
  } cases[] = {
      {tri, {1, 1, 3}, 9.0, 0.5, 0.25, 0.25},   // above the interior
      {tri, {1, -2, 0}, 4.0, 0.75, 0.25, 0.0},  // outside an edge, in the plane
      {tri, {1, -2, 5}, 29.0, 0.75, 0.25, 0.0},
      {tri, {3, 3, 0}, 2.0, 0.0, 0.5, 0.5},
      {tri, {-2, 1, 0}, 4.0, 0.75, 0.0, 0.25},
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
    EXPECT_DOUBLE_EQ(w[0], c.w0);
    EXPECT_DOUBLE_EQ(w[1], c.w1);
    EXPECT_DOUBLE_EQ(w[2], c.w2);
  }
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{1, 1, -2}, tri, nullptr), 4.0);
  // Collinear corners, point off the line: the plane coordinates are 0/0 and must not leak.
  const Triangle line(P3{0, 0, 0}, P3{1, 1, 1}, P3{3, 3, 3});
  double w[3] = {};
  EXPECT_NEAR(ComputeSquaredDistanceBetweenPointAndTriangle(P3{5, 0, 1}, line, w), 14.0, 1e-12);
  EXPECT_TRUE(std::isfinite(w[0]) && std::isfinite(w[1]) && std::isfinite(w[2]));
  EXPECT_NEAR(w[0] + w[1] + w[2], 1.0, 1e-15);
  // A NaN point has no candidate: the largest finite double and NaN weights.
  EXPECT_EQ(ComputeSquaredDistanceBetweenPointAndTriangle(P3{kNan, 0, 0}, line, w), kMax);
  EXPECT_TRUE(std::isnan(w[0]));
}

TEST(PointToTriangle, AgreesWithDenseBarycentricSampling) {
  Random random{std::mt19937_64(4242)};
  constexpr int kSteps = 200;
  for (int iteration = 0; iteration < 60; ++iteration) {
    const Triangle tri(random.Point(), random.Point(), random.Point());
    const P3 p = random.Point(iteration % 2 == 0 ? 0.5 : 2.0);
    double w[3] = {};
    const double d2 = ComputeSquaredDistanceBetweenPointAndTriangle(p, tri, w);
    for (const double weight : w)
      EXPECT_TRUE(weight >= -1e-15 && weight <= 1.0 + 1e-15);
    EXPECT_NEAR(w[0] + w[1] + w[2], 1.0, 1e-14);
    EXPECT_NEAR(squared_distance(p, w[0] * tri.A() + w[1] * tri.B() + w[2] * tri.C()), d2, 1e-12);
    const P3 e1 = tri.B() - tri.A(), e2 = tri.C() - tri.A();
    double sampled = kMax;
    for (int i = 0; i <= kSteps; ++i)
      for (int j = 0; i + j <= kSteps; ++j)
        sampled = std::min(sampled, squared_distance(p, tri.A() + (double(i) / kSteps) * e1 +
                                                            (double(j) / kSteps) * e2));
    EXPECT_LE(d2, sampled + 1e-12) << iteration;
    EXPECT_LE(std::sqrt(sampled), std::sqrt(d2) + (length(e1) + length(e2)) / kSteps) << iteration;
  }
}

// |a - b| <= ulps units in the last place of b.
bool WithinUlps(double a, double b, double ulps) {
  return std::fabs(a - b) <= ulps * std::numeric_limits<double>::epsilon() * std::fabs(b);
}

TEST(OverflowSafeLength, ExtremeMagnitudesOrderAndDegenerateInput) {
  const P3 huge{1e300, -1e300, 1e300}, tiny{1e-300, 1e-300, -1e-300};
  EXPECT_TRUE(std::isinf(length(huge)));  // the plain formula overflows ...
  EXPECT_EQ(length(tiny), 0.0);           // ... and underflows
  EXPECT_TRUE(WithinUlps(overflow_safe_length(huge), std::sqrt(3.0) * 1e300, 4));
  EXPECT_TRUE(WithinUlps(overflow_safe_length(tiny), std::sqrt(3.0) * 1e-300, 4));
  EXPECT_EQ(overflow_safe_length(P3{1e-300, 1e300, 0.0}), 1e300);
  EXPECT_TRUE(WithinUlps(overflow_safe_distance(P3{1e300, 0, 0}, P3{0, 2e300, 0}),
                         std::sqrt(5.0) * 1e300, 4));
  // Subnormal inputs carry fewer significant bits.
  EXPECT_TRUE(WithinUlps(overflow_safe_distance(P3{3e-310, 0, 0}, P3{0, 0, -4e-310}), 5e-310, 1e3));
  // Any permutation and any signs of the same components give the same bits.
  const double c[3] = {0.1, -7.25, 3.3};
  const double reference = overflow_safe_length(P3{c[0], c[1], c[2]});
  const int perms[][3] = {{0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  for (const auto& q : perms) {
    EXPECT_EQ(overflow_safe_length(P3{c[q[0]], c[q[1]], c[q[2]]}), reference);
    EXPECT_EQ(overflow_safe_length(P3{-c[q[0]], c[q[1]], -c[q[2]]}), reference);
  }
  // The scale is raised to the smallest subnormal, so the zero vector has that length.
  EXPECT_EQ(overflow_safe_distance(P3{1, 2, 3}, P3{1, 2, 3}),
            std::numeric_limits<double>::denorm_min());
  EXPECT_TRUE(std::isnan(overflow_safe_length(P3{1, 2, kNan})));
  EXPECT_TRUE(std::isinf(overflow_safe_length(P3{1, -HUGE_VAL, 2})));
}

TEST(SegmentHelpers, UnclampedProjectionShortSegmentsAndEndPointFlag) {
  const P3 a{1, 1, 1}, b{3, 1, 1};
  EXPECT_EQ(segment_projection_parameter(P3{6, 5, -2}, a, b), 2.5);
  EXPECT_EQ(segment_projection_parameter(P3{0, 0, 0}, a, b), -0.5);
  // A squared length of exactly the threshold 2^-26 is still measurable; below it, or a point
  // segment, gives the midpoint.
  EXPECT_EQ(kDegenerateSquaredLength, 0x1.0p-26);
  EXPECT_EQ(segment_projection_parameter(a + P3{0x1.0p-15, 7, 0}, a, a + P3{0x1.0p-13, 0, 0}),
            0.25);
  EXPECT_EQ(segment_projection_parameter(P3{100, 0, 0}, a, a + P3{0.99 * 0x1.0p-13, 0, 0}), 0.5);
  EXPECT_EQ(segment_projection_parameter(P3{100, 0, 0}, a, a), 0.5);

  const P3 o{0, 0, 0}, e{4, 0, 0};
  bool atEnd = false;
  EXPECT_EQ(segment_closest_point(P3{-1, 2, 0}, o, e), o);  // end points exactly
  EXPECT_EQ(segment_closest_point(P3{7, 0, 4}, o, e), e);
  EXPECT_EQ(squared_distance_to_segment(P3{7, 0, 4}, o, e, atEnd), 25.0);
  EXPECT_TRUE(atEnd);
  EXPECT_EQ(squared_distance_to_segment(P3{4, 3, 0}, o, e, atEnd), 9.0);  // projects onto e
  EXPECT_TRUE(atEnd);
  EXPECT_EQ(segment_closest_point(P3{1, 3, 0}, o, e), (P3{1, 0, 0}));
  EXPECT_EQ(squared_distance_to_segment(P3{1, 3, 0}, o, e, atEnd), 9.0);
  EXPECT_FALSE(atEnd);
  // A short segment measures to its midpoint, which is not an end point.
  const P3 s{1e-5, 0, 0};
  EXPECT_EQ(segment_closest_point(P3{-3, 0, 0}, o, s), (P3{0.5e-5, 0, 0}));
  EXPECT_DOUBLE_EQ(squared_distance_to_segment(P3{-3, 0, 0}, o, s, atEnd),
                   (3 + 0.5e-5) * (3 + 0.5e-5));
  EXPECT_FALSE(atEnd);
}

}  // namespace
