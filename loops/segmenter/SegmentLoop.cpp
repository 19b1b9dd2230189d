// Segmentation of a trimming loop: every fin refined by chords within the tolerance, the fins
// chained, and their points concatenated into one closed polyline.

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MLoopSegmenter.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "Oxlen/CadEntity/MCADLoop.h"
#include "fin_curve.h"
#include "spatial/numeric_helpers.h"

using MLoopSegmenter = MCadTriangulator::MLoopSegmenter;
using MPointOnLoop = MCadTriangulator::MPointOnLoop;
using Oxlen::Math::point;

namespace {

// Chords shorter than this are not refined.
constexpr double kShortestRefinedChord = 1.4901161193847656e-8;

// A stalled search: the projection of the probe on the chord no longer moves by more than this.
constexpr double kStalledProjection = 2.220446049250313e-16;

// Points of a segmented loop must span a box whose diagonal reaches this length.
constexpr double kSmallestLoopDiagonal = 0.0001;

// A point of a space curve farther from the grid's box than this many box diagonals (or ten
// tolerances, when more) has left the face behind.
constexpr double kFarthestInBoxDiagonals = 10.0;

// A curve sample: its parameter and its point in model space.
struct Sample {
  double t;
  point<double, 3> p;
};

// What the chordal refinement of one fin needs to evaluate and check its curve.
struct ChordRefiner {
  const loops::detail::FinCurve& curve;
  const Oxlen::Math::matrix4x4<double>& placement;
  double tolerance;
  const Oxlen::Math::boundingbox<double, 3>& box;
  // Squared distance from the box beyond which a space curve has left the face behind; infinite
  // for a curve clipped in UV, which never leaves the surface's limits.
  double farthestSquared;

  Sample Evaluate(double t) const { return {t, curve.ModelPoint(t, placement)}; }

  // The curve point between two samples that projects within the tolerance of the middle of
  // their chord, found by bisection of the parameter interval. When the projection stalls, or
  // the bisection runs out of steps (the curve jumps), the point at the middle parameter is
  // taken instead.
  Sample MiddleOf(const Sample& left, const Sample& right, double chordLength) const {
    const double r = tolerance / chordLength;
    double lo = left.t;
    double hi = right.t;
    double previous = 0.5;
    for (int step = 0; step < MLoopSegmenter::kMaxMiddleSearchSteps; ++step) {
      const double tm = (lo + hi) * 0.5;
      const Sample q = Evaluate(tm);
      if (box.squared_distance(q.p) > farthestSquared)
        throw MLoopSegmenter::MExceptionBadLoop();
      const double s = geometry::detail::segment_projection_parameter(q.p, left.p, right.p);
      if (0.5 - r <= s && s <= 0.5 + r)
        return q;
      if (s < 0.5 - r)
        lo = tm;
      if (s > 0.5 + r)
        hi = tm;
      if (std::fabs(s - previous) < kStalledProjection)
        break;
      previous = s;
    }
    return Evaluate((left.t + right.t) * 0.5);
  }

  // Whether the chord left -> right must be split at its middle point q: q lies at least the
  // tolerance away from it, and farther than the rounding of the coordinates (16 ulps of the
  // largest), so that at a tolerance of 0 a straight piece of curve is not split without end.
  bool NeedsSplit(const Sample& left, const Sample& right, const Sample& q) const {
    const double distance = geometry::ComputeDistanceBetweenPointAndSegment(q.p, {left.p, right.p});
    Oxlen::Math::boundingbox<double, 3> ends;
    ends.extend(left.p);
    ends.extend(right.p);
    return distance >= tolerance && distance > geometry::detail::rounding_distance(ends);
  }

  // Refines the samples level by level: every chord whose middle point must be split off is
  // split there, and the next pass examines the halves. A chord's split depends only on its own
  // ends, so the points are those of a chord-by-chord walk; but when kMaxChordInsertionsPerFin
  // ends the refinement early (tolerances far below the curve's size), the fin has been refined
  // evenly instead of leaving its far end with the coarse chords. A chord split
  // kMaxChordSplitDepth times spans a jump of the curve and is kept.
  std::vector<Sample> Refine(const std::vector<Sample>& samples) const {
    struct Chord {  // the chord ending at `end`
      Sample end;
      int depth;
      bool settled;
    };
    std::vector<Chord> chords;
    chords.reserve(samples.size());
    for (const Sample& sample : samples)
      chords.push_back({sample, 0, false});
    std::size_t insertions = 0;
    for (bool split = true; split;) {
      split = false;
      std::vector<Chord> next{chords.front()};
      next.reserve(chords.size());
      for (std::size_t k = 1; k < chords.size(); ++k) {
        Chord chord = chords[k];
        const Sample& left = chords[k - 1].end;
        const double chordLength = geometry::detail::overflow_safe_length(chord.end.p - left.p);
        if (!chord.settled && chordLength >= kShortestRefinedChord &&
            chord.depth < MLoopSegmenter::kMaxChordSplitDepth &&
            insertions < MLoopSegmenter::kMaxChordInsertionsPerFin) {
          const Sample q = MiddleOf(left, chord.end, chordLength);
          if (NeedsSplit(left, chord.end, q)) {
            next.push_back({q, chord.depth + 1, false});
            next.push_back({chord.end, chord.depth + 1, false});
            ++insertions;
            split = true;
            continue;
          }
        }
        chord.settled = true;
        next.push_back(chord);
      }
      chords = std::move(next);
    }
    std::vector<Sample> done;
    done.reserve(chords.size());
    for (const Chord& chord : chords)
      done.push_back(chord.end);
    return done;
  }
};

void RequireTags(const std::optional<std::vector<int>>& tags, std::size_t finCount) {
  if (tags && tags->size() != finCount) {
    throw std::invalid_argument("tags: " + std::to_string(tags->size()) + " tags for " +
                                std::to_string(finCount) + " fins");
  }
}

// The loop's points (and tags) in fin order.
MCadTriangulator::MSegmentedLoop Concatenate(std::vector<MLoopSegmenter::MFinPoints>& fins,
                                             const std::optional<std::vector<int>>& tags) {
  MCadTriangulator::MSegmentedLoop loop;
  if (tags)
    loop.tags.emplace();
  for (std::size_t i = 0; i < fins.size(); ++i) {
    loop.points.insert(loop.points.end(), fins[i].begin(), fins[i].end());
    if (tags)
      loop.tags->insert(loop.tags->end(), fins[i].size(), (*tags)[i]);
  }
  return loop;
}

// A loop without points, or whose points collapse into a box of diagonal below 0.0001, cannot
// bound anything.
void RequireExtent(const std::vector<MPointOnLoop>& points) {
  Oxlen::Math::boundingbox<double, 3> box;
  for (const MPointOnLoop& p : points)
    box.extend(p.point);
  if (points.empty() ||
      geometry::detail::overflow_safe_length(box.extent()) < kSmallestLoopDiagonal)
    throw MLoopSegmenter::MExceptionBadLoop();
}

// True when the UV point lies on the border of the rectangle.
bool OnBorder(const point<double, 2>& uv, const MCADUVSurface& surface) {
  const MCADDomainLimits& u = surface.GetExtremesUV(eInU);
  const MCADDomainLimits& v = surface.GetExtremesUV(eInV);
  return uv[0] == u.GetMin() || uv[0] == u.GetMax() || uv[1] == v.GetMin() || uv[1] == v.GetMax();
}

// A loop of UV fins on a surface without periodic direction that clipping laid wholly onto the
// border of the limits, and that winds around the limits' inside zero times, bounds nothing
// within the limits: MExceptionBadLoop. (All its points on the border, its signed area is a
// whole number of times the limits' area; below half of it the number is zero.) A loop with a
// point inside the limits, or one that runs around them, is left alone.
void RequireRegionWithinLimits(const std::vector<MPointOnLoop>& points,
                               const MCADUVSurface* surface) {
  if (surface == nullptr || surface->GetIsPeriodicInUV(eInU) || surface->GetIsPeriodicInUV(eInV))
    return;
  const MCADDomainLimits& u = surface->GetExtremesUV(eInU);
  const MCADDomainLimits& v = surface->GetExtremesUV(eInV);
  const point<double, 2> corner(u.GetMin(), v.GetMin());  // keeps the products small
  double twiceArea = 0.0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const auto& a = points[i].uv;
    const auto& b = points[(i + 1) % points.size()].uv;
    if (!a || !b || !OnBorder(*a, *surface))
      return;
    twiceArea += Oxlen::Math::cross(*a - corner, *b - corner);
  }
  const double limitsArea = (u.GetMax() - u.GetMin()) * (v.GetMax() - v.GetMin());
  if (std::fabs(twiceArea) < limitsArea)
    throw MLoopSegmenter::MExceptionBadLoop();
}

// The squared distance from the box beyond which a point of the curve is too far: none for a
// curve clipped in UV, max(10 tolerance, 10 box diagonals) for a space curve.
double FarthestSquared(const loops::detail::FinCurve& curve, double tolerance,
                       const Oxlen::Math::boundingbox<double, 3>& box) {
  if (curve.UVCurve() != nullptr)
    return std::numeric_limits<double>::infinity();
  const double diagonal =
      box.is_empty() ? 0.0 : geometry::detail::overflow_safe_length(box.extent());
  const double farthest = std::max(10.0 * tolerance, kFarthestInBoxDiagonals * diagonal);
  return farthest * farthest;
}

}  // namespace

MLoopSegmenter::MFinPoints MLoopSegmenter::SegmentFin(
    const MCADFin& fin, const Oxlen::Math::matrix4x4<double>& placement, double tolerance,
    const MSurfaceIsolines& isolines, const Oxlen::Math::boundingbox<double, 3>& box) {
  loops::detail::RequireTolerance(tolerance);
  const loops::detail::FinCurve curve(fin);
  const MFinSamples initial = SampleFinCurve(fin, placement, isolines, tolerance);

  std::vector<Sample> samples;
  samples.reserve(initial.parameters.size());
  for (std::size_t k = 0; k < initial.parameters.size(); ++k)
    samples.push_back({initial.parameters[k], initial.points[k]});
  if (samples.size() >= 2) {
    const ChordRefiner refiner{curve, placement, tolerance, box,
                               FarthestSquared(curve, tolerance, box)};
    samples = refiner.Refine(samples);
  }

  MFinPoints points;
  points.reserve(samples.size());
  for (const Sample& s : samples) {
    if (curve.UVCurve() != nullptr)
      points.emplace_back(s.p, curve.ClippedUVPoint(s.t));
    else
      points.emplace_back(s.p);
  }
  return points;
}

MCadTriangulator::MSegmentedLoop MLoopSegmenter::SegmentLoop(
    const MCADLoop& loop, std::optional<std::vector<int>> tags,
    const Oxlen::Math::matrix4x4<double>& placement, double tolerance,
    const MSurfaceIsolines& isolines, const Oxlen::Math::boundingbox<double, 3>& box) {
  loops::detail::RequireTolerance(tolerance);
  RequireTags(tags, loop.FinCount());
  for (const MCADFin& fin : loop.Fins())
    if (fin.curve == nullptr)
      throw std::invalid_argument("loop: a fin has no curve");

  std::vector<MFinPoints> fins;
  fins.reserve(loop.FinCount());
  for (const MCADFin& fin : loop.Fins()) {
    MFinPoints points;
    try {
      points = SegmentFin(fin, placement, tolerance, isolines, box);
    } catch (const MExceptionBadFin& e) {
      throw MExceptionBadFin(fins.size(), e.reason);
    }
    // A curve that lists no parameter gives no point to chain.
    if (points.empty())
      throw MExceptionBadLoop();
    if (!fin.sameSense)
      std::reverse(points.begin(), points.end());
    fins.push_back(std::move(points));
  }

  OrderFins(fins, tags, tolerance);
  for (std::size_t i = 0; i < fins.size(); ++i)
    JoinFins(fins[i], fins[(i + 1) % fins.size()], tolerance);

  MSegmentedLoop segmented = Concatenate(fins, tags);
  RequireExtent(segmented.points);
  RequireRegionWithinLimits(segmented.points,
                            loops::detail::FinCurve(loop.Fins().front()).Surface());
  return segmented;
}
