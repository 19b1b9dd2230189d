#include "Oxlen/CadEntity/MCADUVPlane.h"

#include "AnalyticSurfaceSupport.h"

namespace Detail = Oxlen::CadEntity::Detail;
using Point2 = Oxlen::Math::point<double, 2>;
using Point3 = Oxlen::Math::point<double, 3>;

MCADUVPlane::MCADUVPlane(const MCADFrame& frame, double uMin, double uMax, double vMin, double vMax)
    : MCADUVAnalyticSurface(frame) {
  SetExtremesUV(eInU, Detail::MakeLimits(uMin, uMax, "uMin", "uMax"));
  SetExtremesUV(eInV, Detail::MakeLimits(vMin, vMax, "vMin", "vMax"));
}

Point3 MCADUVPlane::LocalPoint(const Point2& uv) const {
  return {uv[0], uv[1], 0.0};
}

Point2 MCADUVPlane::NearestParameters(const Point3& p) const {
  const MCADDomainLimits& u = GetExtremesUV(eInU);
  const MCADDomainLimits& v = GetExtremesUV(eInV);
  const Point3 local = Detail::ToLocalModel(GetFrame(), p);
  return {Detail::Clamp(local[0], u.GetMin(), u.GetMax()),
          Detail::Clamp(local[1], v.GetMin(), v.GetMax())};
}
