#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"

/// A patch of a sphere centred at the origin of its frame.
///
/// Parametrisation, in model units:
/// P(u, v) = O + R (cos v cos u X + cos v sin u Y + sin v Z), where O, X, Y, Z are the frame's
/// origin and axes and R the radius. u is the longitude in radians, measured from X towards Y;
/// v is the latitude in radians, from -pi / 2 (the pole at O - R Z) to pi / 2 (the pole at
/// O + R Z). `EvaluatePoint` returns 10000 P(u, v) (internal units).
///
/// U is periodic with period 2 pi and spans at most a full turn; V lies in [-pi / 2, pi / 2] and
/// is not periodic. A V limit at +-pi / 2 makes that end isoline a pole (every u gives the pole).
/// Regular grid: U holds uMin, every multiple of pi / 2 strictly inside (uMin, uMax) and uMax;
/// V holds vMin, 0 when strictly inside (vMin, vMax), and vMax.
class OXLEN_CAD_TRIANGULATION_API MCADUVSphere : public MCADUVSurface {
 public:
  /// @param[in] frame      placement (model units); orthonormal and right-handed, as built by
  ///                       MCADFrame's constructor. Z points to the north pole.
  /// @param[in] radius     radius in model units; positive, up to 1e100.
  /// @param[in] uMin, uMax longitude limits in radians; finite, 0 < uMax - uMin <= 2 pi (a surplus
  ///                       of 1e-10 is tolerated for rounding).
  /// @param[in] vMin, vMax latitude limits in radians; finite, vMin < vMax, within
  ///                       [-pi / 2, pi / 2] (1e-10 beyond is tolerated for rounding).
  /// @throws std::invalid_argument naming the argument ("frame", "radius", "uMin", "uMax",
  ///         "vMin", "vMax") when one of these conditions fails.
  MCADUVSphere(const MCADFrame& frame, double radius, double uMin, double uMax, double vMin,
               double vMax);

  /// 10000 (O + R (cos v cos u X + cos v sin u Y + sin v Z)); any finite parameters are accepted.
  void EvaluatePoint(const Oxlen::Math::point<double, 2>& uv,
                     Oxlen::Math::point<double, 3>& result) const override;

  /// The parameters of the nearest point of the patch, in closed form: u is the point's longitude,
  /// moved by whole turns into [uMin, uMax] (the smaller value when both ends of a full turn
  /// qualify), or, when the longitude lies outside a partial patch, the limit nearer to it around
  /// the circle; v is the latitude of the point as seen in the half-plane of that u, or the
  /// latitude limit nearer to it. A point on the polar axis (up to the rounding of
  /// its coordinates, 1e-14 relative; the centre included) gets u = uMin.
  /// A non-finite `p` gives (uMin, vMin). `tolerance` is not used.
  Oxlen::Math::point<double, 2> InvertPoint(const Oxlen::Math::point<double, 3>& p,
                                            double tolerance) const override;

  /// U: uMin, the quarter turns strictly inside, uMax. V: vMin, 0 when strictly inside, vMax.
  void GetRegularGrid(MCADUVRegularGrid& grid) const override;

  /// The radius (model units).
  double GetRadius() const { return m_radius; }
  /// The sphere's frame (model units); its origin is the centre, its Z axis the polar axis.
  const MCADFrame& GetFrame() const { return m_frame; }

 private:
  MCADFrame m_frame;
  double m_radius;
};
