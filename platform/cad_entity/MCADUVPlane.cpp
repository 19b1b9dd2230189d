#include "Oxlen/CadEntity/MCADUVPlane.h"

#include "AnalyticSurfaceSupport.h"

namespace Detail = Oxlen::CadEntity::Detail;
using Point2 = Oxlen::Math::point<double, 2>;
using Point3 = Oxlen::Math::point<double, 3>;

MCADUVPlane::MCADUVPlane(const MCADFrame& frame, double uMin, double uMax, double vMin, double vMax)
    : m_frame(frame) {
  Detail::RequireValidFrame(frame);
  SetExtremesUV(eInU, Detail::MakeLimits(uMin, uMax, "uMin", "uMax"));
  SetExtremesUV(eInV, Detail::MakeLimits(vMin, vMax, "vMin", "vMax"));
}

void MCADUVPlane::EvaluatePoint(const Point2& uv, Point3& result) const {
  result = Detail::FromLocalModel(m_frame, Point3{uv[0], uv[1], 0.0});
}

Point2 MCADUVPlane::InvertPoint(const Point3& p, double /*tolerance*/) const {
  const MCADDomainLimits& u = GetExtremesUV(eInU);
  const MCADDomainLimits& v = GetExtremesUV(eInV);
  if (!Oxlen::Math::is_finite(p))
    return {u.GetMin(), v.GetMin()};
  const Point3 local = Detail::ToLocalModel(m_frame, p);
  return {Detail::Clamp(local[0], u.GetMin(), u.GetMax()),
          Detail::Clamp(local[1], v.GetMin(), v.GetMax())};
}

void MCADUVPlane::GetRegularGrid(MCADUVRegularGrid& grid) const {
  const MCADDomainLimits& u = GetExtremesUV(eInU);
  const MCADDomainLimits& v = GetExtremesUV(eInV);
  grid.u = {u.GetMin(), u.GetMax()};
  grid.v = {v.GetMin(), v.GetMax()};
}
