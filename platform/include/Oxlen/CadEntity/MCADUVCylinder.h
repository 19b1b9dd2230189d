#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"

/// A patch of a circular cylinder around the Z axis of its frame.
///
/// Parametrisation, in model units: P(u, v) = O + r (cos u X + sin u Y) + v Z, where O, X, Y, Z
/// are the frame's origin and axes and r the radius. u is the angle around the axis in radians,
/// measured from X towards Y; v is the height along Z in model units. `EvaluatePoint` returns
/// 10000 P(u, v) (internal units).
///
/// U is periodic with period 2 pi (its limits carry that period) and spans at most a full turn;
/// V is not periodic.
/// Regular grid: U holds uMin, every multiple of pi / 2 strictly inside (uMin, uMax) and uMax;
/// V holds {vMin, vMax}.
class OXLEN_CAD_TRIANGULATION_API MCADUVCylinder : public MCADUVSurface {
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

  /// 10000 (O + r (cos u X + sin u Y) + v Z); any finite parameters are accepted.
  void EvaluatePoint(const Oxlen::Math::point<double, 2>& uv,
                     Oxlen::Math::point<double, 3>& result) const override;

  /// The parameters of the nearest point of the patch, in closed form: u is the point's angle
  /// around the axis, moved by whole turns into [uMin, uMax] (the smaller value when both ends
  /// of a full turn qualify), or, when the angle lies outside a partial patch, the limit nearer
  /// to it around the circle; v is the height, clamped. A point on the axis (up to the rounding of
  /// its coordinates, 1e-14 relative) gets u = uMin. A non-finite `p` gives (uMin, vMin).
  /// `tolerance` is not used.
  Oxlen::Math::point<double, 2> InvertPoint(const Oxlen::Math::point<double, 3>& p,
                                            double tolerance) const override;

  /// U: uMin, the quarter turns strictly inside, uMax. V: {vMin, vMax}.
  void GetRegularGrid(MCADUVRegularGrid& grid) const override;

  /// The radius (model units).
  double GetRadius() const { return m_radius; }
  /// The cylinder's frame (model units); its Z axis is the cylinder's axis.
  const MCADFrame& GetFrame() const { return m_frame; }

 private:
  MCADFrame m_frame;
  double m_radius;
};
