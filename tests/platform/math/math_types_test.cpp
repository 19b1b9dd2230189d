#include "platform/platform_test_support.h"

#include "Oxlen/Math/MMTransformMatrix.h"
#include "Oxlen/Math/boundingbox.h"
#include "Oxlen/Math/matrix4x4.h"
#include "Oxlen/Math/overflow_safe_length.h"
#include "Oxlen/Math/point.h"

namespace {

using M = Oxlen::Math::matrix4x4<double>;
using P3 = Oxlen::Math::point<double, 3>;

TEST(MathTypes, PointBoundingBoxAndRowVectorMatrix) {
  EXPECT_EQ(normalized(P3{}), P3{});  // the zero vector is returned unchanged
  Oxlen::Math::boundingbox<double, 3> box, empty;
  EXPECT_TRUE(box.is_empty());
  box.extend(P3{1, 2, 3});
  box.extend(P3{-1, 5, 3});
  box.extend(empty);  // an empty box changes nothing
  EXPECT_TRUE(box.minimum == (P3{-1, 2, 3}));
  EXPECT_TRUE(box.maximum == (P3{1, 5, 3}));
  EXPECT_DOUBLE_EQ(box.squared_distance(P3{4, 9, 3}), 9.0 + 16.0);
  // x' = x*m[0] + y*m[4] + z*m[8] + m[12], and so on; vectors ignore the translation.
  M m = M::identity();
  for (int i = 0; i < 15; ++i)
    m[i] = i % 4 == 3 ? 0.0 : i + 1;
  const P3 q = m.transform_point(P3{2, -1, 0.5});
  for (int i = 0; i < 3; ++i)
    EXPECT_DOUBLE_EQ(q[i], 2 * m[i] - m[4 + i] + 0.5 * m[8 + i] + m[12 + i]);
  EXPECT_EQ(m.transform_vector(P3{2, -1, 0.5}), q - m.transform_point(P3{}));
  // With row vectors, p * (A * B) applies A first.
  const M t = M::translation({1, 0, 0}), r = M::from_axes({0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, {});
  EXPECT_EQ((t * r).transform_point(P3{}), (P3{0, 1, 0}));
  EXPECT_EQ((r * t).transform_point(P3{}), (P3{1, 0, 0}));
}

TEST(MMTransform, InverseUndoesTheTransformAndMalformedMatricesThrow) {
  std::mt19937_64 rng(7);
  const auto uniform = [&](double range) { return range * (double(rng() >> 11) * 0x1p-52 - 1); };
  for (int k = 0; k < 200; ++k) {
    M m = M::identity();  // a random affine matrix
    for (int i = 0; i < 15; ++i)
      m[i] = i % 4 == 3 ? 0.0 : uniform(3.0);
    const MMTransformMatrix t(m);
    EXPECT_EQ(static_cast<M>(t), m);  // the conversion gives the matrix back untouched
    for (bool direction : {false, true}) {
      const P3 p{uniform(100), uniform(100), uniform(100)};
      P3 q = p;
      t.Transform(q, direction);
      EXPECT_EQ(q, direction ? m.transform_vector(p) : m.transform_point(p));
      t.InverseTransform(q, direction);
      EXPECT_NEAR(distance(p, q), 0.0, 1e-6 * (1 + length(p)));
    }
  }
  // Singular, non-finite and projective matrices are rejected; tiny but regular ones are not.
  M singular = M::identity(), nan = M::identity(), projective = M::identity(), tiny = M::identity();
  singular[10] = 0.0;
  nan[13] = NAN;
  projective[3] = 0.5;
  for (const M& m : {singular, nan, projective})
    EXPECT_THROW(MMTransformMatrix{m}, std::invalid_argument);
  EXPECT_THROW(MMTransformMatrix::FromAxes({1, 0, 0}, {2, 0, 0}, {0, 0, 1}, {}),
               std::invalid_argument);
  tiny[0] = tiny[5] = tiny[10] = 1e-6;
  EXPECT_NO_THROW(MMTransformMatrix{tiny});
}

}  // namespace

// Where the plain sum of squares overflows or underflows; the same bits for any order and signs
// of the components; a vector of the plane measures as in space with a zero third component.
TEST(MathTypes, OverflowSafeLength) {
  using Oxlen::Math::overflow_safe_length;
  using P2 = Oxlen::Math::point<double, 2>;
  using P3 = Oxlen::Math::point<double, 3>;
  const double root3 = std::sqrt(3.0);
  EXPECT_NEAR(overflow_safe_length(P3{1e300, -1e300, 1e300}) / 1e300, root3, 1e-15);
  EXPECT_NEAR(overflow_safe_length(P3{1e-300, 1e-300, -1e-300}) / 1e-300, root3, 1e-15);
  EXPECT_EQ(overflow_safe_length(P3{3.3, -7.25, 0.1}), overflow_safe_length(P3{-0.1, 3.3, 7.25}));
  EXPECT_EQ(overflow_safe_length(P3{0, 0, 0}), std::numeric_limits<double>::denorm_min());
  EXPECT_TRUE(std::isnan(overflow_safe_length(P3{1, 2, std::nan("")})));
  EXPECT_TRUE(std::isinf(overflow_safe_length(P3{1, -HUGE_VAL, 2})));
  for (const P2 v : {P2{3e200, -4e200}, P2{-5e-320, 0}, P2{0, 0}, P2{0.1, 0.7}})
    EXPECT_EQ(overflow_safe_length(v), overflow_safe_length(P3{v[0], v[1], 0.0}));
  EXPECT_NEAR(overflow_safe_length(P2{3e200, -4e200}) / 5e200, 1.0, 1e-15);
}
