// The isolines a face's grid starts from, and their reduction on free-form surfaces.

#include <set>
#include <utility>
#include <vector>

#include "Oxlen/CadEntity/MCADUVCone.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "triangulator/MInternal.h"

using MInternal = MCadTriangulator::MInternal;
using Oxlen::Math::point;

namespace {

// The limits of one axis and the minimal isolines strictly inside them, ascending and without
// exact duplicates.
std::vector<double> AxisIsolines(std::pair<double, double> limits,
                                 const std::vector<double>& minimal) {
  const auto [lo, hi] = limits;
  std::set<double> values{lo, hi};
  for (const double w : minimal)
    if (lo < w && w < hi)
      values.insert(w);
  return std::vector<double>(values.begin(), values.end());
}

// Analytic surfaces keep every initial isoline: their isolines follow the shape exactly.
bool IsAnalytic(const MCADUVSurface& surface) {
  return dynamic_cast<const MCADUVSphere*>(&surface) != nullptr ||
         dynamic_cast<const MCADUVCone*>(&surface) != nullptr ||
         dynamic_cast<const MCADUVCylinder*>(&surface) != nullptr ||
         dynamic_cast<const MCADUVPlane*>(&surface) != nullptr;
}

// Decimates the isolines of one axis against polylines of surface points along that axis, one
// polyline per isoline of the other axis.
void ReduceAxis(const MCadTriangulator::MAnalyticalSurface& surface, std::vector<double>& axis,
                const std::vector<double>& other, bool axisIsU, double tolerance) {
  if (axis.size() < 3 || other.empty())
    return;
  std::vector<std::vector<point<double, 3>>> polylines;
  polylines.reserve(other.size());
  for (const double w : other) {
    std::vector<point<double, 3>> polyline;
    polyline.reserve(axis.size());
    for (const double t : axis)
      polyline.push_back(
          surface.Evaluate(axisIsU ? point<double, 2>(t, w) : point<double, 2>(w, t)));
    polylines.push_back(std::move(polyline));
  }
  MCadTriangulator::MQuadrangulatedSurface::DecimateParameters(axis, std::move(polylines),
                                                               tolerance);
}

}  // namespace

MCadTriangulator::MSurfaceIsolines MInternal::GetInitialIsolines(
    const MAnalyticalSurface& surface) {
  MSurfaceIsolines isolines;
  isolines.u = AxisIsolines(surface.GetULimits(), surface.GetMinimalUIsolines());
  isolines.v = AxisIsolines(surface.GetVLimits(), surface.GetMinimalVIsolines());
  return isolines;
}

void MInternal::ReduceFreeFormIsolines(const MAnalyticalSurface& surface,
                                       MSurfaceIsolines& isolines, double tolerance) {
  if (IsAnalytic(surface.GetSurface()))
    return;
  // U first; the V polylines then run over the reduced U isolines.
  ReduceAxis(surface, isolines.u, isolines.v, true, tolerance);
  ReduceAxis(surface, isolines.v, isolines.u, false, tolerance);
}
