#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <random>
#include <vector>

#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"
#include "grid/grid_fixtures.h"
#include "spatial/numeric_helpers.h"

namespace {

using namespace grid_test;
using Polyline = std::vector<Point3>;
using Parameters = std::vector<double>;

// Decimates `parameters` against `polylines` and returns what is left.
Parameters Decimate(Parameters parameters, const std::vector<Polyline>& polylines,
                    double tolerance) {
  MCadTriangulator::MQuadrangulatedSurface::DecimateParameters(parameters, polylines, tolerance);
  return parameters;
}

TEST(DecimateParameters, KeepsParametersWithoutPolylinesAndRefusesPolylinesOfAnotherLength) {
  EXPECT_EQ(Decimate({0, 1, 2, 3}, {}, 0.1), (Parameters{0, 1, 2, 3}));
  ExpectInvalid([] { Decimate({0, 1, 2, 3}, {Polyline(3)}, 0.1); }, "polylines");
}

// The decimation rule restated as plainly as possible: score every interior point, remove the
// first of the lowest scores, repeat. Quadratic, but obviously what the rule says.
Parameters ReferenceDecimate(Parameters parameters, std::vector<Polyline> polylines,
                             double tolerance) {
  const auto unit = [](const Point3& v) {
    const double length = geometry::detail::overflow_safe_length(v);
    return length == 0.0 ? v : v / length;
  };
  while (parameters.size() >= 3) {
    std::size_t best = 0;
    double bestScore = 0.0;
    for (std::size_t k = 1; k + 1 < parameters.size(); ++k) {
      double score = -1.0;
      for (const Polyline& p : polylines) {
        const double d =
            std::sqrt(geometry::detail::squared_distance_to_segment(p[k], p[k - 1], p[k + 1]));
        if (d > tolerance)
          score = std::numeric_limits<double>::max();
        if (d >= tolerance / 1000.0)
          score = std::max(
              score, Oxlen::Math::length(cross(unit(p[k - 1] - p[k]), unit(p[k] - p[k + 1]))));
      }
      if (best == 0 || score < bestScore) {
        best = k;
        bestScore = score;
      }
    }
    if (bestScore > 0.5)
      break;
    parameters.erase(parameters.begin() + static_cast<std::ptrdiff_t>(best));
    for (Polyline& p : polylines)
      p.erase(p.begin() + static_cast<std::ptrdiff_t>(best));
  }
  return parameters;
}

TEST(DecimateParameters, AgreesWithThePlainRuleOnRandomPolylines) {
  // Lattice steps make many scores exactly equal, so the tie rule (first in order) is exercised.
  std::mt19937_64 random(11);
  for (int trial = 0; trial < 400; ++trial) {
    const std::size_t count = 3 + random() % 80;
    const std::size_t polylineCount = 1 + random() % 3;
    Parameters parameters(count);
    for (std::size_t k = 0; k < count; ++k)
      parameters[k] = static_cast<double>(k);
    std::vector<Polyline> polylines(polylineCount);
    for (Polyline& polyline : polylines) {
      Point3 at(0, 0, 0);
      Point3 step(1, 0, 0);
      for (std::size_t k = 0; k < count; ++k) {
        polyline.push_back(at);
        if (random() % 4 == 0)
          step = Point3(static_cast<double>(random() % 5), static_cast<double>(random() % 3) - 1,
                        static_cast<double>(random() % 2));
        at = at + step;
      }
    }
    const double tolerance = std::array{0.05, 0.5, 2.0}[random() % 3];
    EXPECT_EQ(Decimate(parameters, polylines, tolerance),
              ReferenceDecimate(parameters, polylines, tolerance))
        << "trial " << trial;
  }
}

}  // namespace
