#include "Oxlen/CadEntity/MCADUVCone.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "AnalyticSurfaceSupport.h"

namespace Detail = Oxlen::CadEntity::Detail;
using Point2 = Oxlen::Math::point<double, 2>;
using Point3 = Oxlen::Math::point<double, 3>;

namespace {

// Relative deficit of r + vMin sin a below zero still taken as reaching exactly the apex.
constexpr double kApexTolerance = 1e-12;

void RequireHalfAngle(double halfAngle) {
  Detail::RequireFinite(halfAngle, "halfAngle");
  if (!(halfAngle > 0.0 && halfAngle < Detail::kQuarterTurn))
    throw std::invalid_argument("halfAngle: not in (0, pi/2)");
}

void RequireRadius(double radius) {
  Detail::RequireFinite(radius, "radius");
  if (!(radius >= 0.0))
    throw std::invalid_argument("radius: negative");
}

// The radius r + v sin a grows with v, so only vMin can pass the apex.
void RequireNotBeyondApex(double radius, double sine, double vMin) {
  const double shift = vMin * sine;
  const double scale = std::max(radius, std::abs(shift));
  if (radius + shift < -kApexTolerance * scale)
    throw std::invalid_argument("vMin: beyond the apex (radius + vMin sin(halfAngle) < 0)");
}

}  // namespace

MCADUVCone::MCADUVCone(const MCADFrame& frame, double radius, double halfAngle, double uMin,
                       double uMax, double vMin, double vMax)
    : m_frame(frame), m_radius(radius), m_halfAngle(halfAngle) {
  Detail::RequireValidFrame(frame);
  RequireRadius(radius);
  RequireHalfAngle(halfAngle);
  m_sin = std::sin(halfAngle);
  m_cos = std::cos(halfAngle);
  SetExtremesUV(eInU, Detail::MakeAngularLimits(uMin, uMax, "uMin", "uMax"));
  SetExtremesUV(eInV, Detail::MakeLimits(vMin, vMax, "vMin", "vMax"));
  RequireNotBeyondApex(radius, m_sin, vMin);
}

void MCADUVCone::EvaluatePoint(const Point2& uv, Point3& result) const {
  const double circleRadius = m_radius + uv[1] * m_sin;
  const Point3 local{circleRadius * std::cos(uv[0]), circleRadius * std::sin(uv[0]), uv[1] * m_cos};
  result = Detail::FromLocalModel(m_frame, local);
}

Point2 MCADUVCone::InvertPoint(const Point3& p, double /*tolerance*/) const {
  const MCADDomainLimits& u = GetExtremesUV(eInU);
  const MCADDomainLimits& v = GetExtremesUV(eInV);
  if (!Oxlen::Math::is_finite(p))
    return {u.GetMin(), v.GetMin()};
  // Within the limits the circle radius r + v sin a is not negative, so for every v the nearest
  // angle is the one angularly nearest to the point's own: the angle is found first.
  const Detail::AxialPosition position = Detail::LocateAroundAxis(m_frame, p, u);
  const Point3& local = position.local;
  const bool onAxis = position.onAxis;
  const double angle = position.angle;
  // In the half-plane of that angle the patch is the generator line (r, 0) + v (sin a, cos a);
  // the point contributes its radial component along the angle (negative when the angle was
  // clamped by more than a quarter turn) and its height. The component across the half-plane is
  // the same for every v.
  const double radial = onAxis ? 0.0 : local[0] * std::cos(angle) + local[1] * std::sin(angle);
  const double along = (radial - m_radius) * m_sin + local[2] * m_cos;
  return {angle, Detail::Clamp(along, v.GetMin(), v.GetMax())};
}

void MCADUVCone::GetRegularGrid(MCADUVRegularGrid& grid) const {
  const MCADDomainLimits& u = GetExtremesUV(eInU);
  const MCADDomainLimits& v = GetExtremesUV(eInV);
  grid.u = Detail::QuarterTurnIsolines(u.GetMin(), u.GetMax());
  grid.v = {v.GetMin(), v.GetMax()};
}
