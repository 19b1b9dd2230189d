#pragma once

#include <array>
#include <cstddef>

#include "Oxlen/Math/point.h"

namespace Oxlen::Math {

/// A 4x4 matrix of 16 values m[0] to m[15] in storage order (row by row), applied to points as
/// row vectors: p' = (x, y, z, 1) * M. Rows 0 to 2 are the images of the X, Y and Z axes and
/// m[12], m[13], m[14] hold the translation; the placements used here are affine, so m[3], m[7],
/// m[11] are 0 and m[15] is 1.
template <class T>
struct matrix4x4 {
  std::array<T, 16> m{};

  /// The identity matrix.
  static constexpr matrix4x4 identity() {
    matrix4x4 r;
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = T(1);
    return r;
  }

  /// The translation by t.
  static constexpr matrix4x4 translation(const point<T, 3>& t) {
    matrix4x4 r = identity();
    r.m[12] = t[0];
    r.m[13] = t[1];
    r.m[14] = t[2];
    return r;
  }

  /// The affine map that sends the X, Y, Z axes to x, y, z and the origin to origin.
  static constexpr matrix4x4 from_axes(const point<T, 3>& x, const point<T, 3>& y,
                                       const point<T, 3>& z, const point<T, 3>& origin) {
    matrix4x4 r = identity();
    for (std::size_t i = 0; i < 3; ++i) {
      r.m[i] = x[i];
      r.m[4 + i] = y[i];
      r.m[8 + i] = z[i];
      r.m[12 + i] = origin[i];
    }
    return r;
  }

  constexpr T& operator[](std::size_t i) { return m[i]; }
  constexpr const T& operator[](std::size_t i) const { return m[i]; }

  /// Element at row r and column c.
  constexpr T& operator()(std::size_t r, std::size_t c) { return m[4 * r + c]; }
  constexpr const T& operator()(std::size_t r, std::size_t c) const { return m[4 * r + c]; }

  /// Applies the affine map to a point as a row vector:
  /// x' = x*m[0] + y*m[4] + z*m[8] + m[12], and likewise for y' and z'.
  constexpr point<T, 3> transform_point(const point<T, 3>& p) const {
    return {p[0] * m[0] + p[1] * m[4] + p[2] * m[8] + m[12],
            p[0] * m[1] + p[1] * m[5] + p[2] * m[9] + m[13],
            p[0] * m[2] + p[1] * m[6] + p[2] * m[10] + m[14]};
  }

  /// Applies the linear part only (a direction: no translation).
  constexpr point<T, 3> transform_vector(const point<T, 3>& v) const {
    return {v[0] * m[0] + v[1] * m[4] + v[2] * m[8], v[0] * m[1] + v[1] * m[5] + v[2] * m[9],
            v[0] * m[2] + v[1] * m[6] + v[2] * m[10]};
  }

  /// Matrix product. With row vectors, p * (A * B) applies A first, then B.
  friend constexpr matrix4x4 operator*(const matrix4x4& a, const matrix4x4& b) {
    matrix4x4 r;
    for (std::size_t i = 0; i < 4; ++i)
      for (std::size_t j = 0; j < 4; ++j) {
        T s{};
        for (std::size_t k = 0; k < 4; ++k)
          s += a(i, k) * b(k, j);
        r(i, j) = s;
      }
    return r;
  }

  friend constexpr bool operator==(const matrix4x4& a, const matrix4x4& b) { return a.m == b.m; }
  friend constexpr bool operator!=(const matrix4x4& a, const matrix4x4& b) { return !(a == b); }
};

}  // namespace Oxlen::Math
