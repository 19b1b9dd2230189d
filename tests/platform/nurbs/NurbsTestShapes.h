#pragma once

// Shapes with closed forms, built as NURBS, shared by the NURBS tests.

#include "Oxlen/Nurbs/M3dNurbsSurface.h"
#include "platform/platform_test_support.h"

namespace nurbs_test {

using Point3 = Oxlen::Math::point<double, 3>;
using Point2 = Oxlen::Math::point<double, 2>;
using platform_test::ExpectInvalid;
using platform_test::Uniform;

inline const double kW = std::numbers::sqrt2 / 2.0;  // weight of a quarter-circle's middle point
inline const std::vector<double> kBezier2{0, 0, 0, 1, 1, 1};

/// The full rational quadratic unit circle (x, y) over [0, 1]: knots, points and weights.
inline const std::vector<double> kCircleKnots{0, 0, 0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75, 1, 1, 1};
inline const std::vector<Point2> kCirclePoints{{1, 0},   {1, 1},  {0, 1},  {-1, 1}, {-1, 0},
                                               {-1, -1}, {0, -1}, {1, -1}, {1, 0}};
inline const std::vector<double> kCircleWeights{1, kW, 1, kW, 1, kW, 1, kW, 1};

/// The angle of that circle at t in [0, 1]: each quarter piece with local parameter s runs
/// through pi/4 + 2 atan((2s - 1) tan(pi/8)) past its start.
inline double CircleAngle(double t) {
  const double quarter = std::min(std::floor(4.0 * t), 3.0), s = 4.0 * t - quarter;
  return (quarter + 0.5) * std::numbers::pi / 2.0 +
         2.0 * std::atan((2.0 * s - 1.0) * std::tan(std::numbers::pi / 8.0));
}

/// The profile (radius, z) along V turned once around Z along U, starting on +X.
inline M3dNurbsSurface Revolve(const std::vector<Point2>& profile, const std::vector<double>& w,
                               const std::vector<double>& knots) {
  std::vector<Point3> points;
  std::vector<double> weights;
  for (std::size_t i = 0; i < kCirclePoints.size() * profile.size(); ++i) {
    const Point2 &turn = kCirclePoints[i / profile.size()], &p = profile[i % profile.size()];
    points.emplace_back(p[0] * turn[0], p[0] * turn[1], p[1]);
    weights.push_back(kCircleWeights[i / profile.size()] * w[i % profile.size()]);
  }
  return M3dNurbsSurface(3, int(knots.size() - profile.size()), 9, int(profile.size()),
                         kCircleKnots, knots, points, weights);
}

/// Cylinder of radius r around Z from z = 0 (v = 0) to z = height (v = 1).
inline M3dNurbsSurface Cylinder(double r, double height) {
  return Revolve({{r, 0}, {r, height}}, {1, 1}, {0, 0, 1, 1});
}

/// Sphere of radius r around Z: V runs from the south pole (0, 0, -r) to the north pole; each
/// of the edges v = 0 and v = 1 collapses to one point.
inline M3dNurbsSurface Sphere(double r) {
  return Revolve({{0, -r}, {r, -r}, {r, 0}, {r, r}, {0, r}}, {1, kW, 1, kW, 1},
                 {0, 0, 0, 0.5, 0.5, 1, 1, 1});
}

/// The arc x = R + a cos(phi), z = a sin(phi), phi in [0, pi/2] (V), turned around Z: a torus
/// band, doubly curved and rational in both directions.
inline M3dNurbsSurface Torus(double bigR, double a) {
  return Revolve({{bigR + a, 0}, {bigR + a, a}, {bigR, a}}, {1, kW, 1}, kBezier2);
}

/// A rational bicubic x biquadratic surface with random control points and weights and interior
/// knots: generic, several spans in each direction, domain [0, 1] x [-1, 2].
inline M3dNurbsSurface RandomRationalSurface(std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<Point3> points;
  std::vector<double> weights;
  for (int i = 0; i < 24; ++i) {
    points.emplace_back(i / 4 + Uniform(rng, -0.3, 0.3), i % 4 + Uniform(rng, -0.3, 0.3),
                        Uniform(rng, -1.0, 1.0));
    weights.push_back(Uniform(rng, 0.5, 2.0));
  }
  return M3dNurbsSurface(4, 3, 6, 4, {0, 0, 0, 0, 0.3, 0.7, 1, 1, 1, 1}, {-1, -1, -1, 0.5, 2, 2, 2},
                         points, weights);
}

}  // namespace nurbs_test
