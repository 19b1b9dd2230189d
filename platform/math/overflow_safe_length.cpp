#include "Oxlen/Math/overflow_safe_length.h"

#include <cmath>
#include <limits>
#include <utility>

namespace Oxlen::Math {

double overflow_safe_length(const point<double, 3>& v) noexcept {
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

double overflow_safe_length(const point<double, 2>& v) noexcept {
  return overflow_safe_length(point<double, 3>(v[0], v[1], 0.0));
}

}  // namespace Oxlen::Math
