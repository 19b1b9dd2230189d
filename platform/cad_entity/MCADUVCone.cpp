#include "Oxlen/CadEntity/MCADUVCone.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "AnalyticSurfaceSupport.h"

namespace Detail = Oxlen::CadEntity::Detail;
using Point2 = Oxlen::Math::point<double, 2>;

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
    : MCADUVSurfaceOfRevolution(frame, radius), m_halfAngle(halfAngle) {
  RequireRadius(radius);
  RequireHalfAngle(halfAngle);
  m_sin = std::sin(halfAngle);
  m_cos = std::cos(halfAngle);
  SetLimits(uMin, uMax, vMin, vMax);
  RequireNotBeyondApex(radius, m_sin, vMin);
}

Point2 MCADUVCone::MeridianPoint(double v) const {
  return {GetRadius() + v * m_sin, v * m_cos};
}

double MCADUVCone::NearestOnMeridian(double radial, double height) const {
  // In the half-plane of the angle the patch is the generator line (r, 0) + v (sin a, cos a),
  // whose direction is a unit vector: v is the foot of the point on it.
  const double along = (radial - GetRadius()) * m_sin + height * m_cos;
  const MCADDomainLimits& v = GetExtremesUV(eInV);
  return Detail::Clamp(along, v.GetMin(), v.GetMax());
}
