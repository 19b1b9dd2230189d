#include "Oxlen/CadEntity/MCADUVCylinder.h"

#include "AnalyticSurfaceSupport.h"

namespace Detail = Oxlen::CadEntity::Detail;
using Point2 = Oxlen::Math::point<double, 2>;

MCADUVCylinder::MCADUVCylinder(const MCADFrame& frame, double radius, double uMin, double uMax,
                               double vMin, double vMax)
    : MCADUVSurfaceOfRevolution(frame, radius) {
  Detail::RequirePositive(radius, "radius");
  SetLimits(uMin, uMax, vMin, vMax);
}

Point2 MCADUVCylinder::MeridianPoint(double v) const {
  return {GetRadius(), v};
}

double MCADUVCylinder::NearestOnMeridian(double /*radial*/, double height) const {
  // The meridian is the line at distance r from the axis: its nearest point is at the point's
  // height, whatever the point's distance from the axis.
  const MCADDomainLimits& v = GetExtremesUV(eInV);
  return Detail::Clamp(height, v.GetMin(), v.GetMax());
}
