#pragma once

#include "Oxlen/CadEntity/MCADUVAnalyticSurface.h"
#include "Oxlen/Export.h"

/// A rectangle of a plane.
///
/// Parametrisation, in model units: P(u, v) = O + u X + v Y, where O, X, Y are the origin and the
/// first two axes of the frame; u and v are lengths in model units. `EvaluatePoint` returns
/// 10000 P(u, v) (internal units); parameters outside the limits extend the plane. Neither
/// direction is periodic.
///
/// Regular grid: U {uMin, uMax}, V {vMin, vMax}.
/// Inversion: the orthogonal projection onto the plane, each coordinate clamped to its limits,
/// which is the nearest point of the rectangle.
class OXLEN_CAD_TRIANGULATION_API MCADUVPlane : public MCADUVAnalyticSurface {
 public:
  /// @param[in] frame      placement of the plane (model units); orthonormal and right-handed
  ///                       as built by MCADFrame's constructor.
  /// @param[in] uMin, uMax limits along X, in model units; finite, uMin < uMax.
  /// @param[in] vMin, vMax limits along Y, in model units; finite, vMin < vMax.
  /// @throws std::invalid_argument naming the argument ("frame", "uMin", "uMax", "vMin", "vMax")
  ///         when a value is not finite or beyond 1e100 in magnitude (the frame's origin too), a
  ///         frame is not orthonormal or a maximum does not exceed its minimum.
  MCADUVPlane(const MCADFrame& frame, double uMin, double uMax, double vMin, double vMax);

 private:
  /// (u, v, 0).
  Oxlen::Math::point<double, 3> LocalPoint(const Oxlen::Math::point<double, 2>& uv) const override;

  /// The projection onto the plane, each coordinate clamped to its limits.
  Oxlen::Math::point<double, 2> NearestParameters(
      const Oxlen::Math::point<double, 3>& p) const override;
};
