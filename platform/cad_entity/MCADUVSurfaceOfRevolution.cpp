#include "Oxlen/CadEntity/MCADUVSurfaceOfRevolution.h"

#include <cmath>

#include "AnalyticSurfaceSupport.h"

namespace Detail = Oxlen::CadEntity::Detail;
using Point2 = Oxlen::Math::point<double, 2>;
using Point3 = Oxlen::Math::point<double, 3>;

MCADUVSurfaceOfRevolution::MCADUVSurfaceOfRevolution(const MCADFrame& frame, double radius)
    : MCADUVAnalyticSurface(frame), m_radius(radius) {}

void MCADUVSurfaceOfRevolution::SetLimits(double uMin, double uMax, double vMin, double vMax) {
  SetExtremesUV(eInU, Detail::MakeAngularLimits(uMin, uMax, "uMin", "uMax"));
  SetExtremesUV(eInV, Detail::MakeLimits(vMin, vMax, "vMin", "vMax"));
}

Point3 MCADUVSurfaceOfRevolution::LocalPoint(const Point2& uv) const {
  const Point2 meridian = MeridianPoint(uv[1]);
  return {meridian[0] * std::cos(uv[0]), meridian[0] * std::sin(uv[0]), meridian[1]};
}

Point2 MCADUVSurfaceOfRevolution::NearestParameters(const Point3& p) const {
  // Within the limits the meridian stays on one side of the axis (a cone does not pass its apex,
  // a sphere's latitudes stay within +-pi / 2), so for every v the nearest angle is the one
  // angularly nearest to the point's own: the angle is found first.
  const Detail::AxialPosition position =
      Detail::LocateAroundAxis(GetFrame(), p, GetExtremesUV(eInU));
  const Point3& local = position.local;
  const double angle = position.angle;
  // In the half-plane of that angle the point contributes its radial component along the angle
  // and its height; its component across the half-plane is the same for every v. On the axis the
  // radial component is rounding noise and taken as zero.
  const double radial =
      position.onAxis ? 0.0 : local[0] * std::cos(angle) + local[1] * std::sin(angle);
  return {angle, NearestOnMeridian(radial, local[2])};
}
