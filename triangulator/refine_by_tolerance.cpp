// Chordal refinement: isolines are inserted until the grid follows the surface within the
// tolerance, strip by strip and then quad by quad.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/geometry/MTriangle.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "grid/grid_distance.h"
#include "spatial/numeric_helpers.h"
#include "triangulator/MInternal.h"

using MInternal = MCadTriangulator::MInternal;
using MQuads = MCadTriangulator::MQuads;
using Oxlen::Math::point;

namespace {

// Marks a quad deviation that has not been computed yet.
constexpr double kUnknownDeviation = -1.0;

// Crossing edges shorter than this (2^-26, compared with the length itself) are not measured.
constexpr double kShortestMeasuredEdge = 1.4901161193847656e-8;

bool IsCancelled(const std::function<bool()>& cancel) {
  return cancel && cancel();
}

MQuads::EAxis Other(MQuads::EAxis axis) {
  return axis == MQuads::U ? MQuads::V : MQuads::U;
}

// The deviations of the grid's quads, [U index][V index], kept across insertions so that only
// the quads of split rows and columns are measured again.
class QuadDeviationCache {
 public:
  explicit QuadDeviationCache(const MQuads& grid)
      : rows_(static_cast<std::size_t>(grid.GetQuadsCount(MQuads::U)),
              std::vector<double>(static_cast<std::size_t>(grid.GetQuadsCount(MQuads::V)),
                                  kUnknownDeviation)) {}

  double& At(int i, int j) { return rows_[i][j]; }

  // An isoline along U split quad row i in two unknown rows.
  void SplitRow(int i) {
    rows_[i].assign(rows_[i].size(), kUnknownDeviation);
    rows_.insert(rows_.begin() + i, rows_[i]);
  }

  // An isoline along V split quad column j in two unknown columns.
  void SplitColumn(int j) {
    for (std::vector<double>& row : rows_) {
      row[j] = kUnknownDeviation;
      row.insert(row.begin() + j, kUnknownDeviation);
    }
  }

 private:
  std::vector<std::vector<double>> rows_;
};

// Point of the chord a -> b nearest to p for the projection parameter t: the end points outside
// [0, 1], a + t (b - a) inside.
point<double, 3> ChordPoint(const point<double, 3>& a, const point<double, 3>& b, double t) {
  if (t < 0.0)
    return a;
  if (t > 1.0)
    return b;
  return a + t * (b - a);
}

struct EdgeDeviation {
  double deviation;
  point<double, 2> where;
};

// Searches along the crossing edge a -> b (UV corners uvA, uvB) for a surface point whose
// projection onto the chord falls within `window` of the chord's middle, by bisection in UV, and
// measures its distance from the chord. When the projection stops moving before it reaches the
// window (the surface folds back over the chord), the UV middle of the edge is measured instead.
EdgeDeviation MeasureCrossingEdge(const MCadTriangulator::MAnalyticalSurface& surface,
                                  const point<double, 3>& a, const point<double, 3>& b,
                                  const point<double, 2>& uvA, const point<double, 2>& uvB,
                                  double window) {
  using geometry::detail::segment_projection_parameter;
  point<double, 2> lo = uvA;
  point<double, 2> hi = uvB;
  point<double, 2> mid;
  point<double, 3> p;
  double previous = 0.5;
  while (true) {
    mid = (lo + hi) / 2.0;
    p = surface.Evaluate(mid);
    const double t = segment_projection_parameter(p, a, b);
    if (t < 0.5 - window) {
      lo = mid;
    } else if (t > 0.5 + window) {
      hi = mid;
    } else {
      break;
    }
    if (std::fabs(t - previous) < std::numeric_limits<double>::epsilon()) {
      mid = (uvA + uvB) / 2.0;
      p = surface.Evaluate(mid);
      break;
    }
    previous = t;
  }
  const double t = segment_projection_parameter(p, a, b);
  return {grid::detail::GridDistance(p, ChordPoint(a, b, t)), mid};
}

// Walks the strips of one axis from the first, inserting an isoline into each strip whose
// deviation reaches the tolerance (and measuring the lower half again) while the quad budget
// lasts. Returns whether anything was inserted.
bool RefineStripsOfAxis(MQuads& grid, const MCadTriangulator::MAnalyticalSurface& surface,
                        MQuads::EAxis axis, double tolerance, std::size_t maxQuads) {
  bool changed = false;
  if (grid.GetIsolinesCount(axis) < 2)
    return changed;
  for (int i = 0; i + 1 < grid.GetIsolinesCount(axis);) {
    if (grid.GetQuadsCount() >= maxQuads)
      break;
    const auto [deviation, parameter] =
        MInternal::GetStripDeviation(grid, surface, axis, i, tolerance);
    if (tolerance > deviation) {
      ++i;
      continue;
    }
    grid.InsertIsoline(axis, parameter);
    changed = true;
  }
  return changed;
}

}  // namespace

void MInternal::RefineByTolerance(MQuads& grid, const MAnalyticalSurface& surface, double tolerance,
                                  std::size_t maxQuads, const std::function<bool()>& cancel) {
  bool changed = true;
  while (changed && !IsCancelled(cancel)) {
    changed = RefineStripsOfAxis(grid, surface, MQuads::U, tolerance, maxQuads);
    changed = RefineStripsOfAxis(grid, surface, MQuads::V, tolerance, maxQuads) || changed;
  }
  RefineByQuadDeviation(grid, surface, tolerance, maxQuads, cancel);
}

std::pair<double, double> MInternal::GetStripDeviation(const MQuads& grid,
                                                       const MAnalyticalSurface& surface,
                                                       MQuads::EAxis axis, int i,
                                                       double tolerance) {
  const MQuads::EAxis along = axis == MQuads::U ? MQuads::U : MQuads::V;
  const int crossings = grid.GetIsolinesCount(Other(along));
  double largest = 0.0;
  double parameter = 0.0;
  for (int k = 0; k < crossings; ++k) {
    const MQuads::MVertexIndex from =
        along == MQuads::U ? MQuads::MVertexIndex(i, k) : MQuads::MVertexIndex(k, i);
    const MQuads::MVertexIndex to =
        along == MQuads::U ? MQuads::MVertexIndex(i + 1, k) : MQuads::MVertexIndex(k, i + 1);
    const point<double, 3>& a = grid.GetVertex3d(from);
    const point<double, 3>& b = grid.GetVertex3d(to);
    const double length = geometry::detail::overflow_safe_length(b - a);
    if (length < kShortestMeasuredEdge)
      continue;
    const EdgeDeviation edge = MeasureCrossingEdge(surface, a, b, grid.GetVertexUV(from),
                                                   grid.GetVertexUV(to), tolerance / length);
    if (edge.deviation > largest) {
      largest = edge.deviation;
      parameter = along == MQuads::U ? edge.where[0] : edge.where[1];
    }
  }
  return {largest, parameter};
}

void MInternal::RefineByQuadDeviation(MQuads& grid, const MAnalyticalSurface& surface,
                                      double tolerance, std::size_t maxQuads,
                                      const std::function<bool()>& cancel) {
  QuadDeviationCache cache(grid);
  while (!IsCancelled(cancel) && grid.GetQuadsCount() < maxQuads &&
         grid.GetQuadsCount(MQuads::U) > 0 && grid.GetQuadsCount(MQuads::V) > 0) {
    double worst = 0.0;
    MQuadIndex worstQuad(0, 0);
    for (int i = 0; i < grid.GetQuadsCount(MQuads::U); ++i) {
      for (int j = 0; j < grid.GetQuadsCount(MQuads::V); ++j) {
        double& deviation = cache.At(i, j);
        if (deviation == kUnknownDeviation)
          deviation = GetQuadDeviation(grid, surface, {i, j});
        if (deviation > worst) {
          worst = deviation;
          worstQuad = {i, j};
        }
      }
    }
    if (tolerance > worst)
      break;

    const std::vector<double>& u = grid.GetIsolines(MQuads::U);
    grid.InsertIsoline(MQuads::U, (u[worstQuad.u] + u[worstQuad.u + 1]) * 0.5);
    cache.SplitRow(worstQuad.u);
    const std::vector<double>& v = grid.GetIsolines(MQuads::V);
    grid.InsertIsoline(MQuads::V, (v[worstQuad.v] + v[worstQuad.v + 1]) * 0.5);
    cache.SplitColumn(worstQuad.v);
  }
}

double MInternal::GetQuadDeviation(const MQuads& grid, const MAnalyticalSurface& surface,
                                   const MQuadIndex& quad) {
  const std::array<MQuads::MVertexIndex, 4> corners = grid.GetQuadVertices(quad);
  point<double, 2> centre(0.0, 0.0);
  for (const MQuads::MVertexIndex& corner : corners)
    centre += 0.25 * grid.GetVertexUV(corner);
  const point<double, 3> p = surface.Evaluate(centre);

  const point<double, 3>& q0 = grid.GetVertex3d(corners[0]);
  const point<double, 3>& q1 = grid.GetVertex3d(corners[1]);
  const point<double, 3>& q2 = grid.GetVertex3d(corners[2]);
  const point<double, 3>& q3 = grid.GetVertex3d(corners[3]);
  // The quad's two triangles, split along the diagonal from corner 1 to corner 3.
  const double first = geometry::ComputeSquaredDistanceBetweenPointAndTriangle(
      p, MTriangle<double, 3>(q0, q1, q3), nullptr);
  const double second = geometry::ComputeSquaredDistanceBetweenPointAndTriangle(
      p, MTriangle<double, 3>(q3, q1, q2), nullptr);
  // Never 0, so that a flat quad still counts as measured.
  const double smallest = std::sqrt(std::numeric_limits<double>::min());
  return std::max(std::sqrt(std::min(first, second)), smallest);
}
