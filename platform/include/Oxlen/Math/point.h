#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <type_traits>

namespace Oxlen::Math {

/// A point (or vector) of N coordinates of type T: a model-space point for N = 3, a UV parameter
/// point for N = 2. A plain value type; a default-constructed point is the origin.
template <class T, std::size_t N>
struct point {
  static_assert(N >= 1, "a point has at least one coordinate");
  std::array<T, N> coords{};

  constexpr point() = default;

  /// Builds a point from exactly N coordinates: point<double,3>(x, y, z).
  template <class... A>
  requires(sizeof...(A) == N && (std::is_convertible_v<A, T> && ...)) constexpr point(A... values)
      : coords{static_cast<T>(values)...} {}

  static constexpr std::size_t size() { return N; }

  constexpr T& operator[](std::size_t i) { return coords[i]; }
  constexpr const T& operator[](std::size_t i) const { return coords[i]; }

  constexpr T& x() { return coords[0]; }
  constexpr const T& x() const { return coords[0]; }
  constexpr T& y() requires(N >= 2) { return coords[1]; }
  constexpr const T& y() const requires(N >= 2) { return coords[1]; }
  constexpr T& z() requires(N >= 3) { return coords[2]; }
  constexpr const T& z() const requires(N >= 3) { return coords[2]; }

  constexpr point& operator+=(const point& o) {
    for (std::size_t i = 0; i < N; ++i)
      coords[i] += o.coords[i];
    return *this;
  }
  constexpr point& operator-=(const point& o) {
    for (std::size_t i = 0; i < N; ++i)
      coords[i] -= o.coords[i];
    return *this;
  }
  constexpr point& operator*=(T s) {
    for (std::size_t i = 0; i < N; ++i)
      coords[i] *= s;
    return *this;
  }
  constexpr point& operator/=(T s) {
    for (std::size_t i = 0; i < N; ++i)
      coords[i] /= s;
    return *this;
  }

  friend constexpr point operator+(point a, const point& b) { return a += b; }
  friend constexpr point operator-(point a, const point& b) { return a -= b; }
  friend constexpr point operator-(point a) {
    for (std::size_t i = 0; i < N; ++i)
      a.coords[i] = -a.coords[i];
    return a;
  }
  friend constexpr point operator*(point a, T s) { return a *= s; }
  friend constexpr point operator*(T s, point a) { return a *= s; }
  friend constexpr point operator/(point a, T s) { return a /= s; }

  /// Exact coordinate-wise comparison (NaN coordinates compare unequal).
  friend constexpr bool operator==(const point& a, const point& b) { return a.coords == b.coords; }
  friend constexpr bool operator!=(const point& a, const point& b) { return !(a == b); }
};

/// Dot product.
template <class T, std::size_t N>
constexpr T dot(const point<T, N>& a, const point<T, N>& b) {
  T s{};
  for (std::size_t i = 0; i < N; ++i)
    s += a[i] * b[i];
  return s;
}

/// Cross product of two 3D vectors.
template <class T>
constexpr point<T, 3> cross(const point<T, 3>& a, const point<T, 3>& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

/// Scalar cross product of two 2D vectors: a.x * b.y - a.y * b.x.
template <class T>
constexpr T cross(const point<T, 2>& a, const point<T, 2>& b) {
  return a[0] * b[1] - a[1] * b[0];
}

/// Squared Euclidean length.
template <class T, std::size_t N>
constexpr T squared_length(const point<T, N>& a) {
  return dot(a, a);
}

/// Euclidean length (plain square root of the squared length; may overflow for huge values).
template <class T, std::size_t N>
T length(const point<T, N>& a) {
  return std::sqrt(squared_length(a));
}

/// Squared Euclidean distance between two points.
template <class T, std::size_t N>
constexpr T squared_distance(const point<T, N>& a, const point<T, N>& b) {
  return squared_length(a - b);
}

/// Euclidean distance between two points.
template <class T, std::size_t N>
T distance(const point<T, N>& a, const point<T, N>& b) {
  return std::sqrt(squared_distance(a, b));
}

/// The vector scaled to unit length; the zero vector (or a non-finite one) is returned unchanged.
template <class T, std::size_t N>
point<T, N> normalized(const point<T, N>& a) {
  const T len = length(a);
  if (!(len > T(0)) || !std::isfinite(len))
    return a;
  return a / len;
}

/// True when every coordinate is finite (neither NaN nor infinite).
template <class T, std::size_t N>
bool is_finite(const point<T, N>& a) {
  for (std::size_t i = 0; i < N; ++i)
    if (!std::isfinite(a[i]))
      return false;
  return true;
}

/// Linear interpolation (1 - s) * a + s * b.
template <class T, std::size_t N>
constexpr point<T, N> lerp(const point<T, N>& a, const point<T, N>& b, T s) {
  point<T, N> r;
  for (std::size_t i = 0; i < N; ++i)
    r[i] = (T(1) - s) * a[i] + s * b[i];
  return r;
}

}  // namespace Oxlen::Math
