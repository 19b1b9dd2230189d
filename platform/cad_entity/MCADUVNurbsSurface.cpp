#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"

#include <utility>
#include <vector>

#include "Oxlen/CadEntity/internal_units.h"
#include "nurbs_point_inversion.h"

namespace {

using Point2 = Oxlen::Math::point<double, 2>;
using Point3 = Oxlen::Math::point<double, 3>;

using Oxlen::CadEntity::kInternalUnitsPerModelUnit;

MCADDomainLimits DomainU(const M3dNurbsSurface& s) {
  return MCADDomainLimits(s.GetStartU(), s.GetEndU());
}

MCADDomainLimits DomainV(const M3dNurbsSurface& s) {
  return MCADDomainLimits(s.GetStartV(), s.GetEndV());
}

}  // namespace

MCADUVNurbsSurface::MCADUVNurbsSurface(M3dNurbsSurface nurbs)
    : MCADUVSurface(DomainU(nurbs), DomainV(nurbs)), m_nurbs(std::move(nurbs)) {}

void MCADUVNurbsSurface::EvaluatePoint(const Point2& uv, Point3& result) const {
  result = m_nurbs.Evaluate(uv[0], uv[1]) * kInternalUnitsPerModelUnit;
}

std::vector<Point3> MCADUVNurbsSurface::EvaluateGrid(std::span<const double> us,
                                                     std::span<const double> vs) const {
  std::vector<Point3> points = m_nurbs.EvaluateGrid(us, vs);
  for (Point3& p : points)
    p = p * kInternalUnitsPerModelUnit;
  return points;
}

Point2 MCADUVNurbsSurface::InvertPoint(const Point3& p, double tolerance) const {
  return cad_entity::detail::invert_nurbs_point(m_nurbs, p, tolerance);
}

std::vector<Point2> MCADUVNurbsSurface::InvertPoints(std::span<const Point3> points,
                                                     double tolerance) const {
  cad_entity::detail::MNurbsPointInverter inverter(m_nurbs);
  std::vector<Point2> result;
  result.reserve(points.size());
  for (const Point3& p : points)
    result.push_back(inverter.Invert(p, tolerance));
  return result;
}

void MCADUVNurbsSurface::GetRegularGrid(MCADUVRegularGrid& grid) const {
  const std::vector<double> u = m_nurbs.GetDistinctKnotsU();
  const std::vector<double> v = m_nurbs.GetDistinctKnotsV();
  grid.u.assign(u.begin(), u.end());
  grid.v.assign(v.begin(), v.end());
}
