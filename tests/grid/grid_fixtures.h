#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/MAnalyticalSurface.h"
#include "Oxlen/Cad/Triangulation/MQuads.h"
#include "Oxlen/Math/point.h"
#include "grid/function_surface.h"

namespace grid_test {

using MQuads = MCadTriangulator::MQuads;
using MAnalyticalSurface = MCadTriangulator::MAnalyticalSurface;
using MSurfaceIsolines = MCadTriangulator::MSurfaceIsolines;
using MVertexIndex = MQuads::MVertexIndex;
using MQuadIndex = MQuads::MQuadIndex;
using MQuadEdge = MQuads::MQuadEdge;
using Point3 = Oxlen::Math::point<double, 3>;
using Point2 = Oxlen::Math::point<double, 2>;
inline constexpr double kPi = std::numbers::pi;

/// n + 1 evenly spaced values from lo to hi (both ends exact).
inline std::vector<double> Spaced(double lo, double hi, int n) {
  std::vector<double> values;
  for (int k = 0; k <= n; ++k)
    values.push_back(k == n ? hi : lo + (hi - lo) * k / n);
  return values;
}

/// The plane z = 0 over [0, 1] x [0, 1], S(u, v) = (u, v, 0).
inline FunctionSurface UnitSquare() {
  return FunctionSurface([](double u, double v) { return Point3(u, v, 0.0); }, {0.0, 1.0},
                         {0.0, 1.0});
}

/// Expects `call` to throw std::invalid_argument whose message starts with `prefix`.
template <typename Call>
void ExpectInvalid(Call call, const std::string& prefix) {
  try {
    call();
    ADD_FAILURE() << "accepted: " << prefix;
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
  }
}

}  // namespace grid_test
