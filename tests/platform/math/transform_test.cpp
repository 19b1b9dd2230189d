#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>

#include "Oxlen/Math/MMTransformMatrix.h"

namespace {

using P3 = Oxlen::Math::point<double, 3>;
using M = Oxlen::Math::matrix4x4<double>;

M RandomAffine(std::mt19937_64& rng) {
  std::uniform_real_distribution<double> d(-3.0, 3.0);
  M m = M::identity();
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c)
      m(r, c) = d(rng);
  return m;
}

TEST(MMTransform, InverseUndoesTheTransform) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> d(-100.0, 100.0);
  for (int k = 0; k < 200; ++k) {
    const M m = RandomAffine(rng);
    MMTransformMatrix t(m);
    for (bool direction : {false, true}) {
      const P3 p{d(rng), d(rng), d(rng)};
      P3 q = p;
      t.Transform(q, direction);
      EXPECT_EQ(q, direction ? m.transform_vector(p) : m.transform_point(p));
      t.InverseTransform(q, direction);
      EXPECT_NEAR(distance(p, q), 0.0, 1e-9 * (1 + length(p)) * 1e3);
    }
    // The conversion gives the matrix back untouched.
    const M back = t;
    EXPECT_EQ(back, m);
  }
}

TEST(MMTransform, PlacementHelpers) {
  const auto t = MMTransformMatrix::FromAxes({0, 1, 0}, {0, 0, 1}, {1, 0, 0}, {10, 20, 30});
  P3 p{1, 2, 3};
  t.Transform(p, false);
  EXPECT_EQ(p, (P3{13, 21, 32}));
  t.InverseTransform(p, false);
  EXPECT_EQ(p, (P3{1, 2, 3}));
  P3 v{1, 0, 0};
  MMTransformMatrix::Translation({5, 5, 5}).InverseTransform(v, true);
  EXPECT_EQ(v, (P3{1, 0, 0}));  // directions ignore the translation
  EXPECT_EQ(static_cast<M>(MMTransformMatrix()), M::identity());
}

TEST(MMTransform, RejectsMalformedMatrices) {
  M singular = M::identity();
  singular(2, 2) = 0.0;
  EXPECT_THROW(MMTransformMatrix{singular}, std::invalid_argument);
  M nan = M::identity();
  nan[13] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_THROW(MMTransformMatrix{nan}, std::invalid_argument);
  M projective = M::identity();
  projective[3] = 0.5;
  EXPECT_THROW(MMTransformMatrix{projective}, std::invalid_argument);
  EXPECT_THROW(MMTransformMatrix::FromAxes({1, 0, 0}, {2, 0, 0}, {0, 0, 1}, {}),
               std::invalid_argument);
  // A tiny but regular matrix is not singular.
  M tiny = M::identity();
  tiny(0, 0) = tiny(1, 1) = tiny(2, 2) = 1e-6;
  EXPECT_NO_THROW(MMTransformMatrix{tiny});
}

}  // namespace
