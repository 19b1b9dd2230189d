#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Oxlen/Math/boundingbox.h"
#include "Oxlen/Math/matrix4x4.h"
#include "Oxlen/Math/point.h"

namespace {

using Oxlen::Math::boundingbox;
using Oxlen::Math::matrix4x4;
using P2 = Oxlen::Math::point<double, 2>;
using P3 = Oxlen::Math::point<double, 3>;

TEST(Point, ArithmeticAndProducts) {
  const P3 a{1, 2, 3};
  const P3 b{-4, 5, 0.5};
  EXPECT_EQ(a + b, (P3{-3, 7, 3.5}));
  EXPECT_EQ(a - b, (P3{5, -3, 2.5}));
  EXPECT_EQ(-a, (P3{-1, -2, -3}));
  EXPECT_EQ(2.0 * a, a * 2.0);
  EXPECT_EQ(a / 2.0, (P3{0.5, 1, 1.5}));
  EXPECT_DOUBLE_EQ(dot(a, b), -4 + 10 + 1.5);
  const P3 c = cross(a, b);
  EXPECT_DOUBLE_EQ(dot(c, a), 0.0);
  EXPECT_DOUBLE_EQ(dot(c, b), 0.0);
  EXPECT_EQ(cross(P3{1, 0, 0}, P3{0, 1, 0}), (P3{0, 0, 1}));
  EXPECT_DOUBLE_EQ(cross(P2{1, 0}, P2{0, 1}), 1.0);
  EXPECT_DOUBLE_EQ(distance(P3{1, 1, 1}, P3{4, 5, 1}), 5.0);
  EXPECT_EQ(lerp(P2{0, 0}, P2{2, 4}, 0.25), (P2{0.5, 1}));
  EXPECT_EQ(a.x(), 1);
  EXPECT_EQ(a.z(), 3);
  EXPECT_EQ(P3{}, (P3{0, 0, 0}));
  // The zero vector and non-finite vectors are returned unchanged by normalisation.
  EXPECT_EQ(normalized(P3{}), P3{});
  EXPECT_DOUBLE_EQ(length(normalized(P3{3, 4, 12})), 1.0);
  EXPECT_FALSE(is_finite(P3{0, std::nan(""), 0}));
  EXPECT_FALSE(P3(std::nan(""), 0, 0) == P3(std::nan(""), 0, 0));
}

TEST(BoundingBox, EmptyExtendAndDistance) {
  boundingbox<double, 3> box;
  EXPECT_TRUE(box.is_empty());
  EXPECT_EQ(box.minimum[0], std::numeric_limits<double>::max());
  EXPECT_EQ(box.maximum[2], std::numeric_limits<double>::lowest());
  box.extend(P3{1, 2, 3});
  EXPECT_FALSE(box.is_empty());
  EXPECT_EQ(box.minimum, box.maximum);
  box.extend(P3{-1, 5, 3});
  EXPECT_EQ(box.minimum, (P3{-1, 2, 3}));
  EXPECT_EQ(box.maximum, (P3{1, 5, 3}));
  EXPECT_TRUE(box.contains(P3{0, 3, 3}));
  EXPECT_FALSE(box.contains(P3{0, 3, 3.1}));
  EXPECT_DOUBLE_EQ(box.squared_distance(P3{0, 3, 3}), 0.0);
  EXPECT_DOUBLE_EQ(box.squared_distance(P3{4, 9, 3}), 9.0 + 16.0);
  boundingbox<double, 3> other;
  box.extend(other);  // an empty box changes nothing
  EXPECT_EQ(box.minimum, (P3{-1, 2, 3}));
}

TEST(Matrix4x4, RowVectorConventionAndProduct) {
  matrix4x4<double> m;
  for (int i = 0; i < 16; ++i)
    m[i] = i + 1;
  m[3] = m[7] = m[11] = 0;
  m[15] = 1;
  const P3 p{2, -1, 0.5};
  // x' = x*m[0] + y*m[4] + z*m[8] + m[12], and so on.
  const P3 q = m.transform_point(p);
  EXPECT_DOUBLE_EQ(q[0], 2 * m[0] - m[4] + 0.5 * m[8] + m[12]);
  EXPECT_DOUBLE_EQ(q[1], 2 * m[1] - m[5] + 0.5 * m[9] + m[13]);
  EXPECT_DOUBLE_EQ(q[2], 2 * m[2] - m[6] + 0.5 * m[10] + m[14]);
  EXPECT_EQ(m.transform_vector(p), q - m.transform_point(P3{}));
  // With row vectors, p * (A * B) applies A first.
  const auto a = matrix4x4<double>::translation({1, 0, 0});
  const auto b = matrix4x4<double>::from_axes({0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, {});
  EXPECT_EQ((a * b).transform_point(P3{0, 0, 0}), (P3{0, 1, 0}));
  EXPECT_EQ((b * a).transform_point(P3{0, 0, 0}), (P3{1, 0, 0}));
  EXPECT_EQ(matrix4x4<double>::identity() * m, m);
}

}  // namespace
