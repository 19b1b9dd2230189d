#pragma once

#include "Oxlen/CadEntity/MCADUVSurfaceOfRevolution.h"
#include "Oxlen/Export.h"

/// A patch of a circular cone around the Z axis of its frame.
///
/// Parametrisation, in model units: P(u, v) = O + (r + v sin a)(cos u X + sin u Y) + v cos a Z,
/// where O, X, Y, Z are the frame's origin and axes, r the reference radius (the radius of the
/// circle v = 0 in the plane of O) and a the half angle at the apex. u is the angle around the
/// axis in radians, measured from X towards Y; v is the length along a generator line from the
/// reference circle, in model units, growing away from the apex. The apex is at
/// v = -r / sin a. `EvaluatePoint` returns 10000 P(u, v) (internal units); any finite parameters
/// are accepted (beyond the apex the formula continues onto the opposite nappe).
///
/// U is periodic with period 2 pi and spans at most a full turn; V is not periodic. The V limits
/// do not pass the apex; a limit exactly at the apex makes that end isoline a pole (every u gives
/// the apex).
/// Regular grid: U holds uMin, every multiple of pi / 2 strictly inside (uMin, uMax) and uMax;
/// V holds {vMin, vMax}.
/// Inversion: u as for every surface of revolution; v is the exact nearest point on the generator
/// line at u, clamped to [vMin, vMax].
class OXLEN_CAD_TRIANGULATION_API MCADUVCone : public MCADUVSurfaceOfRevolution {
 public:
  /// @param[in] frame      placement (model units); orthonormal and right-handed, as built by
  ///                       MCADFrame's constructor. Z is the axis, pointing away from the apex.
  /// @param[in] radius     reference radius r in model units; 0 <= r <= 1e100.
  /// @param[in] halfAngle  half angle a at the apex in radians; finite, 0 < a < pi / 2.
  /// @param[in] uMin, uMax angular limits in radians; finite, 0 < uMax - uMin <= 2 pi (a surplus
  ///                       of 1e-10 is tolerated for rounding).
  /// @param[in] vMin, vMax generator limits in model units; finite, vMin < vMax, and
  ///                       r + vMin sin a >= 0 (a deficit of 1e-12 relative to the terms is
  ///                       tolerated, so that an apex limit computed as -r / sin a is accepted).
  /// @throws std::invalid_argument naming the argument ("frame", "radius", "halfAngle", "uMin",
  ///         "uMax", "vMin", "vMax") when one of these conditions fails.
  MCADUVCone(const MCADFrame& frame, double radius, double halfAngle, double uMin, double uMax,
             double vMin, double vMax);

  /// The half angle a at the apex (radians).
  double GetHalfAngle() const { return m_halfAngle; }

 private:
  /// (r + v sin a, v cos a).
  Oxlen::Math::point<double, 2> MeridianPoint(double v) const override;

  /// The foot of the point on the generator line (r, 0) + v (sin a, cos a), clamped to
  /// [vMin, vMax]; the generator line's direction is a unit vector.
  double NearestOnMeridian(double radial, double height) const override;

  double m_halfAngle;
  double m_sin;  // sin a
  double m_cos;  // cos a
};
