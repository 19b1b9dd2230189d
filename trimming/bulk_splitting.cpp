#include "trimming/bulk_splitting.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "trimming/M2SplittingGenerator.h"
#include "trimming/M3SplittingGenerator.h"

namespace trimming::detail {

namespace {

using MTrimmer = MCadTriangulator::MTrimmer;
using M3 = MTrimmer::M3SplittingGenerator;
using MCandidates = std::vector<std::pair<int, std::int32_t>>;

// At most this many cuts along segments are tried by a bulk 2-splitting.
constexpr std::size_t kSegmentCuts = 3;

std::size_t FullestChild(const MTrimmer::MSplitting& splitting) {
  std::size_t fullest = 0;
  for (const MTrimmer::MTriangleToTrim& child : splitting.children)
    fullest = std::max(fullest, PointCount(child));
  return fullest;
}

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

MBulkScore ScoreOf(const MTrimmer::MSplitting& splitting) {
  return {FullestChild(splitting), splitting.newVertices.size()};
}

// Keeps `candidate` when it is strictly better than `best` (or the first).
void Keep(MTrimmer::MSplitting&& candidate, MTrimmer::MSplitting& best, MBulkScore& bestScore,
          bool& found) {
  const MBulkScore score = ScoreOf(candidate);
  if (!found || score.IsBetterThan(bestScore)) {
    best = std::move(candidate);
    bestScore = score;
  }
  found = true;
}

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

// The edge each edge point lies on.
std::unordered_map<std::int32_t, int> EdgeOfEdgePoints(const MTrimmer::MTriangleToTrim& triangle) {
  std::unordered_map<std::int32_t, int> edgeOf;
  for (int k = 0; k < 3; ++k)
    for (const std::int32_t p : triangle.edgePoints[k])
      edgeOf.emplace(p, k);
  return edgeOf;
}

// Cuts along segments from an edge point to the opposite corner (the first few in segment
// order), then the middle point of each edge.
MCandidates TwoSplittingCandidates(const MTrimmer::MTriangleToTrim& triangle) {
  MCandidates candidates;
  const std::unordered_map<std::int32_t, int> edgeOf = EdgeOfEdgePoints(triangle);
  for (const MTrimmer::MSegmentFromLoop& s : triangle.segments) {
    if (candidates.size() == kSegmentCuts)
      break;
    for (const auto& [corner, other] :
         {std::pair(s.first, s.second), std::pair(s.second, s.first)}) {
      const auto found = edgeOf.find(other);
      if (found != edgeOf.end() && triangle.vertices[(found->second + 2) % 3] == corner) {
        candidates.emplace_back(found->second, other);
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

std::size_t PointCount(const MCadTriangulator::MTrimmer::MTriangleToTrim& triangle) {
  return triangle.innerPoints.size() + triangle.edgePoints[0].size() +
         triangle.edgePoints[1].size() + triangle.edgePoints[2].size();
}

MCadTriangulator::MTrimmer::MSplitting ChooseBulkSplitting(
    const MCadTriangulator::MTrimmer::MTriangleToTrim& triangle,
    const MCadTriangulator::MTrimmer::MTriangles& result, const MLoopEdgeIndex& loopEdges,
    bool& found) {
  found = false;
  MTrimmer::MSplitting best;
  MBulkScore bestScore;
  for (const std::int32_t i : ThreeSplittingCandidates(triangle))
    Keep(M3::Generate3Splitting(triangle, result, i, M3::EInnerPointTie::eLargerChild), best,
         bestScore, found);
  for (const auto& [k, p] : TwoSplittingCandidates(triangle))
    Keep(MTrimmer::M2SplittingGenerator::Generate2Splitting(triangle, result, k, p, &loopEdges),
         best, bestScore, found);
  return best;
}

}  // namespace trimming::detail
