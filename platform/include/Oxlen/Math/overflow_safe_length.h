#pragma once

#include <cmath>
#include <limits>
#include <utility>

#include "Oxlen/Math/point.h"

namespace Oxlen::Math {

/// Euclidean length of `v` computed without intermediate overflow or underflow: with m the
/// largest absolute component, raised to at least the smallest positive subnormal double, and
/// a >= b the other two absolute components, the length is m * sqrt(1 + (a/m)^2 + (b/m)^2).
/// Components near 1e300 or 1e-300 give their true length where the plain sum of squares would
/// give infinity or zero.
/// @param[in] v the vector
/// @return the length; the zero vector gives the smallest subnormal double (about 4.9e-324), so
///         that dividing by the length never divides by zero; a NaN component gives NaN; an
///         infinite one gives infinity (NaN if two are infinite).
inline double overflow_safe_length(const point<double, 3>& v) noexcept {
  double largest = std::fabs(v[0]);
  double middle = std::fabs(v[1]);
  double smallest = std::fabs(v[2]);
  // Sort descending. A NaN never compares, so it stays where it is and the result becomes NaN
  // through either the scale or one of the ratios.
  if (largest < middle)
    std::swap(largest, middle);
  if (middle < smallest)
    std::swap(middle, smallest);
  if (largest < middle)
    std::swap(largest, middle);
  // Raising the scale to the smallest subnormal keeps the ratios finite for the zero vector.
  constexpr double kSmallestScale = std::numeric_limits<double>::denorm_min();
  const double scale = largest < kSmallestScale ? kSmallestScale : largest;
  const double a = middle / scale;
  const double b = smallest / scale;
  return scale * std::sqrt(1.0 + a * a + b * b);
}

/// The length of a vector of the plane: `overflow_safe_length` of (v[0], v[1], 0), with the same
/// degenerate results.
/// @param[in] v the vector
inline double overflow_safe_length(const point<double, 2>& v) noexcept {
  return overflow_safe_length(point<double, 3>(v[0], v[1], 0.0));
}

}  // namespace Oxlen::Math
