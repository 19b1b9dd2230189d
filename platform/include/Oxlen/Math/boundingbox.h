#pragma once

#include <algorithm>
#include <cstddef>
#include <limits>

#include "Oxlen/Math/point.h"

namespace Oxlen::Math {

/// Axis-aligned box given by a minimum and a maximum corner.
///
/// A default-constructed box is empty: its minimum holds the largest finite value and its maximum
/// the lowest, so that the first `extend` makes it the box of that one point.
template <class T, std::size_t N>
struct boundingbox {
  point<T, N> minimum;
  point<T, N> maximum;

  constexpr boundingbox() {
    for (std::size_t i = 0; i < N; ++i) {
      minimum[i] = std::numeric_limits<T>::max();
      maximum[i] = std::numeric_limits<T>::lowest();
    }
  }
  constexpr boundingbox(const point<T, N>& lo, const point<T, N>& hi) : minimum(lo), maximum(hi) {}

  /// True when the box holds no point (some minimum exceeds its maximum).
  constexpr bool is_empty() const {
    for (std::size_t i = 0; i < N; ++i)
      if (minimum[i] > maximum[i])
        return true;
    return false;
  }

  /// Grows the box to hold p. NaN coordinates leave the box unchanged in that coordinate.
  constexpr void extend(const point<T, N>& p) {
    for (std::size_t i = 0; i < N; ++i) {
      minimum[i] = std::min(minimum[i], p[i]);
      maximum[i] = std::max(maximum[i], p[i]);
    }
  }

  /// Grows the box to hold another box; an empty box changes nothing.
  constexpr void extend(const boundingbox& b) {
    if (b.is_empty())
      return;
    extend(b.minimum);
    extend(b.maximum);
  }

  /// True when p lies in the closed box.
  constexpr bool contains(const point<T, N>& p) const {
    for (std::size_t i = 0; i < N; ++i)
      if (p[i] < minimum[i] || p[i] > maximum[i])
        return false;
    return true;
  }

  /// Vector from the minimum to the maximum corner (meaningless for an empty box).
  constexpr point<T, N> extent() const { return maximum - minimum; }

  /// Centre of the box.
  constexpr point<T, N> center() const { return (minimum + maximum) * T(0.5); }

  /// Squared distance from p to the closed box: 0 inside.
  constexpr T squared_distance(const point<T, N>& p) const {
    T s{};
    for (std::size_t i = 0; i < N; ++i) {
      T d{};
      if (p[i] < minimum[i])
        d = minimum[i] - p[i];
      else if (p[i] > maximum[i])
        d = p[i] - maximum[i];
      s += d * d;
    }
    return s;
  }
};

}  // namespace Oxlen::Math
