#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"
#include "grid/grid_fixtures.h"

namespace {

using namespace grid_test;
using MQuadrangulatedSurface = MCadTriangulator::MQuadrangulatedSurface;
using Polyline = std::vector<Point3>;

// Points of a polyline of unit steps that turns by `turn` radians at every interior point.
Polyline Arc(int count, double turn) {
  Polyline points{Point3(0, 0, 0)};
  double direction = 0.0;
  for (int k = 1; k < count; ++k) {
    points.push_back(points.back() + Point3(std::cos(direction), std::sin(direction), 0.0));
    direction += turn;
  }
  return points;
}

TEST(DecimateParameters, ShortListsAndMissingPolylinesAreKept) {
  std::vector<double> two{0.0, 1.0};
  MQuadrangulatedSurface::DecimateParameters(two, {{Point3(0, 0, 0), Point3(1, 0, 0)}}, 0.1);
  EXPECT_EQ(two, (std::vector<double>{0.0, 1.0}));
  std::vector<double> straight{0.0, 1.0, 2.0, 3.0};
  MQuadrangulatedSurface::DecimateParameters(straight, {}, 0.1);
  EXPECT_EQ(straight.size(), 4u);

  try {
    MQuadrangulatedSurface::DecimateParameters(straight, {Arc(3, 0.0)}, 0.1);
    FAIL();
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string(e.what()).rfind("polylines", 0), 0u);
  }
}

TEST(DecimateParameters, StraightPolylinesKeepOnlyTheirEnds) {
  std::vector<double> parameters{0.0, 0.1, 0.3, 0.35, 0.8, 1.0};
  MQuadrangulatedSurface::DecimateParameters(parameters, {Arc(6, 0.0), Arc(6, 1e-9)}, 0.01);
  EXPECT_EQ(parameters, (std::vector<double>{0.0, 1.0}));
}

TEST(DecimateParameters, TiesRemoveTheLowestIndexFirst) {
  // A polyline symmetric about its middle: both interior points score exactly the sine of the
  // same 28.8 degree turn (0.48). The first goes; then the second turns by 39.2 degrees (sine
  // 0.63) and stays. Removing the second first would have kept the first instead.
  const Polyline symmetric{Point3(-2, 0, 0), Point3(-1, 0.55, 0), Point3(1, 0.55, 0),
                           Point3(2, 0, 0)};
  std::vector<double> parameters{0.0, 1.0, 2.0, 3.0};
  MQuadrangulatedSurface::DecimateParameters(parameters, {symmetric}, 10.0);
  EXPECT_EQ(parameters, (std::vector<double>{0.0, 2.0, 3.0}));

  // Turns above 30 degrees everywhere: nothing goes.
  std::vector<double> sharp{0.0, 1.0, 2.0, 3.0, 4.0};
  MQuadrangulatedSurface::DecimateParameters(sharp, {Arc(5, 0.6)}, 10.0);
  EXPECT_EQ(sharp.size(), 5u);
}

TEST(DecimateParameters, PointsBeyondTheToleranceAreNeverRemoved) {
  std::mt19937_64 random(3);
  for (int trial = 0; trial < 50; ++trial) {
    const int count = 5 + static_cast<int>(random() % 20);
    const int spike = 1 + static_cast<int>(random() % (count - 2));
    const double tolerance = 0.01;
    // A wavy polyline whose gentle bends go, plus one spike far beyond the tolerance.
    Polyline points;
    std::vector<double> parameters;
    for (int k = 0; k < count; ++k) {
      const double jitter = ((random() >> 11) * 0x1.0p-53 - 0.5) * 0.004;
      points.emplace_back(k, jitter + (k == spike ? 5.0 : 0.0), 0.0);
      parameters.push_back(k);
    }
    MQuadrangulatedSurface::DecimateParameters(parameters, {points}, tolerance);
    EXPECT_EQ(parameters.front(), 0.0);
    EXPECT_EQ(parameters.back(), count - 1.0);
    EXPECT_NE(std::find(parameters.begin(), parameters.end(), static_cast<double>(spike)),
              parameters.end());
    EXPECT_TRUE(std::is_sorted(parameters.begin(), parameters.end()));
  }
}

}  // namespace
