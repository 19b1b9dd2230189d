#include "Oxlen/CadEntity/MCADUVSphere.h"

#include <cmath>
#include <stdexcept>

#include "AnalyticSurfaceSupport.h"

namespace Detail = Oxlen::CadEntity::Detail;
using Point2 = Oxlen::Math::point<double, 2>;

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
    : MCADUVSurfaceOfRevolution(frame, radius) {
  Detail::RequirePositive(radius, "radius");
  SetLimits(uMin, uMax, vMin, vMax);
  RequireLatitudeLimits(vMin, vMax);
}

void MCADUVSphere::GetRegularGrid(MCADUVRegularGrid& grid) const {
  const MCADDomainLimits& u = GetExtremesUV(eInU);
  const MCADDomainLimits& v = GetExtremesUV(eInV);
  grid.u = Detail::QuarterTurnIsolines(u.GetMin(), u.GetMax());
  // Within [-pi / 2, pi / 2] the only quarter turn that can lie strictly inside is the equator.
  grid.v = Detail::QuarterTurnIsolines(v.GetMin(), v.GetMax());
}

Point2 MCADUVSphere::MeridianPoint(double v) const {
  return {GetRadius() * std::cos(v), GetRadius() * std::sin(v)};
}

double MCADUVSphere::NearestOnMeridian(double radial, double height) const {
  // In the half-plane of the longitude the patch is an arc of the great circle; the nearest
  // point of the arc is at the point's angle in that plane, or at the arc end nearer to it
  // around the circle.
  const MCADDomainLimits& v = GetExtremesUV(eInV);
  return Detail::PutAngleInLimits(std::atan2(height, radial), v.GetMin(), v.GetMax());
}
