#include "Oxlen/Math/get_normal.h"

#include "platform/platform_test_support.h"

namespace {

using Point = Oxlen::Math::point<double, 3>;
using Oxlen::Math::get_normal;
using platform_test::Uniform;

TEST(GetNormal, RightHandRuleAtEveryScaleAndZeroForDegenerateTriangles) {
  const auto near = [](const Point& a, const Point& b) { return distance(a, b) < 1e-14; };
  const Point a(1, 2, 3), b(4, 2, 3), c(1, 2, 5);  // edges along +x and +z: normal -y
  EXPECT_TRUE(near(get_normal(a, b, c, false), Point(0, -1, 0)));
  EXPECT_EQ(get_normal(a, b, c, true), Point(0, -6, 0));
  // Random triangles agree with the normalised cross product, also shrunk or blown up by extreme
  // factors, or with corners whose differences overflow.
  std::mt19937_64 rng(7);
  for (int i = 0; i < 200; ++i) {
    Point p[3];
    for (auto& q : p)
      q = Point(Uniform(rng), Uniform(rng), Uniform(rng));
    const Point n = Oxlen::Math::normalized(Oxlen::Math::cross(p[1] - p[0], p[2] - p[0]));
    EXPECT_TRUE(near(get_normal(p[0], p[1], p[2], false), n));
    const double s = i % 2 ? 1e-300 : 1e300;
    EXPECT_LT(distance(get_normal(p[0] * s, p[1] * s, p[2] * s, false), n), 1e-12);
  }
  const double big = std::numeric_limits<double>::max() / 1.5;
  EXPECT_TRUE(near(get_normal(Point(-big, 0, 0), Point(big, 0, 0), Point(0, big, 0), false),
                   Point(0, 0, 1)));
  // Degenerate and non-finite triangles give the zero vector.
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = HUGE_VAL;
  const Point degenerate[][3] = {{a, a, a},
                                 {Point(1, 1, 1), Point(2, 2, 2), Point(4, 4, 4)},
                                 {Point(1e-310, 0, 0), Point(0, 0, 0), Point(3e-310, 0, 0)},
                                 {Point(nan, 0, 0), Point(1, 0, 0), Point(0, 1, 0)},
                                 {Point(0, 0, 0), Point(inf, 0, 0), Point(0, 1, 0)}};
  for (const auto& t : degenerate)
    EXPECT_EQ(get_normal(t[0], t[1], t[2], false), Point(0, 0, 0));
}

}  // namespace
