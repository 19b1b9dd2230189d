#include <gtest/gtest.h>

#include <cmath>

#include "Oxlen/Math/boundingbox.h"
#include "Oxlen/Math/matrix4x4.h"
#include "Oxlen/Math/point.h"

namespace {

using M = Oxlen::Math::matrix4x4<double>;
using P2 = Oxlen::Math::point<double, 2>;
using P3 = Oxlen::Math::point<double, 3>;

TEST(MathTypes, PointBoundingBoxAndRowVectorMatrix) {
  EXPECT_DOUBLE_EQ(cross(P2{1, 0}, P2{0, 1}), 1.0);
  EXPECT_EQ(normalized(P3{}), P3{});  // the zero vector is returned unchanged
  EXPECT_FALSE(is_finite(P3{0, std::nan(""), 0}) || P3(NAN, 0, 0) == P3(NAN, 0, 0));

  Oxlen::Math::boundingbox<double, 3> box, empty;
  EXPECT_TRUE(box.is_empty());
  box.extend(P3{1, 2, 3});
  box.extend(P3{-1, 5, 3});
  box.extend(empty);  // an empty box changes nothing
  EXPECT_TRUE(box.minimum == (P3{-1, 2, 3}) && box.maximum == (P3{1, 5, 3}));
  EXPECT_DOUBLE_EQ(box.squared_distance(P3{4, 9, 3}), 9.0 + 16.0);

  // x' = x*m[0] + y*m[4] + z*m[8] + m[12], and so on; vectors ignore the translation.
  M m = M::identity();
  for (int i = 0; i < 12; ++i)
    m[i] = i % 4 == 3 ? 0.0 : i + 1;
  m[12] = 13, m[13] = 14, m[14] = 15;
  const P3 q = m.transform_point(P3{2, -1, 0.5});
  for (int i = 0; i < 3; ++i)
    EXPECT_DOUBLE_EQ(q[i], 2 * m[i] - m[4 + i] + 0.5 * m[8 + i] + m[12 + i]);
  EXPECT_EQ(m.transform_vector(P3{2, -1, 0.5}), q - m.transform_point(P3{}));
  // With row vectors, p * (A * B) applies A first.
  const M t = M::translation({1, 0, 0}), r = M::from_axes({0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, {});
  EXPECT_EQ((t * r).transform_point(P3{}), (P3{0, 1, 0}));
  EXPECT_EQ((r * t).transform_point(P3{}), (P3{1, 0, 0}));
}

}  // namespace
