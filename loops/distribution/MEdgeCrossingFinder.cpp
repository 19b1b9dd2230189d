#include "MEdgeCrossingFinder.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Oxlen/Cad/Triangulation/geometry/MSegment.h"
#include "edge_key.h"
#include "spatial/closest_point_parameters.h"
#include "spatial/numeric_helpers.h"

namespace loops::detail {

namespace {

using Point3 = MEdgeCrossingFinder::Point3;

constexpr double kNotComputed = -1.0;
// A segment runs along an edge when their directions are this close to parallel ...
constexpr double kAlongCosine = 0.999;
// ... and both its end points lie within this squared distance of the edge's line.
constexpr double kAlongSquaredDistance = 1e-6;

// Projection parameter of x on the line a -> b, and the squared distance from x to that point of
// the line (not clamped to the segment).
double SquaredDistanceToLine(const Point3& x, const Point3& a, const Point3& b, double& t) {
  t = geometry::detail::segment_projection_parameter(x, a, b);
  return squared_distance(x, Oxlen::Math::lerp(a, b, t));
}

}  // namespace

MEdgeCrossingFinder::MEdgeCrossingFinder(const MQuads& grid, std::vector<double>& storage)
    : grid_(grid), cache_(storage), lowest_(std::numeric_limits<std::size_t>::max()) {
  const std::size_t size = 2 * static_cast<std::size_t>(grid.GetIsolinesCount(MQuads::EAxis::U)) *
                           static_cast<std::size_t>(grid.GetIsolinesCount(MQuads::EAxis::V));
  if (cache_.size() != size)
    cache_.assign(size, kNotComputed);
}

MEdgeCrossingFinder::~MEdgeCrossingFinder() {
  ResetWrittenRange();
}

std::size_t MEdgeCrossingFinder::ResetWrittenRange() {
  if (lowest_ > highest_)
    return 0;
  std::fill(cache_.begin() + static_cast<std::ptrdiff_t>(lowest_),
            cache_.begin() + static_cast<std::ptrdiff_t>(highest_) + 1, kNotComputed);
  const std::size_t count = highest_ - lowest_ + 1;
  lowest_ = std::numeric_limits<std::size_t>::max();
  highest_ = 0;
  return count;
}

void MEdgeCrossingFinder::SetSegment(const Point3& p, const Point3& q) {
  p_ = p;
  q_ = q;
  lastReset_ = ResetWrittenRange();
}

double MEdgeCrossingFinder::GetParameter(const MQuads::MQuadEdge& edge) {
  const std::size_t key = static_cast<std::size_t>(PlainEdgeKey(grid_, edge));
  double& cached = cache_[key];
  if (cached == kNotComputed) {
    cached = Compute(edge);
    ++computed_;
    lowest_ = std::min(lowest_, key);
    highest_ = std::max(highest_, key);
  }
  return cached;
}

double MEdgeCrossingFinder::Compute(const MQuads::MQuadEdge& edge) const {
  const Point3& a = grid_.GetVertex3d(edge.IsReversed() ? edge.end : edge.start);
  const Point3& b = grid_.GetVertex3d(edge.IsReversed() ? edge.start : edge.end);
  const Point3 d = b - a;
  const Point3 s = q_ - p_;
  const double cosine = std::abs(dot(d / geometry::detail::overflow_safe_length(d),
                                     s / geometry::detail::overflow_safe_length(s)));
  double tp = 0.0;
  double tq = 0.0;
  const double hp = SquaredDistanceToLine(p_, a, b, tp);
  const double hq = SquaredDistanceToLine(q_, a, b, tq);
  if (cosine > kAlongCosine && std::max(hp, hq) < kAlongSquaredDistance)
    return std::clamp(tq, 0.0, 1.0);
  return geometry::detail::ComputeClosestParametersBetweenSegments(geometry::MSegment{p_, q_},
                                                                   geometry::MSegment{a, b})
      .second;
}

}  // namespace loops::detail
