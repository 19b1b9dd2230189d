#include "Oxlen/Cad/Triangulation/MAnalyticalSurface.h"

#include <list>

#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"
#include "Oxlen/CadEntity/MCADUVRegularGrid.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"
#include "Oxlen/CadEntity/internal_units.h"
#include "Oxlen/Nurbs/M3dNurbsSurface.h"

using MAnalyticalSurface = MCadTriangulator::MAnalyticalSurface;
using Oxlen::Math::point;

namespace {

using Oxlen::CadEntity::kInternalUnitsPerModelUnit;

// A knot vector asks for at least this many isolines; fewer are halved until they reach it.
constexpr std::size_t kMinimalKnotIsolines = 16;

// The quarter turns of a sphere's longitude, 0 to 2 pi.
const std::vector<double> kSphereUIsolines{0.0, 1.5707963267948966, 3.141592653589793,
                                           4.71238898038469, 6.283185307179586};

// The sphere's latitudes -pi/2, 0, pi/2 as the grid has always used them: the two outer values
// lie 7 units in the last place inside the poles.
const std::vector<double> kSphereVIsolines{-1.570796326794895, 0.0, 1.570796326794895};

std::vector<double> ToVector(const std::list<double>& values) {
  return std::vector<double>(values.begin(), values.end());
}

MCADUVRegularGrid RegularGridOf(const MCADUVSurface& surface) {
  MCADUVRegularGrid grid;
  surface.GetRegularGrid(grid);
  return grid;
}

// The isolines every grid over `surface` needs along `direction`: knot isolines of a NURBS
// surface, fixed quarter turns (U) or the poles and the equator (V) of a sphere, else the
// regular grid (with midpoints along U).
std::vector<double> MinimalIsolines(const MCADUVSurface& surface, eInUV direction) {
  const bool u = direction == eInU;
  if (const auto* nurbs = dynamic_cast<const MCADUVNurbsSurface*>(&surface)) {
    const M3dNurbsSurface& data = nurbs->GetNurbs();
    return MAnalyticalSurface::GetKnotIsolines(
        u ? data.GetKnotsU() : data.GetKnotsV(),
        static_cast<int>(u ? data.GetOrderU() : data.GetOrderV()));
  }
  if (dynamic_cast<const MCADUVSphere*>(&surface) != nullptr)
    return u ? kSphereUIsolines : kSphereVIsolines;
  const MCADUVRegularGrid grid = RegularGridOf(surface);
  return u ? MAnalyticalSurface::InsertMidpoints(ToVector(grid.u)) : ToVector(grid.v);
}

}  // namespace

MAnalyticalSurface::MAnalyticalSurface(const MCADUVSurface& surface,
                                       const Oxlen::Math::matrix4x4<double>& placement)
    : surface_(&surface), placement_(placement) {}

point<double, 3> MAnalyticalSurface::Evaluate(const point<double, 2>& uv) const {
  point<double, 3> p(0.0, 0.0, 0.0);
  surface_->EvaluatePoint(uv, p);
  return ToModelSpace(p);
}

std::vector<point<double, 3>> MAnalyticalSurface::EvaluateGrid(std::span<const double> us,
                                                               std::span<const double> vs) const {
  std::vector<point<double, 3>> points = surface_->EvaluateGrid(us, vs);
  for (point<double, 3>& p : points)
    p = ToModelSpace(p);
  return points;
}

point<double, 3> MAnalyticalSurface::ToModelSpace(const point<double, 3>& p) const {
  const double x = p[0] / kInternalUnitsPerModelUnit;
  const double y = p[1] / kInternalUnitsPerModelUnit;
  const double z = p[2] / kInternalUnitsPerModelUnit;
  const auto& m = placement_.m;
  return {x * m[0] + y * m[4] + z * m[8] + m[12], x * m[1] + y * m[5] + z * m[9] + m[13],
          x * m[2] + y * m[6] + z * m[10] + m[14]};
}

std::vector<double> MAnalyticalSurface::GetMinimalUIsolines() const {
  return MinimalIsolines(*surface_, eInU);
}

std::vector<double> MAnalyticalSurface::GetMinimalVIsolines() const {
  return MinimalIsolines(*surface_, eInV);
}

std::pair<double, double> MAnalyticalSurface::GetULimits() const {
  const MCADDomainLimits limits = surface_->GetExtremesUV(eInU);
  return {limits.GetMin(), limits.GetMax()};
}

std::pair<double, double> MAnalyticalSurface::GetVLimits() const {
  const MCADDomainLimits limits = surface_->GetExtremesUV(eInV);
  return {limits.GetMin(), limits.GetMax()};
}

std::vector<double> MAnalyticalSurface::InsertMidpoints(const std::vector<double>& values) {
  if (values.empty())
    return {};
  std::vector<double> result;
  result.reserve(2 * values.size() - 1);
  result.push_back(values.front());
  for (std::size_t k = 1; k < values.size(); ++k) {
    result.push_back((values[k - 1] + values[k]) * 0.5);
    result.push_back(values[k]);
  }
  return result;
}

std::vector<double> MAnalyticalSurface::GetKnotIsolines(const std::vector<double>& knots,
                                                        int order) {
  std::vector<double> distinct;
  for (const double knot : knots)
    if (distinct.empty() || knot > distinct.back())
      distinct.push_back(knot);

  std::vector<double> result;
  for (std::size_t k = 1; k < distinct.size(); ++k) {
    const double a = distinct[k - 1];
    const double b = distinct[k];
    for (int s = 0; s < order; ++s)
      result.push_back(a + (b - a) * s / order);
  }
  if (!distinct.empty())
    result.push_back(distinct.back());

  // A list of one value cannot grow by midpoint insertion; stop rather than loop forever.
  while (result.size() >= 2 && result.size() < kMinimalKnotIsolines)
    result = InsertMidpoints(result);
  return result;
}
