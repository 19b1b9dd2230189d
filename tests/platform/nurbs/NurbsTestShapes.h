#pragma once

// Shapes with closed forms, built as NURBS, and small helpers shared by the NURBS tests.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "Oxlen/Nurbs/M3dNurbsSurface.h"

namespace nurbs_test {

using Point3 = Oxlen::Math::point<double, 3>;
using Point2 = Oxlen::Math::point<double, 2>;

inline const double kHalfSqrt2 = std::numbers::sqrt2 / 2.0;
inline const std::vector<double> kBezier2{0, 0, 0, 1, 1, 1};

/// Uniform double in [lo, hi) from the raw generator output (portable across standard libraries).
inline double Uniform(std::mt19937_64& rng, double lo, double hi) {
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

/// Knots of the full rational quadratic circle over [0, 1], and its unit control points (x, y)
/// with their weights.
inline const std::vector<double> kCircleKnots{0, 0, 0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75, 1, 1, 1};
inline const std::vector<Point2> kCirclePoints{{1, 0},   {1, 1},  {0, 1},  {-1, 1}, {-1, 0},
                                               {-1, -1}, {0, -1}, {1, -1}, {1, 0}};
inline const std::vector<double> kCircleWeights{1,          kHalfSqrt2, 1,          kHalfSqrt2, 1,
                                                kHalfSqrt2, 1,          kHalfSqrt2, 1};

/// The angle of the rational quadratic circle at parameter t in [0, 1]: each quarter piece with
/// local parameter s runs through pi/4 + 2 atan((2s - 1) tan(pi/8)) past its start.
inline double CircleAngle(double t) {
  const double quarter = std::min(std::floor(4.0 * t), 3.0);
  const double s = 4.0 * t - quarter;
  return quarter * std::numbers::pi / 2.0 + std::numbers::pi / 4.0 +
         2.0 * std::atan((2.0 * s - 1.0) * std::tan(std::numbers::pi / 8.0));
}

/// The profile (radius, z) turned around Z along `turn` (U, rational, unit points (x, y)); the
/// profile runs along V.
inline M3dNurbsSurface Revolve(const std::vector<Point2>& turn, const std::vector<double>& turnW,
                               const std::vector<double>& turnKnots,
                               const std::vector<Point2>& profile,
                               const std::vector<double>& profileW,
                               const std::vector<double>& profileKnots) {
  std::vector<Point3> points;
  std::vector<double> weights;
  for (std::size_t i = 0; i < turn.size(); ++i) {
    for (std::size_t j = 0; j < profile.size(); ++j) {
      points.emplace_back(profile[j][0] * turn[i][0], profile[j][0] * turn[i][1], profile[j][1]);
      weights.push_back(turnW[i] * profileW[j]);
    }
  }
  const int orderU = int(turnKnots.size() - turn.size()),
            orderV = int(profileKnots.size() - profile.size());
  return M3dNurbsSurface(orderU, orderV, int(turn.size()), int(profile.size()), turnKnots,
                         profileKnots, points, weights);
}

/// Cylinder of radius r around Z from z = 0 (v = 0) to z = height (v = 1); U runs once around.
inline M3dNurbsSurface Cylinder(double r, double height) {
  return Revolve(kCirclePoints, kCircleWeights, kCircleKnots, {{r, 0}, {r, height}}, {1, 1},
                 {0, 0, 1, 1});
}

/// Hemisphere of radius r around Z: V runs from the equator (v = 0) to the pole (0, 0, r) at
/// v = 1, where the whole edge collapses to one point.
inline M3dNurbsSurface Hemisphere(double r) {
  return Revolve(kCirclePoints, kCircleWeights, kCircleKnots, {{r, 0}, {r, r}, {0, r}},
                 {1, kHalfSqrt2, 1}, kBezier2);
}

/// The profile arc x = R + a cos(phi), z = a sin(phi), phi in [0, pi/2] (V), turned through a
/// quarter turn (U): a torus patch, doubly curved and rational in both directions.
inline M3dNurbsSurface TorusPatch(double bigR, double a) {
  return Revolve({{1, 0}, {1, 1}, {0, 1}}, {1, kHalfSqrt2, 1}, kBezier2,
                 {{bigR + a, 0}, {bigR + a, a}, {bigR, a}}, {1, kHalfSqrt2, 1}, kBezier2);
}

/// A bicubic patch whose whole border v = 0 collapses to one point: a curved triangle.
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
/// knots: generic, several spans in each direction, domain [0, 1] x [-1, 2].
inline M3dNurbsSurface RandomRationalSurface(std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<Point3> points;
  std::vector<double> weights;
  for (int i = 0; i < 6; ++i) {
    for (int j = 0; j < 4; ++j) {
      points.emplace_back(i + Uniform(rng, -0.3, 0.3), j + Uniform(rng, -0.3, 0.3),
                          Uniform(rng, -1.0, 1.0));
      weights.push_back(Uniform(rng, 0.5, 2.0));
    }
  }
  return M3dNurbsSurface(4, 3, 6, 4, {0, 0, 0, 0, 0.3, 0.7, 1, 1, 1, 1}, {-1, -1, -1, 0.5, 2, 2, 2},
                         points, weights);
}

}  // namespace nurbs_test
