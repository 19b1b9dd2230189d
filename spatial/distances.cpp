#include "Oxlen/Cad/Triangulation/geometry/distances.h"

#include <cmath>
#include <limits>

#include "spatial/closest_point_parameters.h"
#include "spatial/numeric_helpers.h"

namespace geometry {

using Oxlen::Math::point;

namespace {

// Point of s at parameter t: first + t*(second - first).
inline point<double, 3> PointAt(const MSegment& s, double t) noexcept {
  return s.first + t * (s.second - s.first);
}

// The running nearest candidate of the point-triangle distance with its barycentric weights.
struct NearestCandidate {
  double squared_distance = std::numeric_limits<double>::max();
  double weights[3] = {std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::quiet_NaN()};

  // Takes the candidate only if it is strictly nearer, so ties keep the earlier one. A NaN
  // distance never replaces.
  void Offer(double d2, double w0, double w1, double w2) noexcept {
    if (!(d2 < squared_distance))
      return;
    squared_distance = d2;
    weights[0] = w0;
    weights[1] = w1;
    weights[2] = w2;
  }
};

// The exported point-segment functions and the point-triangle distance share these. Being
// local, they are inlined into the triangle distance, which the exported functions (open to
// interposition in a shared library) are not.
inline double ProjectionParameter(const point<double, 3>& p, const MSegment& s) noexcept {
  const point<double, 3> d = s.second - s.first;
  const double squared_length = dot(d, d);
  if (squared_length == 0.0)
    return 0.0;
  const double t = dot(p - s.first, d) / squared_length;
  if (t > 1.0)
    return 1.0;
  if (t < 0.0)
    return 0.0;
  return t;
}

inline double SquaredDistanceToSegment(double& t, const point<double, 3>& p,
                                       const MSegment& s) noexcept {
  t = ProjectionParameter(p, s);
  return squared_distance(p, PointAt(s, t));
}

}  // namespace

double GetPointToSegmentProjectionParameter(const point<double, 3>& p, const MSegment& s) noexcept {
  return ProjectionParameter(p, s);
}

double ComputeSquaredDistanceBetweenPointAndSegment(double& t, const point<double, 3>& p,
                                                    const MSegment& s) noexcept {
  return SquaredDistanceToSegment(t, p, s);
}

double ComputeDistanceBetweenPointAndSegment(double& t, const point<double, 3>& p,
                                             const MSegment& s) noexcept {
  return std::sqrt(ComputeSquaredDistanceBetweenPointAndSegment(t, p, s));
}

double ComputeDistanceBetweenPointAndSegment(const point<double, 3>& p,
                                             const MSegment& s) noexcept {
  double t = 0.0;
  return ComputeDistanceBetweenPointAndSegment(t, p, s);
}

double ComputeDistanceBetweenSegments(const MSegment& s1, const MSegment& s2) noexcept {
  const auto [t1, t2] = detail::ComputeClosestParametersBetweenSegments(s1, s2);
  return detail::overflow_safe_distance(PointAt(s1, t1), PointAt(s2, t2));
}

double ComputeSquaredDistanceBetweenPointAndTriangle(const point<double, 3>& p,
                                                     const MTriangle<double, 3>& tri,
                                                     double* barycentric) noexcept {
  const point<double, 3>& a = tri.A();
  const point<double, 3>& b = tri.B();
  const point<double, 3>& c = tri.C();

  // Plane coordinates of the foot of p: A + s*e1 + t*e2. A degenerate triangle makes the
  // denominator (or d11) zero; the resulting NaN or infinity fails the interior test below.
  const point<double, 3> e1 = b - a;
  const point<double, 3> e2 = c - a;
  const point<double, 3> w = p - a;
  const double d11 = dot(e1, e1);
  const double d12 = dot(e1, e2);
  const double d22 = dot(e2, e2);
  const double w1 = dot(w, e1);
  const double w2 = dot(w, e2);
  const double t = (w2 * d11 - d12 * w1) / (d22 * d11 - d12 * d12);
  const double s = (w1 - t * d12) / d11;

  NearestCandidate nearest;
  double u = 0.0;
  double d2 = SquaredDistanceToSegment(u, p, MSegment{a, b});
  nearest.Offer(d2, 1.0 - u, u, 0.0);
  d2 = SquaredDistanceToSegment(u, p, MSegment{b, c});
  nearest.Offer(d2, 0.0, 1.0 - u, u);
  d2 = SquaredDistanceToSegment(u, p, MSegment{c, a});
  nearest.Offer(d2, u, 0.0, 1.0 - u);

  if (s >= 0.0 && t >= 0.0 && s + t <= 1.0) {
    const point<double, 3> foot = a + s * e1 + t * e2;
    nearest.Offer(squared_distance(p, foot), 1.0 - s - t, s, t);
  }

  if (barycentric != nullptr) {
    barycentric[0] = nearest.weights[0];
    barycentric[1] = nearest.weights[1];
    barycentric[2] = nearest.weights[2];
  }
  return nearest.squared_distance;
}

}  // namespace geometry
