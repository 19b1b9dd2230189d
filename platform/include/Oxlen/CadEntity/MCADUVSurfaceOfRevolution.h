#pragma once

#include "Oxlen/CadEntity/MCADUVAnalyticSurface.h"
#include "Oxlen/Export.h"

/// A patch of a surface swept by a curve (the meridian) turning around the Z axis of its frame:
/// the common base of the cylinder, the cone and the sphere.
///
/// u is the angle around the axis in radians, measured from X towards Y; it is periodic with
/// period 2 pi (its limits carry that period) and spans at most a full turn. v runs along the
/// meridian, which each subclass defines by its distance from the axis and its height along Z:
/// P(u, v) = O + d(v) (cos u X + sin u Y) + h(v) Z.
///
/// Inversion: u is the point's angle around the axis, moved by whole turns into [uMin, uMax] (the
/// smaller value when both ends of a full turn qualify), or, when the angle lies outside a partial
/// patch, the limit nearer to it around the circle. A point on the axis (up to the rounding of its
/// coordinates, 1e-14 relative) gets u = uMin. v is the parameter of the meridian point nearest to
/// the point as seen in the half-plane of that u, within the V limits, as each subclass describes.
class OXLEN_CAD_TRIANGULATION_API MCADUVSurfaceOfRevolution : public MCADUVAnalyticSurface {
 public:
  /// The radius (model units) the subclass is built with: of the cylinder, of the sphere, or the
  /// cone's reference radius.
  double GetRadius() const { return m_radius; }

 protected:
  /// Checks and keeps the frame, and keeps `radius`, which the subclass checks.
  /// @param[in] frame  placement (model units); orthonormal and right-handed, as built by
  ///                   MCADFrame's constructor. Z is the axis.
  /// @param[in] radius radius in model units.
  /// @throws std::invalid_argument "frame: ..." as MCADUVAnalyticSurface does.
  MCADUVSurfaceOfRevolution(const MCADFrame& frame, double radius);

  /// Sets the angular U limits [uMin, uMax] with period 2 pi and the non-periodic V limits
  /// [vMin, vMax], U checked first.
  /// @param[in] uMin, uMax angular limits in radians; finite, 0 < uMax - uMin <= 2 pi (a surplus
  ///                       of 1e-10 is tolerated for rounding).
  /// @param[in] vMin, vMax meridian limits; finite, vMin < vMax.
  /// @throws std::invalid_argument naming the argument ("uMin", "uMax", "vMin", "vMax") when one
  ///         of these conditions fails.
  void SetLimits(double uMin, double uMax, double vMin, double vMax);

 private:
  /// d(v) (cos u, sin u) and h(v), with d and h given by `MeridianPoint`.
  Oxlen::Math::point<double, 3> LocalPoint(const Oxlen::Math::point<double, 2>& uv) const override;

  /// u as described for the class, then v from `NearestOnMeridian`.
  Oxlen::Math::point<double, 2> NearestParameters(
      const Oxlen::Math::point<double, 3>& p) const override;

  /// The meridian point at `v`: its distance d(v) from the axis and its height h(v) along Z, in
  /// model units; any finite `v`.
  virtual Oxlen::Math::point<double, 2> MeridianPoint(double v) const = 0;

  /// The parameter, within the V limits, of the meridian point nearest to the point at
  /// `radial` from the axis and `height` along it, both in model units in the half-plane of the
  /// chosen u. `radial` is negative when u was moved to a limit more than a quarter turn away from
  /// the point's angle, and 0 for a point on the axis.
  virtual double NearestOnMeridian(double radial, double height) const = 0;

  double m_radius;
};
