#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>

#include "Oxlen/Math/MMTransformMatrix.h"

namespace {

using P3 = Oxlen::Math::point<double, 3>;
using M = Oxlen::Math::matrix4x4<double>;

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
