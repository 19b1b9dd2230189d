#include "Oxlen/CadEntity/MCADUVAnalyticSurface.h"

#include "AnalyticSurfaceSupport.h"

namespace Detail = Oxlen::CadEntity::Detail;
using Point2 = Oxlen::Math::point<double, 2>;
using Point3 = Oxlen::Math::point<double, 3>;

namespace {

// The isolines of one direction: its limits, with the quarter turns inside for an angle.
std::list<double> Isolines(const MCADDomainLimits& limits) {
  if (limits.GetPeriod() > 0.0)
    return Detail::QuarterTurnIsolines(limits.GetMin(), limits.GetMax());
  return {limits.GetMin(), limits.GetMax()};
}

}  // namespace

MCADUVAnalyticSurface::MCADUVAnalyticSurface(const MCADFrame& frame) : m_frame(frame) {
  Detail::RequireValidFrame(frame);
}

void MCADUVAnalyticSurface::EvaluatePoint(const Point2& uv, Point3& result) const {
  result = Detail::FromLocalModel(m_frame, LocalPoint(uv));
}

Point2 MCADUVAnalyticSurface::InvertPoint(const Point3& p, double /*tolerance*/) const {
  if (!Oxlen::Math::is_finite(p))
    return {GetExtremesUV(eInU).GetMin(), GetExtremesUV(eInV).GetMin()};
  return NearestParameters(p);
}

void MCADUVAnalyticSurface::GetRegularGrid(MCADUVRegularGrid& grid) const {
  grid.u = Isolines(GetExtremesUV(eInU));
  grid.v = Isolines(GetExtremesUV(eInV));
}
