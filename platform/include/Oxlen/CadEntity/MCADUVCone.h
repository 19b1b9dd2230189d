#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"

/// A patch of a circular cone around the Z axis of its frame.
///
/// Parametrisation, in model units: P(u, v) = O + (r + v sin a)(cos u X + sin u Y) + v cos a Z,
/// where O, X, Y, Z are the frame's origin and axes, r the reference radius (the radius of the
/// circle v = 0 in the plane of O) and a the half angle at the apex. u is the angle around the
/// axis in radians, measured from X towards Y; v is the length along a generator line from the
/// reference circle, in model units, growing away from the apex. The apex is at
/// v = -r / sin a. `EvaluatePoint` returns 10000 P(u, v) (internal units).
///
/// U is periodic with period 2 pi and spans at most a full turn; V is not periodic. The V limits
/// do not pass the apex; a limit exactly at the apex makes that end isoline a pole (every u gives
/// the apex).
/// Regular grid: U holds uMin, every multiple of pi / 2 strictly inside (uMin, uMax) and uMax;
/// V holds {vMin, vMax}.
class OXLEN_CAD_TRIANGULATION_API MCADUVCone : public MCADUVSurface {
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

  /// 10000 (O + (r + v sin a)(cos u X + sin u Y) + v cos a Z); any finite parameters are
  /// accepted (beyond the apex the formula continues onto the opposite nappe).
  void EvaluatePoint(const Oxlen::Math::point<double, 2>& uv,
                     Oxlen::Math::point<double, 3>& result) const override;

  /// The parameters of the nearest point of the patch, in closed form: u is the point's angle
  /// around the axis, moved by whole turns into [uMin, uMax] (the smaller value when both ends
  /// of a full turn qualify), or, when the angle lies outside a partial patch, the limit nearer
  /// to it around the circle; v is the exact nearest point on the generator line at u, clamped
  /// to [vMin, vMax]. A point on the axis (up to the rounding of its
  /// coordinates, 1e-14 relative) gets u = uMin. A non-finite `p` gives (uMin, vMin).
  /// `tolerance` is not used.
  Oxlen::Math::point<double, 2> InvertPoint(const Oxlen::Math::point<double, 3>& p,
                                            double tolerance) const override;

  /// U: uMin, the quarter turns strictly inside, uMax. V: {vMin, vMax}.
  void GetRegularGrid(MCADUVRegularGrid& grid) const override;

  /// The reference radius r (model units), the radius at v = 0.
  double GetRadius() const { return m_radius; }
  /// The half angle a at the apex (radians).
  double GetHalfAngle() const { return m_halfAngle; }
  /// The cone's frame (model units); its Z axis is the cone's axis.
  const MCADFrame& GetFrame() const { return m_frame; }

 private:
  MCADFrame m_frame;
  double m_radius;
  double m_halfAngle;
  double m_sin;  // sin a
  double m_cos;  // cos a
};
