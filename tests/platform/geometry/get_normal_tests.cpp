#include "Oxlen/Math/get_normal.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "tests/platform/geometry/mesh_test_support.h"

namespace {

using mesh_test::Point;
using Oxlen::Math::get_normal;

void ExpectNear(const Point& actual, const Point& expected, double tolerance) {
  EXPECT_LT(Oxlen::Math::distance(actual, expected), tolerance)
      << actual[0] << ", " << actual[1] << ", " << actual[2];
}

TEST(GetNormal, RightHandRuleAtEveryScaleAndZeroForDegenerateTriangles) {
  const Point a(1, 2, 3), b(4, 2, 3), c(1, 2, 5);  // edges along +x and +z: normal -y
  ExpectNear(get_normal(a, b, c, false), Point(0, -1, 0), 1e-15);
  ExpectNear(get_normal(a, c, b, false), Point(0, 1, 0), 1e-15);
  EXPECT_EQ(get_normal(a, b, c, true), Point(0, -6, 0));
  // The same triangle shrunk or blown up by extreme factors keeps its unit normal.
  const Point n = get_normal(Point(0, 0, 0), Point(3, 1, 0), Point(1, 2, 2), false);
  for (const double s : {1e-300, 1e300}) {
    const Point shift(s, -2 * s, 0.5 * s);
    ExpectNear(get_normal(shift, Point(3 * s, s, 0) + shift, Point(s, 2 * s, 2 * s) + shift, false),
               n, 1e-14);
  }
  const double big = std::numeric_limits<double>::max() / 1.5;  // differences overflow
  ExpectNear(get_normal(Point(-big, 0, 0), Point(big, 0, 0), Point(0, big, 0), false),
             Point(0, 0, 1), 1e-15);
  // Random triangles agree with the normalised cross product.
  std::mt19937_64 rng(7);
  for (int i = 0; i < 200; ++i) {
    Point p[3];
    for (auto& q : p)
      q = Point(mesh_test::Unit(rng), mesh_test::Unit(rng), mesh_test::Unit(rng));
    const Point cross = Oxlen::Math::cross(p[1] - p[0], p[2] - p[0]);
    ExpectNear(get_normal(p[0], p[1], p[2], false), cross / Oxlen::Math::length(cross), 1e-12);
  }
  // Degenerate and non-finite triangles give the zero vector.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const Point degenerate[][3] = {{a, a, a},
                                 {Point(1, 1, 1), Point(2, 2, 2), Point(4, 4, 4)},
                                 {Point(1e-310, 0, 0), Point(0, 0, 0), Point(3e-310, 0, 0)},
                                 {Point(nan, 0, 0), Point(1, 0, 0), Point(0, 1, 0)},
                                 {Point(0, 0, 0), Point(inf, 0, 0), Point(0, 1, 0)}};
  for (const auto& t : degenerate)
    EXPECT_EQ(get_normal(t[0], t[1], t[2], false), Point(0, 0, 0));
}

}  // namespace
