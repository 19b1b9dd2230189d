// Parameter decimation: thinning a parameter list along which polylines are straight enough.

#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"
#include "spatial/numeric_helpers.h"

using MQuadrangulatedSurface = MCadTriangulator::MQuadrangulatedSurface;
using Oxlen::Math::point;
using Polyline = std::vector<point<double, 3>>;

namespace {

// Score of a point farther than the tolerance from the chord of its neighbours: never removed.
constexpr double kKeep = std::numeric_limits<double>::max();

// Parameters whose lowest score exceeds this (the sine of a 30 degree turn) are all kept.
constexpr double kMaxRemovableScore = 0.5;

// v scaled to unit length; the zero vector stays zero.
point<double, 3> Unit(const point<double, 3>& v) {
  if (v == point<double, 3>(0.0, 0.0, 0.0))
    return v;
  return v / geometry::detail::overflow_safe_length(v);
}

// Folds polyline point k, whose current neighbours are points b and a, into its score: the largest
// double when it leaves the chord of its two neighbours by more than the tolerance, otherwise the
// sine of the polyline's turning angle there, unless it lies within a thousandth of the tolerance
// of the chord (then the score is left alone).
void ScorePoint(const Polyline& polyline, std::size_t b, std::size_t k, std::size_t a,
                double tolerance, double& score) {
  const point<double, 3>& before = polyline[b];
  const point<double, 3>& here = polyline[k];
  const point<double, 3>& after = polyline[a];
  const double d = std::sqrt(geometry::detail::squared_distance_to_segment(here, before, after));
  if (d > tolerance) {
    score = kKeep;  // no sine exceeds it
    return;
  }
  if (d >= tolerance / 1000.0) {
    const double sine = Oxlen::Math::length(cross(Unit(before - here), Unit(here - after)));
    if (sine > score)
      score = sine;
  }
}

// Score of point k with neighbours b and a over every polyline: -1 where all are nearly straight.
// A score only grows, so once a polyline keeps the point the others need not be looked at.
double ScoreOf(const std::vector<Polyline>& polylines, std::size_t b, std::size_t k, std::size_t a,
               double tolerance) {
  double score = -1.0;
  for (const Polyline& polyline : polylines) {
    ScorePoint(polyline, b, k, a, tolerance, score);
    if (score == kKeep)
      break;
  }
  return score;
}

void RequireMatchingPolylines(std::size_t count, const std::vector<Polyline>& polylines) {
  for (std::size_t p = 0; p < polylines.size(); ++p) {
    if (polylines[p].size() != count) {
      throw std::invalid_argument("polylines: polyline " + std::to_string(p) + " has " +
                                  std::to_string(polylines[p].size()) + " points for " +
                                  std::to_string(count) + " parameters");
    }
  }
}

}  // namespace

void MQuadrangulatedSurface::DecimateParameters(std::vector<double>& parameters,
                                                std::vector<Polyline> polylines, double tolerance) {
  if (std::isnan(tolerance))
    throw std::invalid_argument("tolerance: NaN");
  RequireMatchingPolylines(parameters.size(), polylines);
  const std::size_t count = parameters.size();
  if (count < 3 || polylines.empty())
    return;

  // Points are removed from a doubly linked list over their original indices; a min-heap keyed by
  // (score, original index) finds the next removal. Since removals keep the order, the smallest
  // original index among equal scores is also the first in the current list. Only the two former
  // neighbours of a removed point change their score; their stale heap entries are skipped.
  std::vector<std::size_t> previous(count);
  std::vector<std::size_t> next(count);
  for (std::size_t k = 0; k < count; ++k) {
    previous[k] = k - 1;  // wraps for k = 0, never read: the ends are never scored
    next[k] = k + 1;
  }
  std::vector<double> scores(count, 0.0);
  std::vector<char> removed(count, 0);
  using Entry = std::pair<double, std::size_t>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> heap;
  const auto rescore = [&](std::size_t k) {
    scores[k] = ScoreOf(polylines, previous[k], k, next[k], tolerance);
    heap.emplace(scores[k], k);
  };
  for (std::size_t k = 1; k + 1 < count; ++k)
    rescore(k);

  std::size_t remaining = count;
  while (remaining >= 3 && !heap.empty()) {
    const auto [score, m] = heap.top();
    heap.pop();
    if (removed[m] || score != scores[m])
      continue;
    if (score > kMaxRemovableScore)
      break;
    removed[m] = 1;
    --remaining;
    const std::size_t before = previous[m];
    const std::size_t after = next[m];
    next[before] = after;
    previous[after] = before;
    if (before != 0)
      rescore(before);
    if (after != count - 1)
      rescore(after);
  }

  std::size_t kept = 0;
  for (std::size_t k = 0; k < count; ++k)
    if (!removed[k])
      parameters[kept++] = parameters[k];
  parameters.resize(kept);
}
