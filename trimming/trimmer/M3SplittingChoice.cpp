// Which inner point a 3-splitting is built at.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include <boost/container/flat_set.hpp>
#include <boost/container/small_vector.hpp>
#include <boost/unordered/unordered_flat_map.hpp>

#include "M3SplittingGenerator.h"
#include "Oxlen/Cad/Triangulation/geometry/MSegment.h"
#include "spatial/closest_point_parameters.h"
#include "trimming_helpers.h"

using MTrimmer = MCadTriangulator::MTrimmer;
using M3SplittingGenerator = MTrimmer::M3SplittingGenerator;
using trimming::detail::VertexAt;

namespace {

// The bound a candidate's count must be strictly below to be taken.
constexpr long long kNoCandidate = 2147483647;

// The segments of a triangle by vertex: positions in `segments`, under both ends (a loop point
// is the end of two segments, rarely more).
using MSegmentsByVertex =
    boost::unordered_flat_map<std::int32_t, boost::container::small_vector<std::size_t, 2>>;
using MScores = boost::unordered_flat_map<std::int32_t, long long>;

MSegmentsByVertex IndexSegmentsByVertex(const MTrimmer::MTriangleToTrim& triangle) {
  MSegmentsByVertex byVertex;
  for (std::size_t s = 0; s < triangle.segments.size(); ++s) {
    byVertex[triangle.segments[s].first].push_back(s);
    byVertex[triangle.segments[s].second].push_back(s);
  }
  return byVertex;
}

// The triangle's points swept around a corner, in angular order from the corner's outgoing
// edge toward its incoming edge, with the rank of each (0 for a vertex that was not swept).
struct MAngularOrder {
  std::vector<std::int32_t> points;
  boost::unordered_flat_map<std::int32_t, std::size_t> ranks;  // a repeated point: its last rank

  std::size_t RankOf(std::int32_t vertex) const {
    const auto found = ranks.find(vertex);
    return found == ranks.end() ? 0 : found->second;
  }
};

MAngularOrder SortAroundCorner(const MTrimmer::MTriangleToTrim& triangle, int k,
                               const MTrimmer::MTriangles& result) {
  MAngularOrder order;
  order.points = triangle.innerPoints;
  for (const auto& list : triangle.edgePoints)
    order.points.insert(order.points.end(), list.begin(), list.end());
  const MTrimmer::MPoint& c = VertexAt(result, triangle.vertices[k]);
  const MTrimmer::MPoint n = cross(VertexAt(result, triangle.vertices[(k + 1) % 3]) - c,
                                   VertexAt(result, triangle.vertices[(k + 2) % 3]) - c);
  // The comparison is exactly antisymmetric, and a stable sort never leaves its range even
  // where rounding makes it intransitive.
  std::stable_sort(order.points.begin(), order.points.end(), [&](std::int32_t x, std::int32_t y) {
    return dot(cross(VertexAt(result, x) - c, VertexAt(result, y) - c), n) > 0;
  });
  order.ranks.reserve(order.points.size());
  for (std::size_t r = 0; r < order.points.size(); ++r)
    order.ranks[order.points[r]] = r;
  return order;
}

std::int32_t OtherEnd(const MTrimmer::MSegmentFromLoop& s, std::int32_t vertex) {
  return s.first == vertex ? s.second : s.first;
}

// Adds, for every swept point P, the number of segments the spoke from corner k to P crosses:
// the segments active when P is reached (one end swept before P, the other after it) whose
// nearest point to the spoke lies short of P.
void SweepAroundCorner(const MTrimmer::MTriangleToTrim& triangle, int k,
                       const MTrimmer::MTriangles& result, const MSegmentsByVertex& byVertex,
                       MScores& scores) {
  const MAngularOrder order = SortAroundCorner(triangle, k, result);
  const MTrimmer::MPoint& c = VertexAt(result, triangle.vertices[k]);
  static const MSegmentsByVertex::mapped_type kNone;
  // Only the number of active segments the spoke crosses counts, not their order.
  boost::container::flat_set<std::size_t> active;
  for (const std::int32_t p : order.points) {
    const std::size_t rank = order.RankOf(p);
    const auto incident = byVertex.find(p);
    const MSegmentsByVertex::mapped_type& segments =
        incident == byVertex.end() ? kNone : incident->second;
    for (const std::size_t s : segments)
      if (order.RankOf(OtherEnd(triangle.segments[s], p)) < rank)
        active.erase(s);
    long long count = 0;
    const geometry::MSegment spoke{c, VertexAt(result, p)};
    for (const std::size_t s : active) {
      const MTrimmer::MSegmentFromLoop& segment = triangle.segments[s];
      const geometry::MSegment other{VertexAt(result, segment.first),
                                     VertexAt(result, segment.second)};
      if (geometry::detail::ComputeClosestParametersBetweenSegments(spoke, other).first < 1.0)
        ++count;
    }
    scores[p] += count;
    for (const std::size_t s : segments)
      if (order.RankOf(OtherEnd(triangle.segments[s], p)) > rank)
        active.insert(s);
  }
}

// Only a candidate with strictly fewer vertices replaces the best, so a later candidate is built
// only while it stays below the best count, and none after a candidate without vertices. A
// candidate left unfinished could only have failed where the first, finished one did: the
// placement errors depend on the segments, not on the inner point. Near the vertex index limit
// every candidate is built in full, so that the limit is checked as for each of them.
MTrimmer::MSplitting BuildFewestVertexCandidate(const MTrimmer::MTriangleToTrim& triangle,
                                                const MTrimmer::MTriangles& result, bool& found) {
  const bool bounded = result.vertices.size() + 2 * triangle.segments.size() <=
                       static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
  MTrimmer::MSplitting best;
  long long bestCount = kNoCandidate;
  for (const std::int32_t i : triangle.innerPoints) {
    if (bounded && bestCount == 0)
      break;
    std::optional<MTrimmer::MSplitting> candidate;
    if (bounded && bestCount != kNoCandidate)
      candidate = M3SplittingGenerator::Generate3SplittingBelow(
          triangle, result, i, static_cast<std::size_t>(bestCount));
    else
      candidate = M3SplittingGenerator::Generate3Splitting(triangle, result, i);
    if (!candidate)
      continue;
    const long long count = static_cast<long long>(candidate->newVertices.size());
    if (count < bestCount) {
      best = std::move(*candidate);
      bestCount = count;
      found = true;
    }
  }
  return best;
}

MTrimmer::MSplitting BuildLeastCrossingCandidate(const MTrimmer::MTriangleToTrim& triangle,
                                                 const MTrimmer::MTriangles& result, bool& found) {
  const std::vector<std::pair<std::int32_t, long long>> scores =
      M3SplittingGenerator::ComputeCrossingScores(triangle, result);
  long long bestScore = kNoCandidate;
  std::int32_t chosen = 0;
  for (const std::int32_t i : triangle.innerPoints) {
    const auto score = std::lower_bound(scores.begin(), scores.end(), std::pair(i, LLONG_MIN));
    if (score == scores.end() || score->first != i)
      throw std::out_of_range("invalid map<K, T> key");
    if (score->second < bestScore) {
      bestScore = score->second;
      chosen = i;
      found = true;
    }
  }
  if (!found)
    return {};
  return M3SplittingGenerator::Generate3Splitting(triangle, result, chosen);
}

}  // namespace

std::vector<std::pair<std::int32_t, long long>> M3SplittingGenerator::ComputeCrossingScores(
    const MTriangleToTrim& triangle, const MTriangles& result) {
  const MSegmentsByVertex byVertex = IndexSegmentsByVertex(triangle);
  MScores scores;
  for (int k = 0; k < 3; ++k)
    SweepAroundCorner(triangle, k, result, byVertex, scores);
  std::vector<std::pair<std::int32_t, long long>> sorted(scores.begin(), scores.end());
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

MTrimmer::MSplitting M3SplittingGenerator::Generate3Splitting(const MTriangleToTrim& triangle,
                                                              const MTriangles& result,
                                                              bool& found) {
  found = false;
  if (triangle.innerPoints.empty())
    return {};
  if (triangle.innerPoints.size() < kSweepThreshold)
    return BuildFewestVertexCandidate(triangle, result, found);
  return BuildLeastCrossingCandidate(triangle, result, found);
}
