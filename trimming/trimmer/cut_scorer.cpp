// Scores of 2-splittings counted without building them.
#include "cut_scorer.h"

#include <algorithm>

#include "trimming_helpers.h"

namespace trimming::detail {

MCutScorer::MCutScorer(const MTrimmer::MTriangleToTrim& triangle,
                       const MTrimmer::MTriangles& result)
    : m_triangle(triangle), m_result(result), m_innerChild(triangle.innerPoints.size(), -1) {
  for (int e = 0; e < 3; ++e)
    for (std::size_t i = 0; i < triangle.edgePoints[e].size(); ++i)
      m_places.push_back({triangle.edgePoints[e][i], e, i});
  for (std::size_t i = 0; i < triangle.innerPoints.size(); ++i)
    m_places.push_back({triangle.innerPoints[i], -1, i});
  std::sort(m_places.begin(), m_places.end(), [](const MPlace& a, const MPlace& b) {
    return a.vertex < b.vertex || (a.vertex == b.vertex && a.edge < b.edge) ||
           (a.vertex == b.vertex && a.edge == b.edge && a.position < b.position);
  });
  const auto rangeOf = [this](std::int32_t vertex) {
    const auto [first, last] =
        std::equal_range(m_places.begin(), m_places.end(), MPlace{vertex, 0, 0},
                         [](const MPlace& a, const MPlace& b) { return a.vertex < b.vertex; });
    return MPlaceRange(static_cast<std::size_t>(first - m_places.begin()),
                       static_cast<std::size_t>(last - m_places.begin()));
  };
  m_segmentEnds.reserve(triangle.segments.size());
  for (const MTrimmer::MSegmentFromLoop& s : triangle.segments)
    m_segmentEnds.emplace_back(rangeOf(s.first), rangeOf(s.second));
}

int MCutScorer::ChildOf(std::int32_t vertex, const MPlaceRange& places) {
  // The first child holds the cut's start corner, p and the opposite corner, the edge after the
  // opposite corner whole and the points of edge k before p.
  if (IsCorner(m_children[0], vertex))
    return 0;
  const int keptByFirst = (m_edge + 2) % 3;
  const int keptBySecond = (m_edge + 1) % 3;
  for (std::size_t i = places.first; i < places.second; ++i) {
    const MPlace& place = m_places[i];
    if (place.edge == keptByFirst || (place.edge == m_edge && place.position < m_at))
      return 0;
  }
  // The second child: the end corner, the edge after it whole, the points of edge k after p.
  if (IsCorner(m_children[1], vertex))
    return 1;
  for (std::size_t i = places.first; i < places.second; ++i) {
    const MPlace& place = m_places[i];
    if (place.edge == keptBySecond || (place.edge == m_edge && place.position > m_at))
      return 1;
  }
  return NearerChild(vertex, places);
}

int MCutScorer::NearerChild(std::int32_t vertex, const MPlaceRange& places) {
  signed char* cached = nullptr;
  for (std::size_t i = places.first; i < places.second; ++i)
    if (m_places[i].edge < 0)
      cached = &m_innerChild[m_places[i].position];
  if (cached != nullptr && *cached >= 0)
    return *cached;
  const MTrimmer::MPoint& position = VertexAt(m_result, vertex);
  const double toA = SquaredDistanceToTriangle(position, m_children[0], m_result);
  const double toB = SquaredDistanceToTriangle(position, m_children[1], m_result);
  const int child = toB > toA ? 0 : 1;
  if (cached != nullptr)
    *cached = static_cast<signed char>(child);
  return child;
}

bool MCutScorer::SelectCut(int k, std::int32_t p) {
  if (k < 0 || k > 2)
    return false;
  const std::int32_t start = m_triangle.vertices[k];
  const std::int32_t end = m_triangle.vertices[(k + 1) % 3];
  const std::int32_t opposite = m_triangle.vertices[(k + 2) % 3];
  if (start == end || end == opposite || opposite == start || p == start || p == end ||
      p == opposite)
    return false;
  const std::vector<std::int32_t>& points = m_triangle.edgePoints[k];
  const auto at = std::find(points.begin(), points.end(), p);
  if (at == points.end())
    return false;
  m_edge = k;
  m_at = static_cast<std::size_t>(at - points.begin());
  m_children[0].vertices = {start, p, opposite};
  m_children[1].vertices = {p, end, opposite};
  std::fill(m_innerChild.begin(), m_innerChild.end(), static_cast<signed char>(-1));
  return true;
}

bool MCutScorer::OnCut(std::int32_t vertex) const {
  // The cut runs from p to the opposite corner.
  return vertex == m_children[0].vertices[1] || vertex == m_children[0].vertices[2];
}

std::optional<MCutScorer::MScore> MCutScorer::Score(int k, std::int32_t p) {
  if (!SelectCut(k, p))
    return std::nullopt;
  const MScore score = Count(false);
  if (score.newVertexCount > 0)
    NewVertexIndex(m_result, static_cast<std::size_t>(score.newVertexCount) - 1);
  return score;
}

std::optional<MCutScorer::MScore> MCutScorer::ScoreUnlessCrossed(int k, std::int32_t p) {
  if (!SelectCut(k, p))
    return std::nullopt;
  return Count(true);
}

MCutScorer::MScore MCutScorer::Count(bool stopAtCrossing) {
  std::int32_t counts[2] = {0, 0};
  MScore score;
  for (std::size_t i = 0; i < m_triangle.segments.size(); ++i) {
    const MTrimmer::MSegmentFromLoop& s = m_triangle.segments[i];
    const bool firstOnCut = OnCut(s.first);
    const bool secondOnCut = OnCut(s.second);
    if (firstOnCut && secondOnCut && s.first != s.second) {
      score.newEdgeIsSegment = true;
      continue;
    }
    if (firstOnCut) {
      ++counts[ChildOf(s.second, m_segmentEnds[i].second)];
      continue;
    }
    if (secondOnCut) {
      ++counts[ChildOf(s.first, m_segmentEnds[i].first)];
      continue;
    }
    const int cx = ChildOf(s.first, m_segmentEnds[i].first);
    const int cy = ChildOf(s.second, m_segmentEnds[i].second);
    ++counts[cx];
    if (cx != cy) {
      ++counts[cy];
      ++score.newVertexCount;
      if (stopAtCrossing)
        return score;
    }
  }
  score.maxChildSegments = std::max(counts[0], counts[1]);
  return score;
}

std::optional<bool> MCutScorer::RunsAlongSegment(int k, std::int32_t p) {
  if (!SelectCut(k, p))
    return std::nullopt;
  return std::any_of(m_triangle.segments.begin(), m_triangle.segments.end(),
                     [this](const MTrimmer::MSegmentFromLoop& s) {
                       return s.first != s.second && OnCut(s.first) && OnCut(s.second);
                     });
}

}  // namespace trimming::detail
