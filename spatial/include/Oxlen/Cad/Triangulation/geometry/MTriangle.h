#pragma once

#include <array>
#include <cstddef>

#include "Oxlen/Math/point.h"

/// A triangle with corners A, B and C of type `Oxlen::Math::point<T, N>`, in this order. The
/// order fixes the meaning of barycentric weights (wA, wB, wC) and the edge order AB, BC, CA. A
/// plain value type; any three points form a valid value, including coincident or collinear ones
/// (a degenerate triangle). A default-constructed triangle has all three corners at the origin.
template <class T, std::size_t N>
class MTriangle {
 public:
  using point_type = Oxlen::Math::point<T, N>;

  constexpr MTriangle() = default;

  /// Builds the triangle (a, b, c).
  /// @param[in] a corner A
  /// @param[in] b corner B
  /// @param[in] c corner C
  constexpr MTriangle(const point_type& a, const point_type& b, const point_type& c)
      : corners_{a, b, c} {}

  constexpr const point_type& A() const { return corners_[0]; }
  constexpr const point_type& B() const { return corners_[1]; }
  constexpr const point_type& C() const { return corners_[2]; }
  constexpr point_type& A() { return corners_[0]; }
  constexpr point_type& B() { return corners_[1]; }
  constexpr point_type& C() { return corners_[2]; }

  /// Corner by index: 0 is A, 1 is B, 2 is C.
  /// @pre i < 3
  constexpr const point_type& operator[](std::size_t i) const { return corners_[i]; }
  constexpr point_type& operator[](std::size_t i) { return corners_[i]; }

 private:
  std::array<point_type, 3> corners_{};
};
