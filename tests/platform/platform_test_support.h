#pragma once

// Helpers shared by the platform tests: portable random numbers and argument-validation checks.
// Brings in GoogleTest and the standard headers every platform test uses.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace platform_test {

/// Uniform double in [lo, hi) from the raw generator bits (the same on every standard library).
inline double Uniform(std::mt19937_64& rng, double lo = 0.0, double hi = 1.0) {
  return lo + (hi - lo) * static_cast<double>(rng() >> 11) * 0x1.0p-53;
}

/// Expects `f` to throw std::invalid_argument whose message starts with `name` + ":".
template <class F>
void ExpectInvalid(const std::string& name, F&& f) {
  try {
    f();
    ADD_FAILURE() << "no exception, expected one naming " << name;
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string(e.what()).rfind(name + ":", 0), 0u) << e.what();
  }
}

}  // namespace platform_test
