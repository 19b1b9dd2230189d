// The inversion of a point onto a NURBS patch: the parameters of the patch point nearest to it,
// found by sampling the patch's knot spans nearest first and polishing the best samples with
// Newton steps.
#include "nurbs_point_inversion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "Oxlen/CadEntity/internal_units.h"
#include "Oxlen/Math/overflow_safe_length.h"

namespace {

using Point2 = Oxlen::Math::point<double, 2>;
using Point3 = Oxlen::Math::point<double, 3>;

using Oxlen::CadEntity::kInternalUnitsPerModelUnit;

// Sample grid of the inversion: intervals per direction over the whole domain, and per knot span.
constexpr std::size_t kMinIntervals = 16;
constexpr int kMinIntervalsPerSpan = 4;
constexpr int kMaxIntervalsPerSpan = 16;
// Largest factor by which an elongated patch is sampled more densely along its long direction.
constexpr int kMaxStretch = 4;
// Once this many samples are evaluated, no further patch is sampled.
constexpr std::size_t kSampleBudget = 8192;
// Position of the extra sample line beside a collapsed border, as a part of the sample interval.
constexpr double kEdgeOffset = 1.0 / 32.0;
// Number of starts polished by Newton steps (of which grid minima), and the bound on the steps
// of one search.
constexpr std::size_t kStarts = 4;
constexpr std::size_t kMinimumStarts = 2;
constexpr int kMaxIterations = 50;
constexpr int kMaxHalvings = 40;
// A search stops when a step moves the surface point by less than this part of the tolerance.
constexpr double kStopFraction = 1e-3;
// Growth of the squared distance that counts as rounding.
constexpr double kRoundingGrowth = 1.0 + 8.0 * std::numeric_limits<double>::epsilon();
// A border is collapsed where the squared derivative along it is below this part of the squared
// derivative across it.
constexpr double kCollapsed = 1e-16;
// Neighbouring grid samples closer than this part of the patch size lie on a collapsed edge.
constexpr double kSamePoint = 1e-9;
// Points farther than this from the patch (model units) are pulled in along their direction, so
// that squared distances stay finite; the nearest point is the same to rounding.
constexpr double kFarAway = 1e100;

struct Limits {
  double uMin, uMax, vMin, vMax;
};

// The parameter directions, as indices of the data kept per direction.
constexpr std::size_t kAlongU = 0;
constexpr std::size_t kAlongV = 1;
// The ascending sample parameters of U and of V.
using DirectionSamples = std::array<std::vector<double>, 2>;

struct Candidate {
  double u = 0.0;
  double v = 0.0;
  double d2 = std::numeric_limits<double>::infinity();
};

// Centre and size of the box around the control net (model units).
std::pair<Point3, double> ControlNetBox(const M3dNurbsSurface& s) {
  Point3 lo = s.GetControlPoints().front();
  Point3 hi = lo;
  for (const Point3& p : s.GetControlPoints()) {
    for (int i = 0; i < 3; ++i) {
      lo[i] = std::min(lo[i], p[i]);
      hi[i] = std::max(hi[i], p[i]);
    }
  }
  double size = 0.0;
  for (int i = 0; i < 3; ++i)
    size = std::max(size, hi[i] - lo[i]);
  return {lo * 0.5 + hi * 0.5, size};
}

// The target point in model units, pulled towards the patch when it is absurdly far away.
Point3 TargetInModelUnits(const Point3& p, const Point3& center) {
  const Point3 q = p / kInternalUnitsPerModelUnit;
  const Point3 d = q - center;
  const double length = Oxlen::Math::overflow_safe_length(d);
  if (!(length > kFarAway))
    return q;
  return center + (d / length) * kFarAway;
}

// The first `count` candidates of `list` in the order of a stable sort by distance (all of them
// when the list is shorter), found in one pass instead of sorting the whole list.
std::vector<Candidate> Nearest(const std::vector<Candidate>& list, std::size_t count) {
  auto nearer = [](const Candidate& x, const Candidate& y) { return x.d2 < y.d2; };
  std::vector<Candidate> nearest;
  nearest.reserve(count + 1);
  for (const Candidate& c : list) {
    if (nearest.size() == count && !(c.d2 < nearest.back().d2))
      continue;
    // After the equally near ones already kept, as the stable sort puts it.
    nearest.insert(std::upper_bound(nearest.begin(), nearest.end(), c, nearer), c);
    if (nearest.size() > count)
      nearest.pop_back();
  }
  return nearest;
}

// Takes the candidates of `list`, nearest first (equally near ones in list order), into `chosen`
// until it holds `limit` starts. Neighbouring patches share their border samples: a start whose
// parameters are already chosen is skipped.
void TakeNearest(const std::vector<Candidate>& list, std::size_t limit,
                 std::vector<Candidate>& chosen) {
  auto take = [&](const Candidate& c) {
    for (const Candidate& x : chosen)
      if (x.u == c.u && x.v == c.v)
        return;
    chosen.push_back(c);
  };
  // Usually a few nearest candidates fill the starts; skipped repeats may call for more. A longer
  // prefix repeats the shorter one, whose candidates are then all skipped as already chosen.
  for (std::size_t count = 4 * limit; chosen.size() < limit; count *= 4) {
    for (const Candidate& c : Nearest(list, count)) {
      if (chosen.size() >= limit)
        break;
      take(c);
    }
    if (count >= list.size())
      break;
  }
}

// One knot span of one direction: its parameter interval and the first control point row (or
// column) of the order many that act on it.
struct Span {
  double from;
  double to;
  int firstRow;
};

std::vector<Span> Spans(const std::vector<double>& knots, int order, int count,
                        const std::vector<double>& distinct) {
  const int degree = order - 1;
  std::vector<Span> spans;
  for (std::size_t k = 0; k + 1 < distinct.size(); ++k) {
    // The knot interval [knots[index], knots[index + 1]) that starts at this distinct knot.
    const auto after = std::upper_bound(knots.begin(), knots.begin() + count + 1, distinct[k]);
    const int index = std::clamp(static_cast<int>(after - knots.begin()) - 1, degree, count - 1);
    spans.push_back({distinct[k], distinct[k + 1], index - degree});
  }
  return spans;
}

int IntervalsPerSpan(std::size_t spans) {
  const int perSpan = static_cast<int>((kMinIntervals + spans - 1) / spans);
  return std::clamp(perSpan, kMinIntervalsPerSpan, kMaxIntervalsPerSpan);
}

std::vector<double> SpanSamples(const Span& span, int intervals) {
  std::vector<double> samples;
  for (int k = 0; k < intervals; ++k)
    samples.push_back(span.from + (span.to - span.from) * k / intervals);
  samples.push_back(span.to);
  return samples;
}

// The sample parameters of all spans of one direction, ascending, each once.
std::vector<double> SamplesOf(const std::vector<Span>& spans) {
  const int intervals = IntervalsPerSpan(spans.size());
  std::vector<double> samples;
  for (const Span& span : spans) {
    const std::vector<double> inSpan = SpanSamples(span, intervals);
    samples.insert(samples.end(), inSpan.begin() + (samples.empty() ? 0 : 1), inSpan.end());
  }
  return samples;
}

// Lengths of the control polygon of a patch along U and along V, the longest row (column) of
// the patch's control points each.
std::pair<double, double> PatchExtent(const M3dNurbsSurface& s, const Span& su, const Span& sv) {
  double alongU = 0.0;
  double alongV = 0.0;
  for (int j = sv.firstRow; j < sv.firstRow + s.GetOrderV(); ++j) {
    double length = 0.0;
    for (int i = su.firstRow + 1; i < su.firstRow + s.GetOrderU(); ++i)
      length += Oxlen::Math::distance(s.GetControlPoint(i, j), s.GetControlPoint(i - 1, j));
    alongU = std::max(alongU, length);
  }
  for (int i = su.firstRow; i < su.firstRow + s.GetOrderU(); ++i) {
    double length = 0.0;
    for (int j = sv.firstRow + 1; j < sv.firstRow + s.GetOrderV(); ++j)
      length += Oxlen::Math::distance(s.GetControlPoint(i, j), s.GetControlPoint(i, j - 1));
    alongV = std::max(alongV, length);
  }
  return {alongU, alongV};
}

// Intervals of a direction of a patch whose control polygon is `length` long along it and
// `across` long across it: an elongated patch gets up to kMaxStretch times more samples along its
// long direction.
int StretchedIntervals(int intervals, double length, double across) {
  double stretch = static_cast<double>(kMaxStretch);
  if (across > 0.0)
    stretch = std::clamp(length / across, 1.0, stretch);
  if (!std::isfinite(stretch))
    stretch = 1.0;
  return static_cast<int>(std::lround(intervals * stretch));
}

// The box around the control points that act on one patch: it contains the patch (convex hull
// property, weights being positive).
struct PatchBox {
  Point3 lo;
  Point3 hi;
};

PatchBox ControlBox(const M3dNurbsSurface& s, const Span& su, const Span& sv) {
  Point3 lo = s.GetControlPoint(su.firstRow, sv.firstRow);
  Point3 hi = lo;
  for (int i = su.firstRow; i < su.firstRow + s.GetOrderU(); ++i) {
    for (int j = sv.firstRow; j < sv.firstRow + s.GetOrderV(); ++j) {
      const Point3& p = s.GetControlPoint(i, j);
      for (int c = 0; c < 3; ++c) {
        lo[c] = std::min(lo[c], p[c]);
        hi[c] = std::max(hi[c], p[c]);
      }
    }
  }
  return {lo, hi};
}

// Squared distance from q to a patch's control box: a lower bound of the distance to the patch.
double PatchLowerBound(const PatchBox& box, const Point3& q) {
  double d2 = 0.0;
  for (int c = 0; c < 3; ++c) {
    const double outside = std::max({box.lo[c] - q[c], q[c] - box.hi[c], 0.0});
    d2 += outside * outside;
  }
  return d2;
}

// The samples of one patch, row by row along U. They do not depend on the point searched for, so
// an inverter keeps them for every later search that visits the patch.
struct PatchGrid {
  std::vector<double> us;
  std::vector<double> vs;
  std::vector<Point3> points;
  // Samples that coincide in space with their predecessor along U or V: they lie on a collapsed
  // edge and give no start.
  std::vector<bool> repeated;

  std::size_t Index(std::size_t i, std::size_t j) const { return i * vs.size() + j; }
};

void EvaluateGrid(const M3dNurbsSurface& s, PatchGrid& grid) {
  grid.points.clear();
  for (double u : grid.us)
    for (double v : grid.vs)
      grid.points.push_back(s.Evaluate(u, v));
}

void MarkRepeatedSamples(PatchGrid& grid, double same2) {
  grid.repeated.assign(grid.points.size(), false);
  for (std::size_t i = 0; i < grid.us.size(); ++i) {
    for (std::size_t j = 0; j < grid.vs.size(); ++j) {
      const Point3& p = grid.points[grid.Index(i, j)];
      grid.repeated[grid.Index(i, j)] =
          (i > 0 && Oxlen::Math::squared_distance(grid.points[grid.Index(i - 1, j)], p) <= same2) ||
          (j > 0 && Oxlen::Math::squared_distance(grid.points[grid.Index(i, j - 1)], p) <= same2);
    }
  }
}

// Samples a patch. A border of the patch that collapses to one point gets an extra sample line
// just beside it: leaving a collapsed edge, the parameter along the edge decides the direction,
// and the samples on the edge itself cannot tell it.
PatchGrid SamplePatch(const M3dNurbsSurface& s, std::vector<double> us, std::vector<double> vs,
                      double same2) {
  PatchGrid grid{std::move(us), std::move(vs), {}, {}};
  EvaluateGrid(s, grid);
  const std::size_t nu = grid.us.size();
  const std::size_t nv = grid.vs.size();
  auto collapsedLine = [&](bool alongU, std::size_t line) {
    const std::size_t n = alongU ? nu : nv;
    const Point3& first = grid.points[alongU ? grid.Index(0, line) : grid.Index(line, 0)];
    for (std::size_t k = 1; k < n; ++k) {
      const Point3& p = grid.points[alongU ? grid.Index(k, line) : grid.Index(line, k)];
      if (Oxlen::Math::squared_distance(p, first) > same2)
        return false;
    }
    return true;
  };
  std::vector<double> extraU;
  std::vector<double> extraV;
  if (collapsedLine(true, 0))
    extraV.push_back(grid.vs[0] + (grid.vs[1] - grid.vs[0]) * kEdgeOffset);
  if (collapsedLine(true, nv - 1))
    extraV.push_back(grid.vs[nv - 1] - (grid.vs[nv - 1] - grid.vs[nv - 2]) * kEdgeOffset);
  if (collapsedLine(false, 0))
    extraU.push_back(grid.us[0] + (grid.us[1] - grid.us[0]) * kEdgeOffset);
  if (collapsedLine(false, nu - 1))
    extraU.push_back(grid.us[nu - 1] - (grid.us[nu - 1] - grid.us[nu - 2]) * kEdgeOffset);
  if (!extraU.empty() || !extraV.empty()) {
    grid.us.insert(grid.us.end(), extraU.begin(), extraU.end());
    grid.vs.insert(grid.vs.end(), extraV.begin(), extraV.end());
    std::sort(grid.us.begin(), grid.us.end());
    std::sort(grid.vs.begin(), grid.vs.end());
    EvaluateGrid(s, grid);
  }
  MarkRepeatedSamples(grid, same2);
  return grid;
}

// Step of the one-parameter problem with curvature h and slope g; 0 when nothing is known.
double Step1d(double g, double h, double firstOrder) {
  if (h > 0.0)
    return -g / h;
  if (firstOrder > 0.0)
    return -g / firstOrder;
  return 0.0;
}

// Solution of the 2x2 symmetric system [a b; b d] x = -g when the matrix is safely positive
// definite.
bool SolvePositiveDefinite(double a, double b, double d, double gu, double gv, double& du,
                           double& dv) {
  const double det = a * d - b * b;
  if (!(a > 0.0 && d > 0.0 && det > 1e-12 * a * d))
    return false;
  du = (-gu * d + gv * b) / det;
  dv = (-gv * a + gu * b) / det;
  return std::isfinite(du) && std::isfinite(dv);
}

// Newton polishing of one start on f = |S - q|^2 / 2.
class Polisher {
 public:
  // samples: the ascending sample parameters of U and of V, for leaving collapsed edges.
  Polisher(const M3dNurbsSurface& s, const Point3& q, const Limits& limits, double stop,
           const DirectionSamples& samples)
      : m_s(s), m_q(q), m_limits(limits), m_stop(stop), m_samples(samples) {}

  // A search that ends on a collapsed edge (a border along which the surface does not move) may
  // be stuck there: the derivative along the edge vanishes, so nothing tells in which direction
  // to leave it. Leaves the edge once: samples the parameter along the edge on the line at q's
  // distance from the edge, and searches again from the best sample; keeps the nearer result.
  Candidate LeaveCollapsedEdge(const Candidate& c) const {
    const double distance = std::sqrt(c.d2);
    if (!(distance > m_stop))
      return c;
    const M3dNurbsSurface::MDerivatives d = m_s.EvaluateDerivatives(c.u, c.v);
    const double su2 = Oxlen::Math::squared_length(d.su);
    const double sv2 = Oxlen::Math::squared_length(d.sv);
    const Limits& l = m_limits;
    Candidate start;
    if ((c.v == l.vMin || c.v == l.vMax) && su2 <= kCollapsed * sv2) {
      const double step = std::min(distance / std::sqrt(sv2), (l.vMax - l.vMin) / 4.0);
      start = BestAlong(kAlongU, c.v == l.vMin ? l.vMin + step : l.vMax - step);
    } else if ((c.u == l.uMin || c.u == l.uMax) && sv2 <= kCollapsed * su2) {
      const double step = std::min(distance / std::sqrt(su2), (l.uMax - l.uMin) / 4.0);
      start = BestAlong(kAlongV, c.u == l.uMin ? l.uMin + step : l.uMax - step);
    } else {
      return c;
    }
    const Candidate polished = Run(start);
    return polished.d2 < c.d2 ? polished : c;
  }

  Candidate Run(Candidate c) const {
    for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
      const M3dNurbsSurface::MDerivatives d = m_s.EvaluateDerivatives(c.u, c.v);
      const Point3 r = d.s - m_q;
      const double gu = Oxlen::Math::dot(r, d.su);
      const double gv = Oxlen::Math::dot(r, d.sv);
      const double guu = Oxlen::Math::dot(d.su, d.su);
      const double guv = Oxlen::Math::dot(d.su, d.sv);
      const double gvv = Oxlen::Math::dot(d.sv, d.sv);
      const double huu = guu + Oxlen::Math::dot(r, d.suu);
      const double huv = guv + Oxlen::Math::dot(r, d.suv);
      const double hvv = gvv + Oxlen::Math::dot(r, d.svv);
      // A parameter at its limit that the distance pulls outwards stays there.
      const bool fixU = (c.u <= m_limits.uMin && gu > 0.0) || (c.u >= m_limits.uMax && gu < 0.0);
      const bool fixV = (c.v <= m_limits.vMin && gv > 0.0) || (c.v >= m_limits.vMax && gv < 0.0);
      if (fixU && fixV)
        break;

      double du = 0.0;
      double dv = 0.0;
      if (fixU) {
        dv = Step1d(gv, hvv, gvv);
      } else if (fixV) {
        du = Step1d(gu, huu, guu);
      } else if (!SolvePositiveDefinite(huu, huv, hvv, gu, gv, du, dv) &&
                 !SolvePositiveDefinite(guu, guv, gvv, gu, gv, du, dv)) {
        // Neither the Hessian nor the first fundamental form is usable (collapsed edge, saddle):
        // scale each gradient component on its own.
        du = Step1d(gu, huu, guu);
        dv = Step1d(gv, hvv, gvv);
      }
      Candidate next;
      Point3 nextPoint;
      if (!TryStep(c, du, dv, next, nextPoint)) {
        // The coupled step may be cut off by a limit: retry with the separate components, which
        // always point downhill.
        if (!TryStep(c, fixU ? 0.0 : Step1d(gu, huu, guu), fixV ? 0.0 : Step1d(gv, hvv, gvv), next,
                     nextPoint))
          break;
      }
      const double moved = Oxlen::Math::distance(nextPoint, d.s);
      c = next;
      if (!(moved > m_stop))
        break;
    }
    return c;
  }

 private:
  // Backtracking along (du, dv), clamped to the limits: the first step that brings the surface
  // point strictly nearer.
  bool TryStep(const Candidate& c, double du, double dv, Candidate& next, Point3& point) const {
    if (!(std::isfinite(du) && std::isfinite(dv)) || (du == 0.0 && dv == 0.0))
      return false;
    double t = 1.0;
    for (int halving = 0; halving < kMaxHalvings; ++halving, t *= 0.5) {
      next.u = std::clamp(c.u + t * du, m_limits.uMin, m_limits.uMax);
      next.v = std::clamp(c.v + t * dv, m_limits.vMin, m_limits.vMax);
      if (next.u == c.u && next.v == c.v)
        return false;
      point = m_s.Evaluate(next.u, next.v);
      next.d2 = Oxlen::Math::squared_distance(point, m_q);
      // The full step is also taken when it keeps the distance to rounding: close to the foot
      // point the squared distance no longer resolves the position, the Newton step still does.
      if (next.d2 < c.d2 || (halving == 0 && next.d2 <= c.d2 * kRoundingGrowth))
        return true;
    }
    return false;
  }

  // The nearest sample on an isoline: the parameter `along` runs over its samples while the
  // other one stays at `fixed`.
  Candidate BestAlong(std::size_t along, double fixed) const {
    Candidate best;
    for (double t : m_samples[along]) {
      const double u = along == kAlongU ? t : fixed;
      const double v = along == kAlongU ? fixed : t;
      const double d2 = Oxlen::Math::squared_distance(m_s.Evaluate(u, v), m_q);
      if (d2 < best.d2)
        best = {u, v, d2};
    }
    return best;
  }

  const M3dNurbsSurface& m_s;
  Point3 m_q;
  Limits m_limits;
  double m_stop;
  const DirectionSamples& m_samples;
};

}  // namespace

namespace cad_entity::detail {

// What the searches of one surface share: the surface's knot spans and sample lines, the control
// box of every patch, and the sample grids of the patches visited so far.
struct MNurbsPointInverter::MState {
  struct Patch {
    PatchBox box;
    std::unique_ptr<PatchGrid> grid;  // sampled when a search first visits the patch
  };

  const M3dNurbsSurface& nurbs;
  Limits limits;
  Point3 center;
  double size;
  double same2;
  std::vector<Span> spansU;
  std::vector<Span> spansV;
  DirectionSamples samples;
  std::vector<Patch> patches;  // patch (a, b) at a * spansV.size() + b

  explicit MState(const M3dNurbsSurface& s)
      : nurbs(s),
        limits{s.GetStartU(), s.GetEndU(), s.GetStartV(), s.GetEndV()},
        spansU(Spans(s.GetKnotsU(), s.GetOrderU(), s.GetCountU(), s.GetDistinctKnotsU())),
        spansV(Spans(s.GetKnotsV(), s.GetOrderV(), s.GetCountV(), s.GetDistinctKnotsV())),
        samples{SamplesOf(spansU), SamplesOf(spansV)} {
    std::tie(center, size) = ControlNetBox(s);
    same2 = (kSamePoint * size) * (kSamePoint * size);
    patches.reserve(spansU.size() * spansV.size());
    for (const Span& su : spansU)
      for (const Span& sv : spansV)
        patches.push_back({ControlBox(s, su, sv), nullptr});
  }

  const PatchGrid& Grid(std::size_t a, std::size_t b) {
    std::unique_ptr<PatchGrid>& grid = patches[a * spansV.size() + b].grid;
    if (!grid) {
      const auto [lengthU, lengthV] = PatchExtent(nurbs, spansU[a], spansV[b]);
      const int intervalsU = IntervalsPerSpan(spansU.size());
      const int intervalsV = IntervalsPerSpan(spansV.size());
      grid = std::make_unique<PatchGrid>(SamplePatch(
          nurbs, SpanSamples(spansU[a], StretchedIntervals(intervalsU, lengthU, lengthV)),
          SpanSamples(spansV[b], StretchedIntervals(intervalsV, lengthV, lengthU)), same2));
    }
    return *grid;
  }

  std::vector<Candidate> StartCandidates(const Point3& q);
};

// Starting points of the Newton search.
//
// The patches (one per pair of knot spans) are visited nearest first by the lower bound of their
// control point boxes, and sampled at several points per span, until no unvisited patch can hold
// a point nearer than the best sample (or the sample budget is spent). The starts are first the
// best minima of the patch grids (samples no farther from q than their up to 8 neighbours), for
// the chance to reach every basin, then the nearest other samples. A sample that coincides in
// space with its predecessor along U or V lies on a collapsed edge and is left out, so that the
// edge, whose samples all tie, gives one start and leaves room for the samples beside it.
// (Samples on the two borders of a closed patch coincide too, but are not neighbours and stay.)
std::vector<Candidate> MNurbsPointInverter::MState::StartCandidates(const Point3& q) {
  struct Visit {
    double bound;
    std::size_t a;
    std::size_t b;
  };
  std::vector<Visit> visits;
  visits.reserve(patches.size());
  for (std::size_t a = 0; a < spansU.size(); ++a)
    for (std::size_t b = 0; b < spansV.size(); ++b)
      visits.push_back({PatchLowerBound(patches[a * spansV.size() + b].box, q), a, b});
  std::stable_sort(visits.begin(), visits.end(),
                   [](const Visit& x, const Visit& y) { return x.bound < y.bound; });

  std::vector<Candidate> minima;
  std::vector<Candidate> all;
  std::vector<double> d2;
  double best = std::numeric_limits<double>::infinity();
  std::size_t evaluated = 0;
  for (const Visit& visit : visits) {
    if (visit.bound > best || evaluated >= kSampleBudget)
      break;
    const PatchGrid& grid = Grid(visit.a, visit.b);
    const std::size_t nu = grid.us.size();
    const std::size_t nv = grid.vs.size();
    evaluated += grid.points.size();
    d2.clear();
    for (const Point3& p : grid.points)
      d2.push_back(Oxlen::Math::squared_distance(p, q));
    for (std::size_t i = 0; i < nu; ++i) {
      for (std::size_t j = 0; j < nv; ++j) {
        const std::size_t k = grid.Index(i, j);
        if (grid.repeated[k])
          continue;
        bool isMinimum = true;
        for (std::size_t a = (i > 0 ? i - 1 : 0); a <= std::min(i + 1, nu - 1); ++a)
          for (std::size_t b = (j > 0 ? j - 1 : 0); b <= std::min(j + 1, nv - 1); ++b)
            if (d2[grid.Index(a, b)] < d2[k])
              isMinimum = false;
        const Candidate c{grid.us[i], grid.vs[j], d2[k]};
        all.push_back(c);
        if (isMinimum)
          minima.push_back(c);
        best = std::min(best, d2[k]);
      }
    }
  }
  std::vector<Candidate> chosen;
  TakeNearest(minima, kMinimumStarts, chosen);
  TakeNearest(all, kStarts, chosen);
  return chosen;
}

MNurbsPointInverter::MNurbsPointInverter(const M3dNurbsSurface& nurbs)
    : m_state(std::make_unique<MState>(nurbs)) {}

MNurbsPointInverter::~MNurbsPointInverter() = default;

Oxlen::Math::point<double, 2> MNurbsPointInverter::Invert(const Oxlen::Math::point<double, 3>& p,
                                                          double tolerance) {
  MState& state = *m_state;
  const Limits& limits = state.limits;
  if (!Oxlen::Math::is_finite(p))
    return {limits.uMin, limits.vMin};
  const Point3 q = TargetInModelUnits(p, state.center);
  const double roundingLevel = 4.0 * std::numeric_limits<double>::epsilon() *
                               (state.size + Oxlen::Math::overflow_safe_length(q - state.center));
  const double modelTolerance = tolerance / kInternalUnitsPerModelUnit;
  const double stop = (std::isfinite(modelTolerance) && modelTolerance > 0.0)
                          ? std::max(kStopFraction * modelTolerance, roundingLevel)
                          : roundingLevel;
  const Polisher polisher(state.nurbs, q, limits, stop, state.samples);
  Candidate best;
  for (const Candidate& start : state.StartCandidates(q)) {
    const Candidate polished = polisher.LeaveCollapsedEdge(polisher.Run(start));
    if (polished.d2 < best.d2)
      best = polished;
  }
  if (!std::isfinite(best.d2))
    return {limits.uMin, limits.vMin};
  return {best.u, best.v};
}

Oxlen::Math::point<double, 2> invert_nurbs_point(const M3dNurbsSurface& nurbs,
                                                 const Oxlen::Math::point<double, 3>& p,
                                                 double tolerance) {
  return MNurbsPointInverter(nurbs).Invert(p, tolerance);
}

}  // namespace cad_entity::detail
