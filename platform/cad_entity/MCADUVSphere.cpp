#include "Oxlen/CadEntity/MCADUVSphere.h"

#include <cmath>
#include <stdexcept>

#include "AnalyticSurfaceSupport.h"

namespace Detail = Oxlen::CadEntity::Detail;
using Point2 = Oxlen::Math::point<double, 2>;
using Point3 = Oxlen::Math::point<double, 3>;

namespace {

void RequireLatitudeLimits(double vMin, double vMax) {
  const double bound = Detail::kQuarterTurn + Detail::kAngleTolerance;
  if (vMin < -bound)
    throw std::invalid_argument("vMin: below -pi/2");
  if (vMax > bound)
    throw std::invalid_argument("vMax: above pi/2");
}

}  // namespace

MCADUVSphere::MCADUVSphere(const MCADFrame& frame, double radius, double uMin, double uMax,
                           double vMin, double vMax)
    : m_frame(frame), m_radius(radius) {
  Detail::RequireValidFrame(frame);
  Detail::RequirePositive(radius, "radius");
  SetExtremesUV(eInU, Detail::MakeAngularLimits(uMin, uMax, "uMin", "uMax"));
  SetExtremesUV(eInV, Detail::MakeLimits(vMin, vMax, "vMin", "vMax"));
  RequireLatitudeLimits(vMin, vMax);
}

void MCADUVSphere::EvaluatePoint(const Point2& uv, Point3& result) const {
  const double circleRadius = m_radius * std::cos(uv[1]);
  const Point3 local{circleRadius * std::cos(uv[0]), circleRadius * std::sin(uv[0]),
                     m_radius * std::sin(uv[1])};
  result = Detail::FromLocalModel(m_frame, local);
}

Point2 MCADUVSphere::InvertPoint(const Point3& p, double /*tolerance*/) const {
  const MCADDomainLimits& u = GetExtremesUV(eInU);
  const MCADDomainLimits& v = GetExtremesUV(eInV);
  if (!Oxlen::Math::is_finite(p))
    return {u.GetMin(), v.GetMin()};
  // With cos v >= 0 on the patch, the point's scalar product with the surface normal, which the
  // nearest point maximises, decreases with the angular distance in longitude for every
  // latitude: the longitude is found first.
  const Detail::AxialPosition position = Detail::LocateAroundAxis(m_frame, p, u);
  const Point3& local = position.local;
  const bool onAxis = position.onAxis;
  const double longitude = position.angle;
  // In the half-plane of that longitude the patch is an arc of the great circle; the nearest
  // point of the arc is at the point's angle in that plane, or at the arc end nearer to it
  // around the circle. The radial component is negative when the longitude was clamped by more
  // than a quarter turn; on the axis it is rounding noise and taken as zero.
  const double radial =
      onAxis ? 0.0 : local[0] * std::cos(longitude) + local[1] * std::sin(longitude);
  const double angleInPlane = std::atan2(local[2], radial);
  return {longitude, Detail::PutAngleInLimits(angleInPlane, v.GetMin(), v.GetMax())};
}

void MCADUVSphere::GetRegularGrid(MCADUVRegularGrid& grid) const {
  const MCADDomainLimits& u = GetExtremesUV(eInU);
  const MCADDomainLimits& v = GetExtremesUV(eInV);
  grid.u = Detail::QuarterTurnIsolines(u.GetMin(), u.GetMax());
  // Within [-pi / 2, pi / 2] the only quarter turn that can lie strictly inside is the equator.
  grid.v = Detail::QuarterTurnIsolines(v.GetMin(), v.GetMax());
}
