#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "Oxlen/Math/get_normal.h"
#include "tests/platform/geometry/mesh_test_support.h"

namespace {

using mesh_test::Point;
using Oxlen::Math::get_normal;

void ExpectVectorNear(const Point& actual, const Point& expected, double tolerance) {
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(actual[i], expected[i], tolerance) << "component " << i;
}

TEST(GetNormal, UnitNormalFollowsTheRightHandRuleAtEveryScale) {
  const Point a(1, 2, 3), b(4, 2, 3), c(1, 2, 5);  // edges along +x and +z: normal -y
  ExpectVectorNear(get_normal(a, b, c, false), Point(0, -1, 0), 1e-15);
  ExpectVectorNear(get_normal(a, c, b, false), Point(0, 1, 0), 1e-15);
  EXPECT_EQ(get_normal(a, b, c, true), Point(0, -6, 0));

  // The same triangle shrunk or blown up by extreme factors keeps its unit normal.
  const Point n = get_normal(Point(0, 0, 0), Point(3, 1, 0), Point(1, 2, 2), false);
  EXPECT_NEAR(Oxlen::Math::length(n), 1.0, 1e-15);
  for (const double s : {1e-300, 1e-160, 1e160, 1e300}) {
    SCOPED_TRACE(s);
    const Point shift(s, -2 * s, 0.5 * s);
    ExpectVectorNear(get_normal(shift, Point(3 * s, 1 * s, 0) + shift,
                                Point(1 * s, 2 * s, 2 * s) + shift, false),
                     n, 1e-14);
  }
  // Corners whose differences overflow.
  const double big = std::numeric_limits<double>::max() / 1.5;
  ExpectVectorNear(get_normal(Point(-big, 0, 0), Point(big, 0, 0), Point(0, big, 0), false),
                   Point(0, 0, 1), 1e-15);

  // Random triangles agree with the normalised cross product.
  std::mt19937_64 rng(7);
  for (int i = 0; i < 200; ++i) {
    Point p[3];
    for (auto& q : p)
      q = Point(mesh_test::Unit(rng), mesh_test::Unit(rng), mesh_test::Unit(rng));
    const Point cross = Oxlen::Math::cross(p[1] - p[0], p[2] - p[0]);
    ExpectVectorNear(get_normal(p[0], p[1], p[2], false), cross / Oxlen::Math::length(cross),
                     1e-12);
  }
}

TEST(GetNormal, DegenerateTrianglesGiveTheZeroVector) {
  const Point zero(0, 0, 0);
  const Point a(1, 1, 1);
  EXPECT_EQ(get_normal(a, a, a, false), zero);
  EXPECT_EQ(get_normal(a, Point(2, 2, 2), Point(4, 4, 4), false), zero);
  EXPECT_EQ(get_normal(a, a, Point(3, 0, 1), false), zero);
  EXPECT_EQ(get_normal(Point(1e-310, 0, 0), Point(0, 0, 0), Point(3e-310, 0, 0), false), zero);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(get_normal(Point(nan, 0, 0), Point(1, 0, 0), Point(0, 1, 0), false), zero);
  EXPECT_EQ(get_normal(Point(0, 0, 0), Point(inf, 0, 0), Point(0, 1, 0), false), zero);
}

}  // namespace
