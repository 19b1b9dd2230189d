#include "spatial/numeric_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "spatial/random_points.h"

namespace {

using geometry::detail::kDegenerateSquaredLength;
using geometry::detail::overflow_safe_distance;
using geometry::detail::overflow_safe_length;
using geometry::detail::segment_closest_point;
using geometry::detail::segment_point_at;
using geometry::detail::segment_projection_parameter;
using geometry::detail::squared_distance_to_segment;
using P3 = Oxlen::Math::point<double, 3>;

// |a - b| <= ulps units in the last place of b.
bool WithinUlps(double a, double b, double ulps) {
  return std::fabs(a - b) <= ulps * std::numeric_limits<double>::epsilon() * std::fabs(b);
}

TEST(OverflowSafeLength, HugeAndTinyComponents) {
  const double root3 = std::sqrt(3.0);
  const P3 huge{1e300, -1e300, 1e300};
  EXPECT_TRUE(std::isinf(length(huge)));  // the plain formula overflows
  EXPECT_TRUE(WithinUlps(overflow_safe_length(huge), root3 * 1e300, 4));

  const P3 tiny{1e-300, 1e-300, -1e-300};
  EXPECT_EQ(length(tiny), 0.0);  // the plain formula underflows
  EXPECT_TRUE(WithinUlps(overflow_safe_length(tiny), root3 * 1e-300, 4));

  // Mixed magnitudes: the small components vanish against the large one without harm.
  EXPECT_EQ(overflow_safe_length(P3{1e-300, 1e300, 0.0}), 1e300);
  EXPECT_TRUE(WithinUlps(overflow_safe_length(P3{3, 4, 12}), 13.0, 2));

  // The points themselves are finite but their squared distance is not.
  EXPECT_TRUE(WithinUlps(overflow_safe_distance(P3{1e300, 0, 0}, P3{0, 2e300, 0}),
                         std::sqrt(5.0) * 1e300, 4));
  EXPECT_TRUE(WithinUlps(overflow_safe_distance(P3{3e-310, 0, 0}, P3{0, 0, -4e-310}), 5e-310,
                         1e3));  // subnormal inputs carry fewer significant bits
}

TEST(OverflowSafeLength, ComponentOrderSignsAndDegenerateInput) {
  // Any permutation and any signs of the same components give the same bits.
  const double c[3] = {0.1, -7.25, 3.3};
  const double reference = overflow_safe_length(P3{c[0], c[1], c[2]});
  const int perms[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  for (const auto& q : perms) {
    EXPECT_EQ(overflow_safe_length(P3{c[q[0]], c[q[1]], c[q[2]]}), reference);
    EXPECT_EQ(overflow_safe_length(P3{-c[q[0]], c[q[1]], -c[q[2]]}), reference);
  }
  // The scale is raised to the smallest subnormal, so the zero vector has that length.
  EXPECT_EQ(overflow_safe_length(P3{}), std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(overflow_safe_distance(P3{1, 2, 3}, P3{1, 2, 3}),
            std::numeric_limits<double>::denorm_min());
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(std::isnan(overflow_safe_length(P3{nan, 1, 2})));
  EXPECT_TRUE(std::isnan(overflow_safe_length(P3{1, nan, 2})));
  EXPECT_TRUE(std::isnan(overflow_safe_length(P3{1, 2, nan})));
  EXPECT_TRUE(std::isinf(overflow_safe_length(P3{1, -HUGE_VAL, 2})));
}

TEST(SegmentHelpers, ProjectionParameterIsUnclampedAndHalfOnShortSegments) {
  const P3 a{1, 1, 1};
  const P3 b{3, 1, 1};
  EXPECT_EQ(segment_projection_parameter(P3{6, 5, -2}, a, b), 2.5);
  EXPECT_EQ(segment_projection_parameter(P3{0, 0, 0}, a, b), -0.5);
  EXPECT_EQ(segment_projection_parameter(P3{1.5, 9, 9}, a, b), 0.25);

  // 2^-13 squared is exactly the threshold: still a measurable segment.
  const P3 at_threshold = a + P3{0x1.0p-13, 0, 0};
  EXPECT_EQ(kDegenerateSquaredLength, 0x1.0p-26);
  EXPECT_EQ(segment_projection_parameter(a + P3{0x1.0p-15, 7, 0}, a, at_threshold), 0.25);
  const P3 below_threshold = a + P3{0.99 * 0x1.0p-13, 0, 0};
  EXPECT_EQ(segment_projection_parameter(P3{100, 0, 0}, a, below_threshold), 0.5);
  EXPECT_EQ(segment_projection_parameter(P3{100, 0, 0}, a, a), 0.5);
}

TEST(SegmentHelpers, ClosestPointDistanceAndEndPointFlag) {
  const P3 a{0, 0, 0};
  const P3 b{4, 0, 0};
  bool at_end = false;
  // Before a and beyond b the end points are returned exactly.
  EXPECT_EQ(segment_closest_point(P3{-1, 2, 0}, a, b), a);
  EXPECT_EQ(squared_distance_to_segment(P3{-1, 2, 0}, a, b, at_end), 5.0);
  EXPECT_TRUE(at_end);
  EXPECT_EQ(segment_closest_point(P3{7, 0, 4}, a, b), b);
  EXPECT_EQ(squared_distance_to_segment(P3{7, 0, 4}, a, b, at_end), 25.0);
  EXPECT_TRUE(at_end);
  // A projection exactly onto an end point counts as an end point.
  EXPECT_EQ(squared_distance_to_segment(P3{4, 3, 0}, a, b, at_end), 9.0);
  EXPECT_TRUE(at_end);
  // Inside: interpolated, not an end point.
  EXPECT_EQ(segment_closest_point(P3{1, 3, 0}, a, b), (P3{1, 0, 0}));
  EXPECT_EQ(squared_distance_to_segment(P3{1, 3, 0}, a, b, at_end), 9.0);
  EXPECT_FALSE(at_end);
  EXPECT_EQ(squared_distance_to_segment(P3{1, 3, 0}, a, b), 9.0);
  // A short segment measures to its midpoint, which is not an end point.
  const P3 c{1e-5, 0, 0};
  EXPECT_EQ(segment_closest_point(P3{-3, 0, 0}, a, c), (P3{0.5e-5, 0, 0}));
  EXPECT_DOUBLE_EQ(squared_distance_to_segment(P3{-3, 0, 0}, a, c, at_end),
                   (3 + 0.5e-5) * (3 + 0.5e-5));
  EXPECT_FALSE(at_end);
  EXPECT_EQ(segment_point_at(a, b, -0.0), a);
  EXPECT_EQ(segment_point_at(a, b, 1.0), b);
}

TEST(SegmentHelpers, AgreeWithClampedProjectionOnLongSegments) {
  spatial_test::RandomPoints random(0x5e9d);
  for (int i = 0; i < 1000; ++i) {
    const P3 a = random.Point();
    const P3 b = random.Point();
    const P3 x = random.Point(2.0);
    if (squared_distance(a, b) < 1e-2)
      continue;
    double t = 0.0;
    const double expected =
        geometry::ComputeSquaredDistanceBetweenPointAndSegment(t, x, geometry::MSegment{a, b});
    bool at_end = false;
    EXPECT_NEAR(squared_distance_to_segment(x, a, b, at_end), expected, 1e-12);
    EXPECT_EQ(at_end, t == 0.0 || t == 1.0);
  }
}

}  // namespace
