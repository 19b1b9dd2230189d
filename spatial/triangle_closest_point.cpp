#include "spatial/triangle_closest_point.h"

#include <algorithm>
#include <cmath>

#include "spatial/numeric_helpers.h"

namespace geometry::detail {

using Oxlen::Math::point;

namespace {

// Below this squared area (the double epsilon) a triangle is measured against its sides.
constexpr double kDegenerateSquaredArea = 2.220446049250313e-16;

double Clamp01(double t) noexcept {
  return std::clamp(t, 0.0, 1.0);
}

// Nearest point of a degenerate triangle: the best of its three sides.
double SquaredDistanceToDegenerateTriangle(const point<double, 3>& x, const point<double, 3>& p0,
                                           const point<double, 3>& p1, const point<double, 3>& p2,
                                           std::array<double, 3>& weights) noexcept {
  using geometry::detail::segment_projection_parameter;
  using geometry::detail::squared_distance_to_segment;
  const double d02 = squared_distance_to_segment(x, p0, p2);
  const double d01 = squared_distance_to_segment(x, p0, p1);
  const double d12 = squared_distance_to_segment(x, p2, p1);
  if (d01 > d02 && d12 > d02) {
    const double t = Clamp01(segment_projection_parameter(x, p0, p2));
    weights = {1.0 - t, 0.0, t};
    return d02;
  }
  if (d12 > d01) {
    const double t = Clamp01(segment_projection_parameter(x, p0, p1));
    weights = {1.0 - t, t, 0.0};
    return d01;
  }
  const double t = Clamp01(segment_projection_parameter(x, p2, p1));
  weights = {0.0, t, 1.0 - t};
  return d12;
}

// The coefficients of the squared distance q(s, t) = a00 s^2 + 2 a01 s t + a11 t^2 + 2 b0 s +
// 2 b1 t + c from x to p0 + s e0 + t e1.
struct Quadratic {
  double a00, a01, a11, b0, b1, c;

  double At(double s, double t) const noexcept {
    return s * (a00 * s + a01 * t + 2.0 * b0) + t * (a01 * s + a11 * t + 2.0 * b1) + c;
  }
};

// Minimum over x in [0, 1] of a x^2 + 2 b x + c, the distance function along the edge t = 0
// (x = s, a = a00, b = b0) or s = 0 (x = t, a = a11, b = b1).
double MinOnEdge(double a, double b, double c, double& x) noexcept {
  if (b >= 0.0) {
    x = 0.0;
    return c;
  }
  if (-b >= a) {
    x = 1.0;
    return a + 2.0 * b + c;
  }
  x = -b / a;
  return b * x + c;
}

double MinOnEdgeT0(const Quadratic& q, double& s) noexcept {
  return MinOnEdge(q.a00, q.b0, q.c, s);
}

double MinOnEdgeS0(const Quadratic& q, double& t) noexcept {
  return MinOnEdge(q.a11, q.b1, q.c, t);
}

// Minimum of q on the edge s + t = 1, parametrised by s, or by t when `alongT` (numer / denom
// before clamping).
double MinOnEdgeST1(const Quadratic& q, double numer, bool alongT, double& s, double& t) noexcept {
  const double denom = q.a00 - 2.0 * q.a01 + q.a11;
  double& x = alongT ? t : s;
  double& y = alongT ? s : t;
  if (numer >= denom) {
    x = 1.0;
    y = 0.0;
    return alongT ? q.a11 + 2.0 * q.b1 + q.c : q.a00 + 2.0 * q.b0 + q.c;
  }
  x = numer / denom;
  y = 1.0 - x;
  return q.At(s, t);
}

double SquaredDistanceToProperTriangle(const Quadratic& q, double det, double& s,
                                       double& t) noexcept {
  s = q.a01 * q.b1 - q.a11 * q.b0;
  t = q.a01 * q.b0 - q.a00 * q.b1;
  if (s + t <= det) {
    if (s < 0.0) {
      if (t < 0.0) {  // below both edges: nearest to vertex p0 or one of its edges
        if (q.b0 < 0.0) {
          t = 0.0;
          return MinOnEdgeT0(q, s);
        }
        s = 0.0;
        return MinOnEdgeS0(q, t);
      }
      s = 0.0;  // beyond the edge s = 0
      return MinOnEdgeS0(q, t);
    }
    if (t < 0.0) {  // beyond the edge t = 0
      t = 0.0;
      return MinOnEdgeT0(q, s);
    }
    s /= det;  // interior
    t /= det;
    return q.At(s, t);
  }
  if (s < 0.0) {  // beyond the vertex p2
    const double tmp0 = q.a01 + q.b0;
    const double tmp1 = q.a11 + q.b1;
    if (tmp1 > tmp0)
      return MinOnEdgeST1(q, tmp1 - tmp0, /*alongT=*/false, s, t);
    s = 0.0;  // on the edge s = 0 (tmp1 <= 0 is -b1 >= a11: the sign of a sum is exact)
    return MinOnEdgeS0(q, t);
  }
  if (t < 0.0) {  // beyond the vertex p1
    const double tmp0 = q.a01 + q.b1;
    const double tmp1 = q.a00 + q.b0;
    if (tmp1 > tmp0)
      return MinOnEdgeST1(q, tmp1 - tmp0, /*alongT=*/true, s, t);
    t = 0.0;  // on the edge t = 0
    return MinOnEdgeT0(q, s);
  }
  // Beyond the edge s + t = 1.
  const double numer = q.a11 + q.b1 - q.a01 - q.b0;
  if (numer <= 0.0) {
    s = 0.0;
    t = 1.0;
    return q.a11 + 2.0 * q.b1 + q.c;
  }
  return MinOnEdgeST1(q, numer, /*alongT=*/false, s, t);
}

}  // namespace

double SquaredDistanceToTriangle(const point<double, 3>& x, const point<double, 3>& p0,
                                 const point<double, 3>& p1, const point<double, 3>& p2,
                                 std::array<double, 3>& weights) noexcept {
  const point<double, 3> e0 = p1 - p0;
  const point<double, 3> e1 = p2 - p0;
  double squared;
  if (Oxlen::Math::squared_length(cross(e0, e1)) < kDegenerateSquaredArea) {
    squared = SquaredDistanceToDegenerateTriangle(x, p0, p1, p2, weights);
  } else {
    const point<double, 3> diff = p0 - x;
    const Quadratic q{dot(e0, e0),   dot(e0, e1),   dot(e1, e1),
                      dot(diff, e0), dot(diff, e1), dot(diff, diff)};
    const double det = std::abs(q.a00 * q.a11 - q.a01 * q.a01);
    double s = 0.0;
    double t = 0.0;
    squared = SquaredDistanceToProperTriangle(q, det, s, t);
    weights = {1.0 - s - t, s, t};
  }
  return squared < 0.0 ? 0.0 : squared;
}

}  // namespace geometry::detail
