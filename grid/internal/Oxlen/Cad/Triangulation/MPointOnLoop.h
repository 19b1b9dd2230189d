#pragma once

#include <optional>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Math/point.h"

/// A point of a segmented trimming loop: its position in model space and, when the fin's curve
/// is defined in the surface's UV plane, its surface parameters.
struct MCadTriangulator::MPointOnLoop {
  Oxlen::Math::point<double, 3> point;
  std::optional<Oxlen::Math::point<double, 2>> uv;

  /// A point without surface parameters.
  explicit MPointOnLoop(const Oxlen::Math::point<double, 3>& position) : point(position) {}
  /// A point with its surface parameters.
  MPointOnLoop(const Oxlen::Math::point<double, 3>& position,
               const Oxlen::Math::point<double, 2>& parameters)
      : point(position), uv(parameters) {}

  /// The point at s between a (s = 0) and b (s = 1): positions are interpolated linearly, and the
  /// parameters too when both points have them (otherwise the result has none).
  static MPointOnLoop Interpolate(const MPointOnLoop& a, const MPointOnLoop& b, double s) {
    MPointOnLoop result(Oxlen::Math::lerp(a.point, b.point, s));
    if (a.uv && b.uv)
      result.uv = Oxlen::Math::lerp(*a.uv, *b.uv, s);
    return result;
  }
};
