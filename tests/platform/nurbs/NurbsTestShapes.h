#pragma once

// Shapes with closed forms, built as NURBS, and small helpers shared by the NURBS tests.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Oxlen/Nurbs/M3dNurbsSurface.h"

namespace nurbs_test {

using Point3 = Oxlen::Math::point<double, 3>;
using Point2 = Oxlen::Math::point<double, 2>;

inline const double kHalfSqrt2 = std::numbers::sqrt2 / 2.0;

/// Uniform double in [lo, hi) from the raw generator output (portable across standard libraries).
inline double Uniform(std::mt19937_64& rng, double lo, double hi) {
  return lo + (hi - lo) * static_cast<double>(rng() >> 11) * 0x1.0p-53;
}

/// Expects `f` to throw std::invalid_argument whose message starts with `name` + ":".
template <class F>
void ExpectInvalid(F&& f, const std::string& name) {
  try {
    f();
    ADD_FAILURE() << "no exception, expected one naming " << name;
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string(e.what()).rfind(name + ":", 0), 0u) << e.what();
  }
}

/// Knots and weights of the full rational quadratic circle over [0, 1].
inline std::vector<double> CircleKnots() {
  return {0.0, 0.0, 0.0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75, 1.0, 1.0, 1.0};
}
inline std::vector<double> CircleWeights() {
  return {1.0, kHalfSqrt2, 1.0, kHalfSqrt2, 1.0, kHalfSqrt2, 1.0, kHalfSqrt2, 1.0};
}
/// Control points of the unit circle in the XY plane, (x, y).
inline std::vector<Point2> UnitCirclePoints() {
  return {{1.0, 0.0},   {1.0, 1.0},  {0.0, 1.0},  {-1.0, 1.0}, {-1.0, 0.0},
          {-1.0, -1.0}, {0.0, -1.0}, {1.0, -1.0}, {1.0, 0.0}};
}

/// The angle of the rational quadratic circle at parameter t in [0, 1]: each quarter piece with
/// local parameter s runs through pi/4 + 2 atan((2s - 1) tan(pi/8)) past its start.
inline double CircleAngle(double t) {
  const double quarter = std::min(std::floor(4.0 * t), 3.0);
  const double s = 4.0 * t - quarter;
  return quarter * std::numbers::pi / 2.0 + std::numbers::pi / 4.0 +
         2.0 * std::atan((2.0 * s - 1.0) * std::tan(std::numbers::pi / 8.0));
}

/// Cylinder of radius r around Z from z = 0 (v = 0) to z = height (v = 1); U runs once around
/// the circle (rational), V is linear.
inline M3dNurbsSurface Cylinder(double r, double height) {
  std::vector<Point3> points;
  std::vector<double> weights;
  const std::vector<double> circleWeights = CircleWeights();
  const std::vector<Point2> circle = UnitCirclePoints();
  for (std::size_t i = 0; i < circle.size(); ++i) {
    for (double z : {0.0, height}) {
      points.emplace_back(r * circle[i][0], r * circle[i][1], z);
      weights.push_back(circleWeights[i]);
    }
  }
  return M3dNurbsSurface(3, 2, 9, 2, CircleKnots(), {0.0, 0.0, 1.0, 1.0}, points, weights);
}

/// Surface of revolution around Z of the profile arc x = R + a cos(phi), z = a sin(phi),
/// phi in [0, pi/2] (V), turned through the quarter turn [0, pi/2] (U): a torus patch, doubly
/// curved and rational in both directions. Its points lie at distance a from the tube circle.
inline M3dNurbsSurface TorusPatch(double bigR, double a) {
  const std::vector<Point2> profile{{bigR + a, 0.0}, {bigR + a, a}, {bigR, a}};
  const std::vector<Point2> turn{{1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}};
  const std::vector<double> w{1.0, kHalfSqrt2, 1.0};
  std::vector<Point3> points;
  std::vector<double> weights;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      points.emplace_back(profile[j][0] * turn[i][0], profile[j][0] * turn[i][1], profile[j][1]);
      weights.push_back(w[i] * w[j]);
    }
  }
  const std::vector<double> bezier{0.0, 0.0, 0.0, 1.0, 1.0, 1.0};
  return M3dNurbsSurface(3, 3, 3, 3, bezier, bezier, points, weights);
}

/// Hemisphere of radius r around Z: U runs once around (rational circle), V from the equator
/// (v = 0) to the pole (0, 0, r) at v = 1, where the whole edge collapses to one point.
inline M3dNurbsSurface Hemisphere(double r) {
  const std::vector<Point2> profile{{r, 0.0}, {r, r}, {0.0, r}};
  const std::vector<double> profileWeights{1.0, kHalfSqrt2, 1.0};
  const std::vector<Point2> circle = UnitCirclePoints();
  const std::vector<double> circleWeights = CircleWeights();
  std::vector<Point3> points;
  std::vector<double> weights;
  for (std::size_t i = 0; i < circle.size(); ++i) {
    for (int j = 0; j < 3; ++j) {
      points.emplace_back(profile[j][0] * circle[i][0], profile[j][0] * circle[i][1],
                          profile[j][1]);
      weights.push_back(circleWeights[i] * profileWeights[j]);
    }
  }
  return M3dNurbsSurface(3, 3, 9, 3, CircleKnots(), {0.0, 0.0, 0.0, 1.0, 1.0, 1.0}, points,
                         weights);
}

/// A bicubic patch whose whole border v = 0 collapses to one point: a curved triangle, twice as
/// long from the collapsed corner to the opposite border as that border is wide.
inline M3dNurbsSurface Fan() {
  std::vector<Point3> points;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      points.push_back(j == 0 ? Point3(1.5, -6.0, 0.0)
                              : Point3(i, 2.0 * j, 0.3 * std::sin(1.0 + i * j) + 0.1 * i));
  const std::vector<double> bezier{0, 0, 0, 0, 1, 1, 1, 1};
  return M3dNurbsSurface(4, 4, 4, 4, bezier, bezier, points);
}

/// A rational bicubic x biquadratic surface with random control points and weights and interior
/// knots: generic, several spans in each direction.
inline M3dNurbsSurface RandomRationalSurface(std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  const std::vector<double> knotsU{0.0, 0.0, 0.0, 0.0, 0.3, 0.7, 1.0, 1.0, 1.0, 1.0};
  const std::vector<double> knotsV{-1.0, -1.0, -1.0, 0.5, 2.0, 2.0, 2.0};
  std::vector<Point3> points;
  std::vector<double> weights;
  for (int i = 0; i < 6; ++i) {
    for (int j = 0; j < 4; ++j) {
      points.emplace_back(i + Uniform(rng, -0.3, 0.3), j + Uniform(rng, -0.3, 0.3),
                          Uniform(rng, -1.0, 1.0));
      weights.push_back(Uniform(rng, 0.5, 2.0));
    }
  }
  return M3dNurbsSurface(4, 3, 6, 4, knotsU, knotsV, points, weights);
}

}  // namespace nurbs_test
