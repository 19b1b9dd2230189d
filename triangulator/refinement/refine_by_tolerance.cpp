// Chordal refinement: isolines are inserted until the grid follows the surface within the
// tolerance, strip by strip and then quad by quad.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <optional>
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

// Never 0, so that a flat quad still counts as measured; a quad this close is exact.
const double kSmallestQuadDeviation = std::sqrt(std::numeric_limits<double>::min());

// Deviations up to this are the rounding of the grid's coordinates: a strip or quad that close
// lies on the surface, whatever the tolerance.
double RoundingDeviation(const MQuads& grid) {
  return geometry::detail::rounding_distance(grid.CalculateBoundingBox3d());
}

// A quad deviation as a distance: the floor that marks a measured flat quad is 0.
double AsDistance(double quadDeviation) {
  return quadDeviation > kSmallestQuadDeviation ? quadDeviation : 0.0;
}

// Whether a strip or quad that deviates by `deviation` must be split: from the tolerance on, but
// never where the grid already lies on the surface (at a tolerance of 0 an exact strip would
// otherwise be split without end).
bool NeedsSplit(double deviation, double tolerance, double exact) {
  return !(tolerance > deviation) && deviation > exact;
}

// The isoline to insert into strip i of `axis` at the measured parameter: that parameter when it
// lies strictly inside the strip, otherwise the strip's middle; none when the strip has no
// representable parameter inside.
std::optional<double> IsolineInside(const MQuads& grid, MQuads::EAxis axis, int i,
                                    double parameter) {
  const std::vector<double>& isolines = grid.GetIsolines(axis);
  const double lo = isolines[static_cast<std::size_t>(i)];
  const double hi = isolines[static_cast<std::size_t>(i) + 1];
  if (lo < parameter && parameter < hi)
    return parameter;
  const double middle = lo + 0.5 * (hi - lo);
  if (lo < middle && middle < hi)
    return middle;
  return std::nullopt;
}

// Refines the strips of one axis level by level: each pass splits every strip whose deviation
// reaches the tolerance once, and the next pass examines the halves. A strip's deviation depends
// only on its own isolines and on those of the other axis, which stay as they are during the
// walk, so a strip found within the tolerance is not measured again and the isolines come out as
// a strip-by-strip walk would give them; when the quad budget runs out first, it has been spent
// evenly over the strips instead of on the first ones. Returns whether anything was inserted;
// `largest` receives the largest deviation of the strips left as they are.
bool RefineStripsOfAxis(MQuads& grid, const MCadTriangulator::MAnalyticalSurface& surface,
                        MQuads::EAxis axis, double tolerance, double exact, std::size_t maxQuads,
                        double& largest) {
  bool changed = false;
  largest = 0.0;
  if (grid.GetIsolinesCount(axis) < 2)
    return changed;
  // Per strip: whether it is still to be measured. A pass measures every pending strip of the
  // grid as the pass found it (a strip's deviation depends on its own isolines only), and the
  // isolines it splits them at are inserted together at its end: inserting them one by one would
  // cost the grid's size per isoline.
  std::vector<char> pending(static_cast<std::size_t>(grid.GetIsolinesCount(axis) - 1), 1);
  const auto across = static_cast<std::size_t>(grid.GetQuadsCount(Other(axis)));
  bool inserted = true;
  while (inserted) {
    inserted = false;
    std::vector<double> isolines;
    std::vector<char> next;
    next.reserve(2 * pending.size());
    const auto strips = static_cast<std::size_t>(grid.GetQuadsCount(axis));
    bool spent = false;
    for (std::size_t i = 0; i < pending.size(); ++i) {
      if (!pending[i]) {
        next.push_back(0);
        continue;
      }
      if ((strips + isolines.size()) * across >= maxQuads) {
        spent = true;
        break;
      }
      const auto strip = static_cast<int>(i);
      const auto [deviation, parameter] =
          MInternal::GetStripDeviation(grid, surface, axis, strip, tolerance);
      const std::optional<double> isoline = NeedsSplit(deviation, tolerance, exact)
                                                ? IsolineInside(grid, axis, strip, parameter)
                                                : std::nullopt;
      if (!isoline) {
        largest = std::max(largest, deviation);
        next.push_back(0);
        continue;
      }
      isolines.push_back(*isoline);
      next.insert(next.end(), {1, 1});  // the upper half waits for the next pass
      changed = inserted = true;
    }
    grid.InsertIsolines(axis, std::move(isolines));
    if (spent)
      return changed;
    pending = std::move(next);
  }
  return changed;
}

// The largest deviation of every strip of both axes and of every quad: the estimate of a grid
// whose refinement the budget or a cancellation stopped.
double EstimateLargestDeviation(const MQuads& grid,
                                const MCadTriangulator::MAnalyticalSurface& surface,
                                double tolerance) {
  double largest = 0.0;
  for (const MQuads::EAxis axis : {MQuads::U, MQuads::V})
    for (int i = 0; i + 1 < grid.GetIsolinesCount(axis); ++i)
      largest =
          std::max(largest, MInternal::GetStripDeviation(grid, surface, axis, i, tolerance).first);
  for (int i = 0; i < grid.GetQuadsCount(MQuads::U); ++i)
    for (int j = 0; j < grid.GetQuadsCount(MQuads::V); ++j)
      largest = std::max(largest, AsDistance(MInternal::GetQuadDeviation(grid, surface, {i, j})));
  return largest;
}

}  // namespace

double MInternal::RefineByTolerance(MQuads& grid, const MAnalyticalSurface& surface,
                                    double tolerance, std::size_t maxQuads,
                                    const std::function<bool()>& cancel) {
  const double exact = RoundingDeviation(grid);
  bool changed = true;
  double stripsU = 0.0, stripsV = 0.0;
  while (changed && !IsCancelled(cancel)) {
    changed = RefineStripsOfAxis(grid, surface, MQuads::U, tolerance, exact, maxQuads, stripsU);
    changed = RefineStripsOfAxis(grid, surface, MQuads::V, tolerance, exact, maxQuads, stripsV) ||
              changed;
  }
  const std::optional<double> quads =
      RefineByQuadDeviation(grid, surface, tolerance, maxQuads, cancel);
  // A refinement that ran to its end measured every strip of its last pass and every quad.
  const double largest = quads ? std::max({stripsU, stripsV, AsDistance(*quads)})
                               : EstimateLargestDeviation(grid, surface, tolerance);
  return largest > exact ? largest : 0.0;
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

std::optional<double> MInternal::RefineByQuadDeviation(MQuads& grid,
                                                       const MAnalyticalSurface& surface,
                                                       double tolerance, std::size_t maxQuads,
                                                       const std::function<bool()>& cancel) {
  QuadDeviationCache cache(grid);
  const double exact = std::max(kSmallestQuadDeviation, RoundingDeviation(grid));
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
    if (!NeedsSplit(worst, tolerance, exact))
      return worst;
    const std::optional<double> u = IsolineInside(
        grid, MQuads::U, worstQuad.u,
        0.5 * (grid.GetIsolines(MQuads::U)[static_cast<std::size_t>(worstQuad.u)] +
               grid.GetIsolines(MQuads::U)[static_cast<std::size_t>(worstQuad.u) + 1]));
    const std::optional<double> v = IsolineInside(
        grid, MQuads::V, worstQuad.v,
        0.5 * (grid.GetIsolines(MQuads::V)[static_cast<std::size_t>(worstQuad.v)] +
               grid.GetIsolines(MQuads::V)[static_cast<std::size_t>(worstQuad.v) + 1]));
    // A quad too narrow to split in either direction stays as it is.
    if (!u && !v)
      return std::nullopt;
    if (u) {
      grid.InsertIsoline(MQuads::U, *u);
      cache.SplitRow(worstQuad.u);
    }
    if (v) {
      grid.InsertIsoline(MQuads::V, *v);
      cache.SplitColumn(worstQuad.v);
    }
  }
  return std::nullopt;
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
  return std::max(std::sqrt(std::min(first, second)), kSmallestQuadDeviation);
}
