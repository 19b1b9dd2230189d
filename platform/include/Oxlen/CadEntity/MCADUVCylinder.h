#pragma once

#include "Oxlen/CadEntity/MCADUVSurfaceOfRevolution.h"
#include "Oxlen/Export.h"

/// A patch of a circular cylinder around the Z axis of its frame.
///
/// Parametrisation, in model units: P(u, v) = O + r (cos u X + sin u Y) + v Z, where O, X, Y, Z
/// are the frame's origin and axes and r the radius. u is the angle around the axis in radians,
/// measured from X towards Y; v is the height along Z in model units. `EvaluatePoint` returns
/// 10000 P(u, v) (internal units); any finite parameters are accepted.
///
/// U is periodic with period 2 pi (its limits carry that period) and spans at most a full turn;
/// V is not periodic.
/// Regular grid: U holds uMin, every multiple of pi / 2 strictly inside (uMin, uMax) and uMax;
/// V holds {vMin, vMax}.
/// Inversion: u as for every surface of revolution; v is the point's height, clamped to
/// [vMin, vMax].
class OXLEN_CAD_TRIANGULATION_API MCADUVCylinder : public MCADUVSurfaceOfRevolution {
 public:
  /// @param[in] frame      placement (model units); orthonormal and right-handed, as built by
  ///                       MCADFrame's constructor. Z is the axis.
  /// @param[in] radius     radius in model units; positive, up to 1e100.
  /// @param[in] uMin, uMax angular limits in radians; finite, 0 < uMax - uMin <= 2 pi (a surplus
  ///                       of 1e-10 is tolerated for rounding).
  /// @param[in] vMin, vMax height limits in model units; finite, vMin < vMax.
  /// @throws std::invalid_argument naming the argument ("frame", "radius", "uMin", "uMax",
  ///         "vMin", "vMax") when one of these conditions fails.
  MCADUVCylinder(const MCADFrame& frame, double radius, double uMin, double uMax, double vMin,
                 double vMax);

 private:
  /// (r, v).
  Oxlen::Math::point<double, 2> MeridianPoint(double v) const override;

  /// The height, clamped to [vMin, vMax].
  double NearestOnMeridian(double radial, double height) const override;
};
