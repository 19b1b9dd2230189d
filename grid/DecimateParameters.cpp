// Parameter decimation: thinning a parameter list along which polylines are straight enough.

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

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

// Folds polyline point k into its score: the largest double when it leaves the chord of its two
// neighbours by more than the tolerance, otherwise the sine of the polyline's turning angle there,
// unless it lies within a thousandth of the tolerance of the chord (then the score is left alone).
void ScorePoint(const Polyline& polyline, std::size_t k, double tolerance, double& score) {
  const point<double, 3>& before = polyline[k - 1];
  const point<double, 3>& here = polyline[k];
  const point<double, 3>& after = polyline[k + 1];
  const double d = std::sqrt(geometry::detail::squared_distance_to_segment(here, before, after));
  if (d > tolerance)
    score = kKeep;
  if (d >= tolerance / 1000.0) {
    const double sine = Oxlen::Math::length(cross(Unit(before - here), Unit(here - after)));
    if (sine > score)
      score = sine;
  }
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
  const std::size_t initialCount = parameters.size();
  if (initialCount < 3 || polylines.empty())
    return;

  std::vector<double> scores(initialCount, 0.0);
  std::size_t lo = 1;  // the window [lo, hi) of indices to score again
  std::size_t hi = initialCount - 1;
  for (std::size_t round = 0; round < 2 * initialCount && parameters.size() >= 3; ++round) {
    for (std::size_t k = lo; k < hi; ++k)
      scores[k] = -1.0;
    for (const Polyline& polyline : polylines)
      for (std::size_t k = lo; k < hi; ++k)
        ScorePoint(polyline, k, tolerance, scores[k]);

    std::size_t m = 1;
    for (std::size_t k = 2; k + 1 < parameters.size(); ++k)
      if (scores[k] < scores[m])
        m = k;
    if (scores[m] > kMaxRemovableScore)
      return;

    parameters.erase(parameters.begin() + m);
    scores.erase(scores.begin() + m);
    for (Polyline& polyline : polylines)
      polyline.erase(polyline.begin() + m);
    const std::size_t n = parameters.size();
    lo = m - 1 > 1 ? m - 1 : 1;
    hi = m + 1 < n - 1 ? m + 1 : n - 1;
  }
}
