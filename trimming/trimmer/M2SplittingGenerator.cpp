#include "M2SplittingGenerator.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include <boost/unordered/unordered_flat_map.hpp>

#include "cut_scorer.h"
#include "trimming_helpers.h"

using MTrimmer = MCadTriangulator::MTrimmer;
using M2SplittingGenerator = MTrimmer::M2SplittingGenerator;
using trimming::detail::VertexAt;

namespace {

// The child each inner point went to.
using MInnerChildren = boost::unordered_flat_map<std::int32_t, int>;

// The vertices held by the two children of a splitting as corners or edge points, for the
// child of a segment end in logarithmic time.
class MChildLookup {
 public:
  // `innerChild` holds the child already chosen for each inner point by the same distance rule.
  MChildLookup(const MTrimmer::MSplitting& splitting, const MTrimmer::MTriangles& result,
               const MInnerChildren& innerChild)
      : m_splitting(splitting), m_result(result), m_innerChild(innerChild) {
    for (int c = 0; c < 2; ++c) {
      for (const auto& list : splitting.children[c].edgePoints)
        m_edgePoints[c].insert(m_edgePoints[c].end(), list.begin(), list.end());
      std::sort(m_edgePoints[c].begin(), m_edgePoints[c].end());
    }
  }

  // The child (0 for a, 1 for b) that holds `vertex`: the first with it as a corner or an edge
  // point; failing both, a when b is strictly farther from the vertex's position, otherwise b.
  int ChildHolding(std::int32_t vertex) const {
    for (int c = 0; c < 2; ++c) {
      if (trimming::detail::IsCorner(m_splitting.children[c], vertex) ||
          std::binary_search(m_edgePoints[c].begin(), m_edgePoints[c].end(), vertex))
        return c;
    }
    if (const auto known = m_innerChild.find(vertex); known != m_innerChild.end())
      return known->second;
    const MTrimmer::MPoint& position = VertexAt(m_result, vertex);
    const double toA =
        trimming::detail::SquaredDistanceToTriangle(position, m_splitting.children[0], m_result);
    const double toB =
        trimming::detail::SquaredDistanceToTriangle(position, m_splitting.children[1], m_result);
    return toB > toA ? 0 : 1;
  }

 private:
  const MTrimmer::MSplitting& m_splitting;
  const MTrimmer::MTriangles& m_result;
  const MInnerChildren& m_innerChild;
  std::vector<std::int32_t> m_edgePoints[2];
};

// A loop edge already in the mesh that runs along the divided edge in the triangle's direction
// is cut at p into two loop edges (the neighbour across it, which runs the edge the other way,
// leaves it alone).
void SplitLoopEdgeAlongDividedEdge(std::int32_t start, std::int32_t end, std::int32_t p,
                                   const MTrimmer::MTriangles& result,
                                   const trimming::detail::MLoopEdgeIndex* loopEdges,
                                   MTrimmer::MSplitting& splitting) {
  const MTrimmer::MSegmentFromLoop* along = nullptr;
  if (loopEdges != nullptr) {
    along = loopEdges->FindFirst(start, end);
  } else {
    const auto found =
        std::find_if(result.segments.begin(), result.segments.end(),
                     [&](const auto& s) { return s.first == start && s.second == end; });
    along = found == result.segments.end() ? nullptr : &*found;
  }
  if (along == nullptr)
    return;
  const MTrimmer::MSegmentFromLoop s = *along;
  splitting.addedSegments.emplace_back(start, p, s.tag);
  splitting.addedSegments.emplace_back(p, end, s.tag);
  splitting.removedSegments.push_back(s);
}

// Gives each inner point to a unless b is strictly nearer or as near; records the choice.
void DistributeInnerPoints(const MTrimmer::MTriangleToTrim& triangle,
                           const MTrimmer::MTriangles& result, MTrimmer::MSplitting& splitting,
                           MInnerChildren& innerChild) {
  innerChild.reserve(triangle.innerPoints.size());
  for (const std::int32_t q : triangle.innerPoints) {
    const MTrimmer::MPoint& position = VertexAt(result, q);
    const double toA =
        trimming::detail::SquaredDistanceToTriangle(position, splitting.children[0], result);
    const double toB =
        trimming::detail::SquaredDistanceToTriangle(position, splitting.children[1], result);
    const int child = toB > toA ? 0 : 1;
    splitting.children[child].innerPoints.push_back(q);
    innerChild.try_emplace(q, child);
  }
}

// Puts each segment of the triangle into the child it lies in, into the mesh edges when it is
// the new edge, or cuts it where it crosses the new edge (e1, e2).
void DistributeSegments(const MTrimmer::MTriangleToTrim& triangle,
                        const MTrimmer::MTriangles& result, std::int32_t e1, std::int32_t e2,
                        const MInnerChildren& innerChild, MTrimmer::MSplitting& splitting) {
  auto& children = splitting.children;
  const MChildLookup lookup(splitting, result, innerChild);
  for (const MTrimmer::MSegmentFromLoop& s : triangle.segments) {
    if ((s.first == e1 && s.second == e2) || (s.first == e2 && s.second == e1)) {
      splitting.addedSegments.push_back(s);
      continue;
    }
    if (s.first == e1 || s.first == e2) {
      children[lookup.ChildHolding(s.second)].segments.push_back(s);
      continue;
    }
    if (s.second == e1 || s.second == e2) {
      children[lookup.ChildHolding(s.first)].segments.push_back(s);
      continue;
    }
    const int cx = lookup.ChildHolding(s.first);
    const int cy = lookup.ChildHolding(s.second);
    if (cx == cy) {
      children[cx].segments.push_back(s);
      continue;
    }
    const std::int32_t x = trimming::detail::NewVertexIndex(result, splitting.newVertices.size());
    splitting.newVertices.push_back(trimming::detail::PointOfSegmentNearestToSegment(
        VertexAt(result, e1), VertexAt(result, e2), VertexAt(result, s.first),
        VertexAt(result, s.second)));
    for (MTrimmer::MTriangleToTrim& child : children) {
      const int edge = MTrimmer::FindEdgeNumber(child, e1, e2);
      if (edge >= 0)
        child.edgePoints[edge].push_back(x);
    }
    children[cx].segments.emplace_back(s.first, x, s.tag);
    children[cy].segments.emplace_back(x, s.second, s.tag);
  }
}

// Every edge point as a candidate: edges 0, 1, 2, each edge's list in order.
std::vector<std::pair<int, std::int32_t>> AllCandidates(const MTrimmer::MTriangleToTrim& triangle) {
  std::vector<std::pair<int, std::int32_t>> candidates;
  for (int k = 0; k < 3; ++k)
    for (const std::int32_t p : triangle.edgePoints[k])
      candidates.emplace_back(k, p);
  return candidates;
}

}  // namespace

MTrimmer::MSplitting M2SplittingGenerator::Generate2Splitting(const MTriangleToTrim& triangle,
                                                              const MTriangles& result, int k,
                                                              std::int32_t p) {
  return Generate2Splitting(triangle, result, k, p, nullptr);
}

MTrimmer::MSplitting M2SplittingGenerator::Generate2Splitting(
    const MTriangleToTrim& triangle, const MTriangles& result, int k, std::int32_t p,
    const trimming::detail::MLoopEdgeIndex* loopEdges) {
  if (k < 0 || k > 2)
    throw std::invalid_argument("k: not an edge number");
  const std::int32_t start = triangle.vertices[k];
  const std::int32_t end = triangle.vertices[(k + 1) % 3];
  const std::int32_t opposite = triangle.vertices[(k + 2) % 3];

  MSplitting splitting;
  splitting.children.resize(2);
  splitting.children[0].vertices = {start, p, opposite};
  splitting.children[1].vertices = {p, end, opposite};
  const auto [e1, e2] = FindCommonEdge(splitting.children[0], splitting.children[1]);

  SplitLoopEdgeAlongDividedEdge(start, end, p, result, loopEdges, splitting);
  MInnerChildren innerChild;
  DistributeInnerPoints(triangle, result, splitting, innerChild);
  Generate2Splitting_DistributeEdgePointsBetweenParts(triangle, p, splitting);
  DistributeSegments(triangle, result, e1, e2, innerChild, splitting);
  return splitting;
}

void M2SplittingGenerator::Generate2Splitting_DistributeEdgePointsBetweenParts(
    const MTriangleToTrim& triangle, std::int32_t p, MSplitting& splitting) {
  for (int e = 0; e < 3; ++e) {
    const std::int32_t start = triangle.vertices[e];
    const std::int32_t end = triangle.vertices[(e + 1) % 3];
    const std::vector<std::int32_t>& points = triangle.edgePoints[e];

    // An edge that a child runs in the same direction is kept whole.
    bool kept = false;
    for (MTriangleToTrim& child : splitting.children) {
      for (int ce = 0; ce < 3 && !kept; ++ce) {
        if (child.vertices[ce] == start && child.vertices[(ce + 1) % 3] == end) {
          child.edgePoints[ce] = points;
          kept = true;
        }
      }
      if (kept)
        break;
    }
    if (kept)
      continue;

    // The divided edge: the points before p go to the half from its start, those after p to
    // the half to its end.
    const auto at = std::find(points.begin(), points.end(), p);
    if (at == points.end())
      throw std::logic_error(
          "MTrimmer::Generate2Splitting_DistributeEdgePointsBetweenParts: splitting point cannot "
          "be found on edge");
    for (MTriangleToTrim& child : splitting.children) {
      const int before = FindEdgeNumber(child, start, p);
      if (before >= 0) {
        child.edgePoints[before].assign(points.begin(), at);
        continue;
      }
      const int after = FindEdgeNumber(child, p, end);
      if (after < 0)
        throw std::logic_error(
            "MTrimmer::Generate2Splitting_DistributeEdgePointsBetweenParts: part doesn't touch "
            "any half of divided edge");
      child.edgePoints[after].assign(at + 1, points.end());
    }
  }
}

M2SplittingGenerator::MScore M2SplittingGenerator::Score(const MTriangleToTrim& triangle,
                                                         const MSplitting& splitting) {
  MScore score;
  const auto [e1, e2] = FindCommonEdge(splitting.children[0], splitting.children[1]);
  score.newEdgeIsSegment = std::any_of(
      triangle.segments.begin(), triangle.segments.end(), [e1 = e1, e2 = e2](const auto& s) {
        return (s.first == e1 && s.second == e2) || (s.first == e2 && s.second == e1);
      });
  score.newVertexCount = static_cast<std::int32_t>(splitting.newVertices.size());
  for (const MTriangleToTrim& child : splitting.children)
    score.maxChildSegments =
        std::max(score.maxChildSegments, static_cast<std::int32_t>(child.segments.size()));
  return score;
}

bool M2SplittingGenerator::IsBetter(const MScore& candidate, const MScore& best) {
  if (candidate.newEdgeIsSegment != best.newEdgeIsSegment)
    return candidate.newEdgeIsSegment;
  if (candidate.newVertexCount != best.newVertexCount)
    return candidate.newVertexCount < best.newVertexCount;
  return candidate.maxChildSegments < best.maxChildSegments;
}

MTrimmer::MSplitting M2SplittingGenerator::SelectBest(const MTriangleToTrim& triangle,
                                                      const MTriangles& result, bool& found) {
  return SelectBestAmong(triangle, result, AllCandidates(triangle), nullptr, found);
}

MTrimmer::MSplitting M2SplittingGenerator::SelectBest(
    const MTriangleToTrim& triangle, const MTriangles& result,
    const trimming::detail::MLoopEdgeIndex& loopEdges, bool& found) {
  return SelectBestAmong(triangle, result, AllCandidates(triangle), &loopEdges, found);
}

MTrimmer::MSplitting M2SplittingGenerator::SelectBestAmong(
    const MTriangleToTrim& triangle, const MTriangles& result,
    const std::vector<std::pair<int, std::int32_t>>& candidates,
    const trimming::detail::MLoopEdgeIndex* loopEdges, bool& found) {
  found = false;
  // Candidates are scored without being built; only the best one is built at the end. A cut
  // the scorer does not handle is built to get its score (or its exception).
  trimming::detail::MCutScorer scorer(triangle, result);
  std::size_t best = 0;
  MScore bestScore;
  for (std::size_t c = 0; c < candidates.size(); ++c) {
    const auto& [k, p] = candidates[c];
    std::optional<MScore> score = scorer.Score(k, p);
    if (!score)
      score = Score(triangle, Generate2Splitting(triangle, result, k, p, loopEdges));
    if (!found || IsBetter(*score, bestScore)) {
      best = c;
      bestScore = *score;
    }
    found = true;
  }
  if (!found)
    return {};
  if (static_cast<std::size_t>(bestScore.maxChildSegments) > triangle.segments.size())
    throw std::logic_error(
        "MTrimmer::M2SplittingGenerator::SelectBest : child triangle contains more segments than "
        "parent");
  return Generate2Splitting(triangle, result, candidates[best].first, candidates[best].second,
                            loopEdges);
}

std::optional<MTrimmer::MSplitting> M2SplittingGenerator::SelectBestWithoutNewVertices(
    const MTriangleToTrim& triangle, const MTriangles& result,
    const trimming::detail::MLoopEdgeIndex& loopEdges) {
  const auto viaBest = [&]() -> std::optional<MSplitting> {
    bool found = false;
    MSplitting best = SelectBest(triangle, result, loopEdges, found);
    if (!found || !best.newVertices.empty())
      return std::nullopt;
    return best;
  };
  const std::vector<std::pair<int, std::int32_t>> candidates = AllCandidates(triangle);
  // Counting a cut may find the vertex index out of range; so near that limit (and for cuts the
  // scorer does not handle) every candidate is scored in full, as SelectBest does.
  if (result.vertices.size() + triangle.segments.size() >
      static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    return viaBest();
  trimming::detail::MCutScorer scorer(triangle, result);
  // The best candidate runs along a segment whenever some candidate does.
  std::vector<char> alongSegment(candidates.size(), 0);
  bool anyAlongSegment = false;
  for (std::size_t c = 0; c < candidates.size(); ++c) {
    const std::optional<bool> along =
        scorer.RunsAlongSegment(candidates[c].first, candidates[c].second);
    if (!along)
      return viaBest();
    alongSegment[c] = *along ? 1 : 0;
    anyAlongSegment = anyAlongSegment || *along;
  }
  // Within that class the best creates no vertex only if some candidate creates none; those
  // differ only by the segments of their busier child.
  std::optional<std::size_t> best;
  MScore bestScore;
  for (std::size_t c = 0; c < candidates.size(); ++c) {
    const auto& [k, p] = candidates[c];
    if ((alongSegment[c] != 0) != anyAlongSegment)
      continue;
    const MScore score = *scorer.ScoreUnlessCrossed(k, p);
    if (score.newVertexCount > 0)
      continue;
    if (!best || IsBetter(score, bestScore)) {
      best = c;
      bestScore = score;
    }
  }
  if (!best)
    return std::nullopt;
  if (static_cast<std::size_t>(bestScore.maxChildSegments) > triangle.segments.size())
    throw std::logic_error(
        "MTrimmer::M2SplittingGenerator::SelectBest : child triangle contains more segments than "
        "parent");
  return Generate2Splitting(triangle, result, candidates[*best].first, candidates[*best].second,
                            &loopEdges);
}
