// Fin joining: the repair of the junction between two consecutive fins of a loop by snapping or
// cutting back their end points.

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MLoopSegmenter.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "spatial/closest_point_parameters.h"
#include "spatial/numeric_helpers.h"

using MLoopSegmenter = MCadTriangulator::MLoopSegmenter;
using MPointOnLoop = MCadTriangulator::MPointOnLoop;
using Oxlen::Math::point;

namespace {

// Points between the two ends of an end segment stay within this share of its length from it.
constexpr double kStraightEndShare = 0.01;
// Sine of the angle below which two directions count as parallel.
constexpr double kParallelSine = 0.01;
// Cosine below which a gap points back against an end direction.
constexpr double kBackwardsCosine = -0.9;

double Length(const point<double, 3>& v) {
  return geometry::detail::overflow_safe_length(v);
}

// The end segment of the points [begin, end) (see GetEndSegment); the range has at least two
// points. Works on forward and on reverse iterators, so the end of a fin needs no copy.
template <class It>
std::pair<MPointOnLoop, MPointOnLoop> EndSegment(It begin, It end, double tolerance) {
  const point<double, 3>& p0 = begin->point;
  const auto count = std::distance(begin, end);
  for (auto k = decltype(count){1}; k < count; ++k) {
    const point<double, 3>& pk = begin[k].point;
    const double length = Length(pk - p0);
    if (!(length >= tolerance) && k != count - 1)
      continue;
    const geometry::MSegment segment{p0, pk};
    bool straight = true;
    for (auto m = decltype(count){1}; m < k && straight; ++m)
      straight = geometry::ComputeDistanceBetweenPointAndSegment(begin[m].point, segment) <
                 length * kStraightEndShare;
    if (straight)
      return {*begin, begin[k]};
  }
  return {*begin, begin[1]};
}

}  // namespace

std::pair<MPointOnLoop, MPointOnLoop> MLoopSegmenter::GetEndSegment(const MFinPoints& f,
                                                                    double tolerance) {
  if (f.empty())
    throw std::invalid_argument("f: a fin without points has no end segment");
  if (f.size() < 2)
    return {f.back(), f.back()};
  return EndSegment(f.begin(), f.end(), tolerance);
}

void MLoopSegmenter::JoinFins(MFinPoints& a, MFinPoints& b, double tolerance) {
  if (a.empty() || b.empty())
    return;
  // Reliable directions arriving at the end of a and leaving the start of b.
  const auto [a0, a1] =
      a.size() < 2 ? std::pair{a.back(), a.back()} : EndSegment(a.rbegin(), a.rend(), tolerance);
  const auto [b0, b1] = GetEndSegment(b, tolerance);
  const point<double, 3> tA = a0.point - a1.point;
  const point<double, 3> tB = b1.point - b0.point;
  const double lenA = Length(tA);
  const double lenB = Length(tB);
  const point<double, 3> g = b.front().point - a.back().point;
  const double gap = Length(g);

  // Ends too short to tell a direction: leave the junction alone.
  if (lenA < tolerance && lenB < tolerance)
    return;
  // b starts straight ahead of a, or a ends straight behind b: a gap along the loop's own
  // direction is part of the loop's shape, not a defect.
  if (lenA >= tolerance && dot(g, tA) > 0.0 && Length(cross(g, tA)) < kParallelSine * gap * lenA)
    return;
  if (lenB >= tolerance && dot(g, tB) > 0.0 && Length(cross(g, tB)) < kParallelSine * gap * lenB)
    return;
  // A short end next to a small gap moves onto its neighbour.
  if (lenA < tolerance) {
    if (gap < tolerance)
      a.back() = b.front();
    return;
  }
  if (lenB < tolerance) {
    if (gap < tolerance)
      b.front() = a.back();
    return;
  }
  // Parallel ends have no crossing: a small gap is closed by moving the shorter end.
  if (Length(cross(tA, tB)) < kParallelSine * lenA * lenB) {
    if (gap >= tolerance)
      return;
    if (lenA <= lenB)
      a.back() = b.front();
    else
      b.front() = a.back();
    return;
  }

  // Cut both ends back (or extend them) to the crossing of their end lines A1 + s tA and
  // B0 + t tB.
  auto [s, t] = geometry::detail::ComputeClosestParametersBetweenLines({a1.point, a0.point},
                                                                       {b0.point, b1.point});
  s = std::max(s, 0.0);
  const bool inB = 0.0 < t && t < 1.0;
  MPointOnLoop newA = a.back();
  bool moveB = false;
  if (!(0.0 < s && s < 1.0)) {
    if (!inB)
      return;
    moveB = dot(tB, g) < kBackwardsCosine * gap * lenB;
  } else if (inB) {
    newA = MPointOnLoop::Interpolate(a1, a0, s);
    moveB = true;
  } else if (dot(tA, g) < kBackwardsCosine * gap * lenA) {
    newA = MPointOnLoop::Interpolate(a1, a0, s);
  }
  const MPointOnLoop newB = moveB ? MPointOnLoop::Interpolate(b0, b1, t) : b.front();

  // A cut that brings the ends no closer, or moves one of them by more than the tolerance, is
  // refused unless the ends were far apart compared with the cut's remaining gap.
  const double e = Length(a.back().point - b.front().point);
  const double m = Length(newA.point - newB.point);
  if (e <= 2.0 * m + tolerance) {
    if (e <= m || Length(a.back().point - newA.point) > tolerance ||
        Length(b.front().point - newB.point) > tolerance)
      return;
  }
  a.back() = newA;
  b.front() = newB;
}
