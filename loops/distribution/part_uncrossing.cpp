#include "part_uncrossing.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/geometry/MSegment.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "spatial/closest_point_parameters.h"

namespace loops::detail {

namespace {

using MQuads = MCadTriangulator::MQuads;
using MLoopPart = MCadTriangulator::MLoopsOnQuads::MLoopPart;
using Point3 = Oxlen::Math::point<double, 3>;

// True when the end points of a and b interleave around the quad's border.
bool PartsCross(const MQuads& quads, const MQuads::MQuadIndex& quad, const MLoopPart& a,
                const MLoopPart& b, const SplittingPointsByEdge& byEdge) {
  const auto corners = quads.GetQuadVertices(quad);
  std::vector<int> labels;
  for (int k = 0; k < 4 && labels.size() < 3; ++k) {
    for (const int index : SplittingPointsAlong(byEdge, corners[k], corners[(k + 1) % 4])) {
      if (index == a.start || index == a.end)
        labels.push_back(0);
      else if (index == b.start || index == b.end)
        labels.push_back(1);
    }
  }
  return labels.size() >= 3 && labels[1] != labels[0] && labels[1] != labels[2];
}

// The part as a polyline: its start crossing's position, its points, its end crossing's.
std::vector<Point3> Polyline(const MQuads& quads, const MLoopPartSet& set, const MLoopPart& part) {
  std::vector<Point3> polyline;
  polyline.reserve(part.points.size() + 2);
  polyline.push_back(quads.LocatePointOnEdge(
      set.splittingPoints[static_cast<std::size_t>(part.start)].pointOnEdge));
  polyline.insert(polyline.end(), part.points.begin(), part.points.end());
  polyline.push_back(
      quads.LocatePointOnEdge(set.splittingPoints[static_cast<std::size_t>(part.end)].pointOnEdge));
  return polyline;
}

Point3 PointAt(const geometry::MSegment& s, double t) {
  return s.first + t * (s.second - s.first);
}

// Where two crossing parts meet: the segment indices of the nearest pair of their polylines and
// the midpoint of the nearest points of these segments.
struct Meeting {
  std::size_t segmentA = 0;
  std::size_t segmentB = 0;
  Point3 point;
};

Meeting FindMeeting(const std::vector<Point3>& a, const std::vector<Point3>& b) {
  Meeting meeting;
  double best = std::numeric_limits<double>::max();
  for (std::size_t i = 0; i + 1 < a.size(); ++i) {
    for (std::size_t j = 0; j + 1 < b.size(); ++j) {
      const double d = geometry::ComputeDistanceBetweenSegments({a[i], a[i + 1]}, {b[j], b[j + 1]});
      if (d < best) {
        best = d;
        meeting.segmentA = i;
        meeting.segmentB = j;
      }
    }
  }
  const geometry::MSegment sa{a[meeting.segmentA], a[meeting.segmentA + 1]};
  const geometry::MSegment sb{b[meeting.segmentB], b[meeting.segmentB + 1]};
  const auto [ta, tb] = geometry::detail::ComputeClosestParametersBetweenSegments(sa, sb);
  meeting.point = (PointAt(sa, ta) + PointAt(sb, tb)) * 0.5;
  return meeting;
}

// head[0, cut) + middle + tail[from, end).
template <class T>
std::vector<T> Splice(const std::vector<T>& head, std::size_t cut, const T& middle,
                      const std::vector<T>& tail, std::size_t from) {
  std::vector<T> result(head.begin(), head.begin() + static_cast<std::ptrdiff_t>(cut));
  result.push_back(middle);
  result.insert(result.end(), tail.begin() + static_cast<std::ptrdiff_t>(from), tail.end());
  return result;
}

// The tag of a point inserted at `index` of the part's points: that of the point before it, or
// the start crossing's when it comes first.
std::int32_t InsertedTag(const MLoopPartSet& set, const MLoopPart& part, std::size_t index) {
  if (index > 0)
    return (*part.tags)[index - 1];
  return set.splittingPoints[static_cast<std::size_t>(part.start)].tag.value_or(0);
}

void Uncross(const MQuads& quads, MLoopPartSet& set, MLoopPart& a, MLoopPart& b) {
  const Meeting m = FindMeeting(Polyline(quads, set, a), Polyline(quads, set, b));
  const std::size_t ia = m.segmentA;
  const std::size_t ib = m.segmentB;
  // With M inserted at ia (ib), a's points after M are its old points from ia on.
  std::vector<Point3> pointsA = Splice(a.points, ia, m.point, b.points, ib);
  std::vector<Point3> pointsB = Splice(b.points, ib, m.point, a.points, ia);
  if (a.tags && b.tags) {
    // A point's tag is the tag of the segment leaving it. After the exchange the segment leaving
    // M in a runs along b's old segment, and the other way round, so each M takes the tag of the
    // other part's point before it.
    std::vector<std::int32_t> tagsA = Splice(*a.tags, ia, InsertedTag(set, b, ib), *b.tags, ib);
    std::vector<std::int32_t> tagsB = Splice(*b.tags, ib, InsertedTag(set, a, ia), *a.tags, ia);
    a.tags = std::move(tagsA);
    b.tags = std::move(tagsB);
  }
  a.points = std::move(pointsA);
  b.points = std::move(pointsB);
  std::swap(a.end, b.end);
}

// Uncrosses the first crossing pair of one quad's parts; false when no pair crosses.
bool UncrossFirstPair(const MQuads& quads, const MQuads::MQuadIndex& quad,
                      std::vector<MLoopPart>& parts, MLoopPartSet& set,
                      const SplittingPointsByEdge& byEdge) {
  for (std::size_t i = 0; i < parts.size(); ++i) {
    for (std::size_t j = i + 1; j < parts.size(); ++j) {
      if (PartsCross(quads, quad, parts[i], parts[j], byEdge)) {
        Uncross(quads, set, parts[i], parts[j]);
        return true;
      }
    }
  }
  return false;
}

}  // namespace

bool UncrossParts(const MQuads& quads, MLoopPartSet& set, const SplittingPointsByEdge& byEdge) {
  bool uncrossed = false;
  for (auto& [quad, parts] : set.parts) {
    while (UncrossFirstPair(quads, quad, parts, set, byEdge))
      uncrossed = true;
  }
  return uncrossed;
}

}  // namespace loops::detail
