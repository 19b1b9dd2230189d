#include "bulk_splitting.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include <boost/unordered/unordered_flat_map.hpp>

#include "M2SplittingGenerator.h"
#include "M3SplittingGenerator.h"
#include "trimming_helpers.h"

namespace trimming::detail {

namespace {

using MTrimmer = MCadTriangulator::MTrimmer;
using M3 = MTrimmer::M3SplittingGenerator;
using trimming::detail::VertexAt;
using MCandidates = std::vector<std::pair<int, std::int32_t>>;

// At most this many cuts along segments are tried by a bulk 2-splitting.
constexpr std::size_t kSegmentCuts = 3;

// How good a bulk candidate is: first the points of its fullest child (the work left in the
// deepest branch), then the vertices it creates.
struct MBulkScore {
  std::size_t fullest = 0;
  std::size_t newVertices = 0;

  bool IsBetterThan(const MBulkScore& other) const {
    if (fullest != other.fullest)
      return fullest < other.fullest;
    return newVertices < other.newVertices;
  }
};

// The best of the candidates offered, by score; of equals the first.
struct MBest {
  bool found = false;
  MBulkScore score;
  std::size_t candidate = 0;

  void Offer(const MBulkScore& offered, std::size_t index) {
    if (!found || offered.IsBetterThan(score)) {
      score = offered;
      candidate = index;
    }
    found = true;
  }
};

// The real score of a built splitting.
MBulkScore ScoreOf(const MTrimmer::MSplitting& splitting) {
  std::size_t fullest = 0;
  for (const MTrimmer::MTriangleToTrim& child : splitting.children)
    fullest = std::max(fullest, PointCount(child));
  return {fullest, splitting.newVertices.size()};
}

// Whether every child of the splitting holds fewer points than the triangle.
bool ShrinksEveryChild(const MTrimmer::MSplitting& splitting,
                       const MTrimmer::MTriangleToTrim& triangle) {
  return ScoreOf(splitting).fullest < PointCount(triangle);
}

// Where each point of the triangle lies: the edge it is an edge point of (3 for an inner point)
// and its place in that edge's list. Corners and other vertices are not in it.
struct MPlace {
  int edge = 3;
  std::size_t index = 0;
};
using MPlaces = boost::unordered_flat_map<std::int32_t, MPlace>;

MPlaces PlacesOf(const MTrimmer::MTriangleToTrim& triangle) {
  MPlaces places;
  places.reserve(PointCount(triangle));
  for (int k = 0; k < 3; ++k)
    for (std::size_t at = 0; at < triangle.edgePoints[k].size(); ++at)
      places.emplace(triangle.edgePoints[k][at], MPlace{k, at});
  for (const std::int32_t q : triangle.innerPoints)
    places.emplace(q, MPlace{3, 0});
  return places;
}

// The estimate of a candidate: where each point would go, from orientations in the triangle's
// plane instead of the generators' distances, and one new vertex (an edge point of both
// children) for every segment whose ends would go to different children. Counting costs a few
// products per point, against the distances, maps and lists a built splitting costs; only the
// best estimate is built.
class MEstimate {
 public:
  MEstimate(const MTrimmer::MTriangleToTrim& triangle, const MTrimmer::MTriangles& result,
            const MPlaces& places)
      : m_triangle(triangle), m_result(result), m_places(places) {
    for (int k = 0; k < 3; ++k)
      m_corners[k] = VertexAt(result, triangle.vertices[k]);
    m_normal = cross(m_corners[1] - m_corners[0], m_corners[2] - m_corners[0]);
  }

  // The 3-splitting at inner point i.
  MBulkScore OfThreeSplitting(std::int32_t i) const {
    const MTrimmer::MPoint& center = VertexAt(m_result, i);
    double areas[3];
    for (int c = 0; c < 3; ++c)
      areas[c] = std::abs(Orientation(m_corners[c], m_corners[(c + 1) % 3], center));
    const auto childOf = [&](std::int32_t v) -> int {
      const auto place = m_places.find(v);
      if (place == m_places.end() || v == i)
        return -1;
      if (place->second.edge < 3)
        return place->second.edge;
      return SectorOf(center, VertexAt(m_result, v), areas);
    };
    return Count(3, childOf);
  }

  // The 2-splitting from edge point p of edge k to the opposite corner.
  MBulkScore OfTwoSplitting(int k, std::int32_t p) const {
    const MTrimmer::MPoint& from = m_corners[(k + 2) % 3];
    const MTrimmer::MPoint& to = VertexAt(m_result, p);
    const double startSide = Orientation(from, to, m_corners[k]);
    const std::size_t pAt = m_places.at(p).index;
    const auto childOf = [&](std::int32_t v) -> int {
      const auto place = m_places.find(v);
      if (place == m_places.end() || v == p)
        return -1;
      const MPlace& at = place->second;
      if (at.edge == k)
        return at.index < pAt ? 0 : 1;
      if (at.edge == (k + 1) % 3)
        return 1;
      if (at.edge == (k + 2) % 3)
        return 0;
      return Orientation(from, to, VertexAt(m_result, v)) * startSide > 0.0 ? 0 : 1;
    };
    return Count(2, childOf);
  }

 private:
  // Twice the signed area of (a, b, c) seen along the triangle's normal (scaled by its length).
  double Orientation(const MTrimmer::MPoint& a, const MTrimmer::MPoint& b,
                     const MTrimmer::MPoint& c) const {
    return dot(cross(b - a, c - a), m_normal);
  }

  // The child (t[c], t[c+1], center) whose closed sector around the center holds q; of several,
  // the largest (a point on the spoke beside a flat child goes to the other), then the lowest.
  int SectorOf(const MTrimmer::MPoint& center, const MTrimmer::MPoint& q,
               const double (&areas)[3]) const {
    double side[3];
    for (int c = 0; c < 3; ++c)
      side[c] = Orientation(center, m_corners[c], q);
    int child = 0;
    bool any = false;
    for (int c = 0; c < 3; ++c) {
      if (side[c] >= 0.0 && side[(c + 1) % 3] <= 0.0 && (!any || areas[c] > areas[child])) {
        child = c;
        any = true;
      }
    }
    return child;
  }

  template <class ChildOf>
  MBulkScore Count(int children, const ChildOf& childOf) const {
    std::size_t points[3] = {0, 0, 0};
    for (const auto& [v, place] : m_places) {
      const int child = childOf(v);
      if (child >= 0)
        ++points[child];
    }
    std::size_t crossings = 0;
    for (const MTrimmer::MSegmentFromLoop& s : m_triangle.segments) {
      const int a = childOf(s.first);
      const int b = childOf(s.second);
      if (a >= 0 && b >= 0 && a != b) {
        ++points[a];
        ++points[b];
        ++crossings;
      }
    }
    return {*std::max_element(points, points + children), crossings};
  }

  const MTrimmer::MTriangleToTrim& m_triangle;
  const MTrimmer::MTriangles& m_result;
  const MPlaces& m_places;
  MTrimmer::MPoint m_corners[3];
  MTrimmer::MPoint m_normal;
};

// The inner points a quarter, half and three quarters down the list.
std::vector<std::int32_t> ThreeSplittingCandidates(const MTrimmer::MTriangleToTrim& triangle) {
  const std::vector<std::int32_t>& inner = triangle.innerPoints;
  const std::size_t n = inner.size();
  if (n == 0)
    return {};
  std::vector<std::size_t> positions{n / 2, n / 4, 3 * n / 4};
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  std::vector<std::int32_t> candidates;
  for (const std::size_t at : positions)
    candidates.push_back(inner[at]);
  return candidates;
}

// Cuts along segments from an edge point to the opposite corner (the first few in segment
// order), then the middle point of each edge.
MCandidates TwoSplittingCandidates(const MTrimmer::MTriangleToTrim& triangle,
                                   const MPlaces& places) {
  MCandidates candidates;
  for (const MTrimmer::MSegmentFromLoop& s : triangle.segments) {
    if (candidates.size() == kSegmentCuts)
      break;
    for (const auto& [corner, other] :
         {std::pair(s.first, s.second), std::pair(s.second, s.first)}) {
      const auto found = places.find(other);
      if (found == places.end() || found->second.edge == 3)
        continue;
      const int edge = found->second.edge;
      if (triangle.vertices[(edge + 2) % 3] == corner) {
        candidates.emplace_back(edge, other);
        break;
      }
    }
  }
  for (int k = 0; k < 3; ++k) {
    const std::vector<std::int32_t>& list = triangle.edgePoints[k];
    if (!list.empty())
      candidates.emplace_back(k, list[list.size() / 2]);
  }
  return candidates;
}

}  // namespace

MCadTriangulator::MTrimmer::MSplitting ChooseBulkSplitting(
    const MCadTriangulator::MTrimmer::MTriangleToTrim& triangle,
    const MCadTriangulator::MTrimmer::MTriangles& result, const MLoopEdgeIndex& loopEdges,
    bool& found) {
  const auto buildThree = [&](std::int32_t i) {
    return M3::Generate3Splitting(triangle, result, i, M3::EInnerPointTie::eLargerChild);
  };
  const auto buildTwo = [&](int k, std::int32_t p) {
    return MTrimmer::M2SplittingGenerator::Generate2Splitting(triangle, result, k, p, &loopEdges);
  };
  const MPlaces places = PlacesOf(triangle);
  const std::vector<std::int32_t> inner = ThreeSplittingCandidates(triangle);
  const MCandidates cuts = TwoSplittingCandidates(triangle, places);

  // The best estimate, built.
  const MEstimate estimate(triangle, result, places);
  MBest best;
  for (std::size_t c = 0; c < inner.size(); ++c)
    best.Offer(estimate.OfThreeSplitting(inner[c]), c);
  for (std::size_t c = 0; c < cuts.size(); ++c)
    best.Offer(estimate.OfTwoSplitting(cuts[c].first, cuts[c].second), inner.size() + c);
  found = false;
  if (!best.found)
    return {};
  MTrimmer::MSplitting chosen = best.candidate < inner.size()
                                    ? buildThree(inner[best.candidate])
                                    : buildTwo(cuts[best.candidate - inner.size()].first,
                                               cuts[best.candidate - inner.size()].second);
  if (ShrinksEveryChild(chosen, triangle)) {
    found = true;
    return chosen;
  }

  // The estimate was wrong: every candidate built and scored by its real children, of those that
  // leave fewer points in every child.
  MBest real;
  std::vector<MTrimmer::MSplitting> built;
  for (const std::int32_t i : inner)
    built.push_back(buildThree(i));
  for (const auto& [k, p] : cuts)
    built.push_back(buildTwo(k, p));
  for (std::size_t c = 0; c < built.size(); ++c)
    if (ShrinksEveryChild(built[c], triangle))
      real.Offer(ScoreOf(built[c]), c);
  if (!real.found)
    return {};
  found = true;
  return std::move(built[real.candidate]);
}

}  // namespace trimming::detail
