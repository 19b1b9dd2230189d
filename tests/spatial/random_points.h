#pragma once

#include <cstdint>
#include <random>

#include "Oxlen/Math/point.h"

namespace spatial_test {

// Random coordinates from a fixed-seed engine, converted by hand so that the sequence is the
// same on every platform.
class RandomPoints {
 public:
  explicit RandomPoints(std::uint64_t seed) : engine_(seed) {}

  // Uniform double in [0, 1).
  double Unit() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }

  // Uniform double in [lo, hi).
  double In(double lo, double hi) { return lo + (hi - lo) * Unit(); }

  // Point with coordinates uniform in [-extent, extent).
  Oxlen::Math::point<double, 3> Point(double extent = 1.0) {
    const double x = In(-extent, extent);
    const double y = In(-extent, extent);
    const double z = In(-extent, extent);
    return {x, y, z};
  }

 private:
  std::mt19937_64 engine_;
};

}  // namespace spatial_test
