#include "spatial/closest_point_parameters.h"

#include "Oxlen/Cad/Triangulation/geometry/distances.h"

namespace geometry::detail {

using Oxlen::Math::point;

namespace {

// The normal equations of the closest points of the lines a1 + t1*d1 and a2 + t2*d2:
// A = d1.d1, B = d1.d2, C = d2.d2 and the determinant D = A*C - B^2.
struct LinePairSystem {
  point<double, 3> a1, d1, a2, d2;
  double A, B, C, D;
};

LinePairSystem MakeLinePairSystem(const MSegment& s1, const MSegment& s2) noexcept {
  LinePairSystem sys;
  sys.a1 = s1.first;
  sys.a2 = s2.first;
  sys.d1 = s1.second - s1.first;
  sys.d2 = s2.second - s2.first;
  sys.A = dot(sys.d1, sys.d1);
  sys.B = dot(sys.d1, sys.d2);
  sys.C = dot(sys.d2, sys.d2);
  sys.D = sys.A * sys.C - sys.B * sys.B;
  return sys;
}

double Clamp01(double t) noexcept {
  if (t > 1.0)
    return 1.0;
  if (t < 0.0)
    return 0.0;
  return t;
}

}  // namespace

std::pair<double, double> ComputeClosestParametersBetweenSegments(const MSegment& s1,
                                                                  const MSegment& s2) noexcept {
  const LinePairSystem sys = MakeLinePairSystem(s1, s2);
  double t1 = 0.0;
  if (sys.D != 0.0) {
    t1 = (dot(sys.a1 - sys.a2, sys.d2) * sys.B + dot(sys.a2 - sys.a1, sys.d1) * sys.C) / sys.D;
  }
  t1 = Clamp01(t1);
  // Projecting onto s2 and back onto s1 turns the clamped line solution (or the arbitrary start
  // of parallel segments) into the nearest pair of points of the segments.
  const double t2 = GetPointToSegmentProjectionParameter(sys.a1 + t1 * sys.d1, s2);
  t1 = GetPointToSegmentProjectionParameter(sys.a2 + t2 * sys.d2, s1);
  return {t1, t2};
}

std::pair<double, double> ComputeClosestParametersBetweenLines(const MSegment& s1,
                                                               const MSegment& s2) noexcept {
  const LinePairSystem sys = MakeLinePairSystem(s1, s2);
  if (sys.D == 0.0)
    return {0.0, 0.0};
  const double t1 =
      (dot(sys.a2 - sys.a1, sys.d1) * sys.C + dot(sys.a1 - sys.a2, sys.d2) * sys.B) / sys.D;
  const double t2 =
      (dot(sys.a1 - sys.a2, sys.d2) * sys.A + dot(sys.a2 - sys.a1, sys.d1) * sys.B) / sys.D;
  return {t1, t2};
}

}  // namespace geometry::detail
