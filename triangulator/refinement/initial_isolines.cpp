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

// The surface points at every (u, v) of the isolines, indexed [iu][iv]: both reductions decimate
// against these points, so each is evaluated once.
using PointTable = std::vector<std::vector<point<double, 3>>>;

PointTable EvaluateIsolinePoints(const MCadTriangulator::MAnalyticalSurface& surface,
                                 const MCadTriangulator::MSurfaceIsolines& isolines) {
  const std::vector<point<double, 3>> grid = surface.EvaluateGrid(isolines.u, isolines.v);
  const std::size_t columns = isolines.v.size();
  PointTable table(isolines.u.size());
  for (std::size_t iu = 0; iu < isolines.u.size(); ++iu)
    table[iu].assign(grid.begin() + static_cast<std::ptrdiff_t>(iu * columns),
                     grid.begin() + static_cast<std::ptrdiff_t>((iu + 1) * columns));
  return table;
}

// Decimates the isolines of one axis against polylines of surface points along that axis, one
// polyline per isoline of the other axis. `rows` lists the indices into the table of the axis's
// isolines, `columns` those of the other axis's isolines; the indices of the isolines kept are
// left in `rows`.
void ReduceAxis(const PointTable& table, std::vector<double>& axis, std::vector<std::size_t>& rows,
                const std::vector<std::size_t>& columns, bool axisIsU, double tolerance) {
  if (axis.size() < 3 || columns.empty())
    return;
  std::vector<std::vector<point<double, 3>>> polylines;
  polylines.reserve(columns.size());
  for (const std::size_t column : columns) {
    std::vector<point<double, 3>> polyline;
    polyline.reserve(rows.size());
    for (const std::size_t row : rows)
      polyline.push_back(axisIsU ? table[row][column] : table[column][row]);
    polylines.push_back(std::move(polyline));
  }
  const std::vector<double> before = axis;
  MCadTriangulator::MQuadrangulatedSurface::DecimateParameters(axis, std::move(polylines),
                                                               tolerance);
  // The kept values are a subsequence of the distinct values before.
  std::vector<std::size_t> kept;
  std::size_t k = 0;
  for (std::size_t i = 0; i < before.size() && k < axis.size(); ++i)
    if (before[i] == axis[k]) {
      kept.push_back(rows[i]);
      ++k;
    }
  rows = std::move(kept);
}

std::vector<std::size_t> AllIndices(std::size_t count) {
  std::vector<std::size_t> indices(count);
  for (std::size_t i = 0; i < count; ++i)
    indices[i] = i;
  return indices;
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
  // Only an axis of three isolines or more, crossed by some isoline, can be thinned.
  if (isolines.u.empty() || isolines.v.empty() || (isolines.u.size() < 3 && isolines.v.size() < 3))
    return;
  // U first; the V polylines then run over the reduced U isolines.
  const PointTable table = EvaluateIsolinePoints(surface, isolines);
  std::vector<std::size_t> rowsU = AllIndices(isolines.u.size());
  std::vector<std::size_t> rowsV = AllIndices(isolines.v.size());
  ReduceAxis(table, isolines.u, rowsU, rowsV, true, tolerance);
  ReduceAxis(table, isolines.v, rowsV, rowsU, false, tolerance);
}
