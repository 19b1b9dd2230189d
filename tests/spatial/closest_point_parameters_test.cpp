#include "spatial/closest_point_parameters.h"

#include <gtest/gtest.h>

#include <cmath>

#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "spatial/numeric_helpers.h"
#include "spatial/random_points.h"

namespace {

using geometry::MSegment;
using geometry::detail::ComputeClosestParametersBetweenLines;
using geometry::detail::ComputeClosestParametersBetweenSegments;
using P3 = Oxlen::Math::point<double, 3>;

P3 At(const MSegment& s, double t) {
  return s.first + t * (s.second - s.first);
}

TEST(SegmentClosestParameters, KnownConfigurations) {
  const MSegment s1{P3{0, 0, 0}, P3{1, 0, 0}};
  using Pair = std::pair<double, double>;
  // Skew, nearest points interior to both.
  EXPECT_EQ(ComputeClosestParametersBetweenSegments(s1, MSegment{P3{0.5, -1, 3}, P3{0.5, 1, 3}}),
            (Pair{0.5, 0.5}));
  // Parallel without overlap: start at t1 = 0, project to the first end of s2, back to t1 = 1.
  EXPECT_EQ(ComputeClosestParametersBetweenSegments(s1, MSegment{P3{2, 1, 0}, P3{3, 1, 0}}),
            (Pair{1.0, 0.0}));
  // Parallel with overlap: the start of s1 projects to the start of s2, which projects back.
  EXPECT_EQ(ComputeClosestParametersBetweenSegments(s1, MSegment{P3{0.5, 1, 0}, P3{3, 1, 0}}),
            (Pair{0.5, 0.0}));
  // Parameter on s1 first: swapping the segments swaps the pair here.
  EXPECT_EQ(ComputeClosestParametersBetweenSegments(MSegment{P3{0.5, -1, 3}, P3{0.5, 3, 3}}, s1),
            (Pair{0.25, 0.5}));
  // A point segment has parameter 0.
  const MSegment point{P3{0.75, 2, 0}, P3{0.75, 2, 0}};
  EXPECT_EQ(ComputeClosestParametersBetweenSegments(point, s1), (Pair{0.0, 0.75}));
  EXPECT_EQ(ComputeClosestParametersBetweenSegments(s1, point), (Pair{0.75, 0.0}));
}

TEST(SegmentClosestParameters, ReproduceTheSegmentDistance) {
  spatial_test::RandomPoints random(99);
  for (int iteration = 0; iteration < 500; ++iteration) {
    const MSegment s1{random.Point(), random.Point()};
    const MSegment s2{random.Point(), random.Point()};
    const auto [t1, t2] = ComputeClosestParametersBetweenSegments(s1, s2);
    ASSERT_GE(t1, 0.0);
    ASSERT_LE(t1, 1.0);
    ASSERT_GE(t2, 0.0);
    ASSERT_LE(t2, 1.0);
    EXPECT_EQ(geometry::detail::overflow_safe_distance(At(s1, t1), At(s2, t2)),
              geometry::ComputeDistanceBetweenSegments(s1, s2));
  }
}

TEST(LineClosestParameters, ConnectingVectorIsPerpendicularToBothLines) {
  spatial_test::RandomPoints random(123);
  int outside_segments = 0;
  for (int iteration = 0; iteration < 500; ++iteration) {
    const MSegment s1{random.Point(), random.Point()};
    const MSegment s2{random.Point(), random.Point()};
    const P3 d1 = s1.second - s1.first;
    const P3 d2 = s2.second - s2.first;
    // Skip nearly parallel lines, whose nearest points are ill-conditioned.
    if (squared_length(cross(d1, d2)) < 1e-3 * squared_length(d1) * squared_length(d2))
      continue;
    const auto [t1, t2] = ComputeClosestParametersBetweenLines(s1, s2);
    const P3 gap = At(s1, t1) - At(s2, t2);
    const double scale = 1e-12 * (1.0 + std::fabs(t1) + std::fabs(t2));
    EXPECT_NEAR(dot(gap, d1) / length(d1), 0.0, scale);
    EXPECT_NEAR(dot(gap, d2) / length(d2), 0.0, scale);
    if (t1 < 0.0 || t1 > 1.0 || t2 < 0.0 || t2 > 1.0)
      ++outside_segments;
  }
  EXPECT_GT(outside_segments, 0);  // the parameters are not clamped
}

TEST(LineClosestParameters, ParallelAndDegenerateLinesGiveZeroParameters) {
  using Pair = std::pair<double, double>;
  const MSegment s1{P3{0, 0, 0}, P3{1, 2, 3}};
  EXPECT_EQ(ComputeClosestParametersBetweenLines(s1, MSegment{P3{5, 0, 0}, P3{3, -4, -6}}),
            (Pair{0.0, 0.0}));
  EXPECT_EQ(ComputeClosestParametersBetweenLines(s1, MSegment{P3{5, 5, 5}, P3{5, 5, 5}}),
            (Pair{0.0, 0.0}));
  // Skew lines with a known answer outside both segments.
  EXPECT_EQ(ComputeClosestParametersBetweenLines(MSegment{P3{0, 0, 0}, P3{1, 0, 0}},
                                                 MSegment{P3{3, -2, 1}, P3{3, -1, 1}}),
            (Pair{3.0, 2.0}));
}

}  // namespace
