#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <map>
#include <set>
#include <vector>

#include "Oxlen/Cad/Triangulation/geometry/MSegment.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "geometric_seeding.h"
#include "spatial/closest_point_parameters.h"
#include "spatial/numeric_helpers.h"

namespace selector::detail {

namespace {

using MQuadIndex = MQuads::MQuadIndex;
using MVertexIndex = MQuads::MVertexIndex;
using Point3 = Oxlen::Math::point<double, 3>;
using geometry::MSegment;
using geometry::detail::overflow_safe_length;

// A segment must face a quad edge at least this steeply (cosine of their directions) to seed.
constexpr double kFacingCosine = 0.4;

// Candidate segments examined per quad edge: each is tested against every other segment of the
// quad, so a quad crowded with loop points (a quad budget too small for the loops) would cost the
// square of its points. The first ones in loop order decide; beyond these a quad edge has been
// offered its statuses many times over.
constexpr std::size_t kMaxExaminedPerEdge = 8;

// Seeds offered by the segments; a vertex offered two different statuses is banned for good.
class Offers {
 public:
  void Offer(const MVertexIndex& vertex, int status) {
    if (banned_.contains(vertex))
      return;
    const auto value = static_cast<EVertexStatus>(status);
    const auto [it, inserted] = seeds_.emplace(vertex, value);
    if (!inserted && it->second != value) {
      seeds_.erase(it);
      banned_.insert(vertex);
    }
  }

  const SeedMap& Seeds() const { return seeds_; }

 private:
  SeedMap seeds_;
  std::set<MVertexIndex> banned_;
};

Point3 At(const MSegment& s, double t) {
  return s.first + t * (s.second - s.first);
}

class QuadSeeder {
 public:
  QuadSeeder(const MCadTriangulator::MQuadrangulatedSurface& grid, const MQuadIndex& quad,
             double tolerance)
      : grid_(grid),
        quads_(grid.quads),
        quad_(quad),
        tolerance_(tolerance),
        corners_(quads_.GetQuadVertices(quad)) {
    for (std::size_t k = 0; k < 4; ++k)
      rim_[k] = quads_.GetVertex3d(corners_[k]);
    CollectSegments();
  }

  void Seed(Offers& offers) const {
    if (segments_.empty())
      return;
    std::vector<bool> candidate(segments_.size());
    for (std::size_t i = 0; i < segments_.size(); ++i)
      candidate[i] = !RunsAlongBorder(segments_[i]);
    for (int k = 0; k < 4; ++k)
      SeedEdge(k, candidate, offers);
  }

 private:
  // The segments of the quad's part polylines (start crossing, points, end crossing), then of
  // its inner loops (closed).
  void CollectSegments() {
    for (const auto& part : grid_.loops.GetLoopParts(quad_)) {
      std::vector<Point3> polyline;
      polyline.push_back(
          quads_.LocatePointOnEdge(grid_.loops.GetLoopSplittingPoint(part.start).pointOnEdge));
      polyline.insert(polyline.end(), part.points.begin(), part.points.end());
      polyline.push_back(
          quads_.LocatePointOnEdge(grid_.loops.GetLoopSplittingPoint(part.end).pointOnEdge));
      for (std::size_t k = 0; k + 1 < polyline.size(); ++k)
        segments_.push_back(MSegment{polyline[k], polyline[k + 1]});
    }
    for (const auto& loop : grid_.loops.GetInnerLoops(quad_)) {
      for (std::size_t k = 0; k < loop.points.size(); ++k)
        segments_.push_back(MSegment{loop.points[k], loop.points[(k + 1) % loop.points.size()]});
    }
  }

  MQuads::MQuadEdge Edge(int k) const { return {corners_[k], corners_[(k + 1) % 4]}; }

  // Whether a loop point lies on the quad edge k, as near to its straight segment as to the quad.
  bool OnEdge(const Point3& e, int k) const {
    const double d2 = geometry::detail::squared_distance_to_segment(e, rim_[k], rim_[(k + 1) % 4]);
    const double q = quads_.ComputeSquaredDistanceBetweenQuadAndPoint(quad_, e, nullptr);
    return d2 - q < tolerance_ * tolerance_;
  }

  bool RunsAlongBorder(const MSegment& s) const {
    for (int k = 0; k < 4; ++k) {
      if (quads_.IsEdgeOnBorder(Edge(k)) && OnEdge(s.first, k) && OnEdge(s.second, k))
        return true;
    }
    return false;
  }

  // The crossing parameters listed on edge k: of every part's start and end crossing on it, the
  // stored parameter when its edge runs from corner k to k + 1, 1 minus it the other way round.
  std::vector<double> ListedParameters(int k) const {
    const MQuads::MQuadEdge forward = Edge(k);
    const MQuads::MQuadEdge backward(forward.end, forward.start);
    std::vector<double> listed;
    for (const auto& part : grid_.loops.GetLoopParts(quad_)) {
      for (const int index : {part.start, part.end}) {
        const auto& pointOnEdge = grid_.loops.GetLoopSplittingPoint(index).pointOnEdge;
        if (pointOnEdge.edge == forward)
          listed.push_back(pointOnEdge.parameter);
        else if (pointOnEdge.edge == backward)
          listed.push_back(1.0 - pointOnEdge.parameter);
      }
    }
    return listed;
  }

  Point3 OntoQuad(const Point3& p) const {
    Point3 closest;
    quads_.ComputeSquaredDistanceBetweenQuadAndPoint(quad_, p, &closest);
    return closest;
  }

  // Whether another loop segment comes within the tolerance of the way from m to x.
  bool IsBlocked(std::size_t self, const Point3& m, const Point3& x) const {
    const MSegment way{m, x};
    for (std::size_t j = 0; j < segments_.size(); ++j) {
      if (j == self)
        continue;
      const auto [t1, t2] =
          geometry::detail::ComputeClosestParametersBetweenSegments(segments_[j], way);
      if (Oxlen::Math::distance(OntoQuad(At(segments_[j], t1)), OntoQuad(At(way, t2))) < tolerance_)
        return true;
    }
    return false;
  }

  void SeedEdge(int k, const std::vector<bool>& candidate, Offers& offers) const {
    const Point3& a = rim_[k];
    const Point3& b = rim_[(k + 1) % 4];
    const Point3 ab = b - a;
    const double length = overflow_safe_length(ab);
    if (length < tolerance_)
      return;
    std::vector<double> listed = ListedParameters(k);
    std::sort(listed.begin(), listed.end());
    const int odd = listed.size() % 2 == 1 ? 1 : 0;
    std::size_t examined = 0;
    for (std::size_t i = 0; i < segments_.size() && examined < kMaxExaminedPerEdge; ++i) {
      if (!candidate[i])
        continue;
      const Point3 pq = segments_[i].second - segments_[i].first;
      const double segmentLength = overflow_safe_length(pq);
      const double along = dot(ab, pq);
      if (segmentLength < tolerance_ || std::abs(along) < kFacingCosine * length * segmentLength)
        continue;
      const Point3 m = (segments_[i].first + segments_[i].second) * 0.5;
      const double t = geometry::GetPointToSegmentProjectionParameter(m, MSegment{a, b});
      const Point3 x = a + t * ab;
      ++examined;
      if (IsBlocked(i, m, x))
        continue;
      const auto before = std::lower_bound(listed.begin(), listed.end(), t) - listed.begin();
      const int r = along < 0.0 ? 1 : 0;
      const int even = before % 2 == 0 ? 1 : 0;
      offers.Offer(corners_[k], r ^ even);
      offers.Offer(corners_[(k + 1) % 4], r ^ even ^ odd);
    }
  }

  const MCadTriangulator::MQuadrangulatedSurface& grid_;
  const MQuads& quads_;
  MQuadIndex quad_;
  double tolerance_;
  std::array<MVertexIndex, 4> corners_;
  std::array<Point3, 4> rim_;
  std::vector<MSegment> segments_;
};

}  // namespace

SeedMap SeedFromEdgeSegments(const MCadTriangulator::MQuadrangulatedSurface& grid,
                             double tolerance) {
  Offers offers;
  const int quadsU = grid.quads.GetQuadsCount(MQuads::EAxis::U);
  const int quadsV = grid.quads.GetQuadsCount(MQuads::EAxis::V);
  for (int u = 0; u < quadsU; ++u) {
    for (int v = 0; v < quadsV; ++v) {
      const MQuadIndex quad(u, v);
      if (grid.loops.GetNumberOfLoopParts(quad) == 0 && grid.loops.GetNumberOfInnerLoops(quad) == 0)
        continue;
      QuadSeeder(grid, quad, tolerance).Seed(offers);
    }
  }
  return offers.Seeds();
}

}  // namespace selector::detail
