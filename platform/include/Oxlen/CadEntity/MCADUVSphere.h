#pragma once

#include "Oxlen/CadEntity/MCADUVSurfaceOfRevolution.h"
#include "Oxlen/Export.h"

/// A patch of a sphere centred at the origin of its frame.
///
/// Parametrisation, in model units:
/// P(u, v) = O + R (cos v cos u X + cos v sin u Y + sin v Z), where O, X, Y, Z are the frame's
/// origin and axes and R the radius. u is the longitude in radians, measured from X towards Y;
/// v is the latitude in radians, from -pi / 2 (the pole at O - R Z) to pi / 2 (the pole at
/// O + R Z). `EvaluatePoint` returns 10000 P(u, v) (internal units); any finite parameters are
/// accepted.
///
/// U is periodic with period 2 pi and spans at most a full turn; V lies in [-pi / 2, pi / 2] and
/// is not periodic. A V limit at +-pi / 2 makes that end isoline a pole (every u gives the pole).
/// Regular grid: U holds uMin, every multiple of pi / 2 strictly inside (uMin, uMax) and uMax;
/// V holds vMin, 0 when strictly inside (vMin, vMax), and vMax.
/// Inversion: u, the longitude, as for every surface of revolution (the centre lies on the
/// polar axis); v is the latitude of the point as seen in the half-plane of that u, or the
/// latitude limit nearer to it around the great circle.
class OXLEN_CAD_TRIANGULATION_API MCADUVSphere : public MCADUVSurfaceOfRevolution {
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

  /// U: uMin, the quarter turns strictly inside, uMax. V: vMin, 0 when strictly inside, vMax.
  /// @param[out] grid both lists replaced.
  void GetRegularGrid(MCADUVRegularGrid& grid) const override;

 private:
  /// (R cos v, R sin v).
  Oxlen::Math::point<double, 2> MeridianPoint(double v) const override;

  /// The point's angle atan2(height, radial) in the half-plane, or the latitude limit nearer to
  /// it around the great circle.
  double NearestOnMeridian(double radial, double height) const override;
};
