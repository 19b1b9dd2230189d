#include "Oxlen/CadEntity/MCADUVCylinder.h"

#include <cmath>

#include "AnalyticSurfaceSupport.h"

namespace Detail = Oxlen::CadEntity::Detail;
using Point2 = Oxlen::Math::point<double, 2>;
using Point3 = Oxlen::Math::point<double, 3>;

MCADUVCylinder::MCADUVCylinder(const MCADFrame& frame, double radius, double uMin, double uMax,
                               double vMin, double vMax)
    : m_frame(frame), m_radius(radius) {
  Detail::RequireValidFrame(frame);
  Detail::RequirePositive(radius, "radius");
  SetExtremesUV(eInU, Detail::MakeAngularLimits(uMin, uMax, "uMin", "uMax"));
  SetExtremesUV(eInV, Detail::MakeLimits(vMin, vMax, "vMin", "vMax"));
}

void MCADUVCylinder::EvaluatePoint(const Point2& uv, Point3& result) const {
  const Point3 local{m_radius * std::cos(uv[0]), m_radius * std::sin(uv[0]), uv[1]};
  result = Detail::FromLocalModel(m_frame, local);
}

Point2 MCADUVCylinder::InvertPoint(const Point3& p, double /*tolerance*/) const {
  const MCADDomainLimits& u = GetExtremesUV(eInU);
  const MCADDomainLimits& v = GetExtremesUV(eInV);
  if (!Oxlen::Math::is_finite(p))
    return {u.GetMin(), v.GetMin()};
  // The distance to the circle at height z grows with the angular distance from the point's own
  // angle, whatever the height, so the angle and the height are found separately.
  const Detail::AxialPosition position = Detail::LocateAroundAxis(m_frame, p, u);
  return {position.angle, Detail::Clamp(position.local[2], v.GetMin(), v.GetMax())};
}

void MCADUVCylinder::GetRegularGrid(MCADUVRegularGrid& grid) const {
  const MCADDomainLimits& u = GetExtremesUV(eInU);
  const MCADDomainLimits& v = GetExtremesUV(eInV);
  grid.u = Detail::QuarterTurnIsolines(u.GetMin(), u.GetMax());
  grid.v = {v.GetMin(), v.GetMax()};
}
