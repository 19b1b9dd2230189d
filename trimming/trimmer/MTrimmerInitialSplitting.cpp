// The initial splitting of a quad along its diagonal, and how loop points, parts, inner loops and
// segments are dropped into its two triangles.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "trimming_helpers.h"

using MTrimmer = MCadTriangulator::MTrimmer;
using trimming::detail::VertexAt;

namespace {

// The diagonal of the initial splitting runs from vertex 1 to vertex 3.
constexpr std::int32_t kDiagonalStart = 1;
constexpr std::int32_t kDiagonalEnd = 3;

// Appends a vertex and returns its index.
std::int32_t AppendVertex(MTrimmer::MTriangles& result, const MTrimmer::MPoint& position) {
  const std::int32_t index = trimming::detail::NewVertexIndex(result, 0);
  result.vertices.push_back(position);
  return index;
}

// Appends a crossing of the quad border as an edge point of the initial triangle that has the
// quad edge `edge`, and returns that triangle (0 for A, 1 for B).
int PutCrossing(std::int32_t edge, std::int32_t vertex, MTrimmer::MInitialSplitting& splitting) {
  // Every quad edge 0 to 3 is an edge of A or of B; any other number names none.
  if (edge >= 0 && edge <= 3) {
    const std::int32_t start = edge;
    const std::int32_t end = (edge + 1) % 4;
    for (int t = 0; t < 2; ++t) {
      const int k = MTrimmer::FindEdgeNumber(splitting[t], start, end);
      if (k >= 0) {
        splitting[t].edgePoints[k].push_back(vertex);
        return t;
      }
    }
  }
  throw std::logic_error(
      "MTrimmer::PutLoopPartsIntoInitialSplitting: inconsistent parts/quad is given");
}

}  // namespace

MTrimmer::MInitialSplitting MTrimmer::SplitQuadToInitialSplitting(const MQuadToTrim& quad,
                                                                  MTriangles& result) {
  for (const MPoint& corner : quad.corners)
    result.vertices.push_back(corner);
  MInitialSplitting splitting;
  splitting[0].vertices = {0, 1, 3};
  splitting[1].vertices = {3, 1, 2};
  return splitting;
}

std::pair<std::int32_t, int> MTrimmer::PutLoopPointToInitialSplitting(const MPoint& point,
                                                                      MInitialSplitting& splitting,
                                                                      MTriangles& result) {
  double weightsA[3];
  double weightsB[3];
  const double toA = geometry::ComputeSquaredDistanceBetweenPointAndTriangle(
      point, trimming::detail::PositionsOf(splitting[0], result), weightsA);
  const double toB = geometry::ComputeSquaredDistanceBetweenPointAndTriangle(
      point, trimming::detail::PositionsOf(splitting[1], result), weightsB);
  // A tie goes to B.
  const int chosen = toB > toA ? 0 : 1;
  const double* weights = chosen == 0 ? weightsA : weightsB;
  const MTriangleToTrim& triangle = splitting[chosen];
  const MPoint closest = weights[0] * VertexAt(result, triangle.vertices[0]) +
                         weights[1] * VertexAt(result, triangle.vertices[1]) +
                         weights[2] * VertexAt(result, triangle.vertices[2]);
  const std::int32_t index = AppendVertex(result, closest);
  splitting[chosen].innerPoints.push_back(index);
  return {index, chosen};
}

void MTrimmer::PutLoopPartsIntoInitialSplitting(const MPartToTrim& part,
                                                MInitialSplitting& splitting, MTriangles& result) {
  if (part.tags && part.tags->size() != part.points.size())
    throw std::invalid_argument("part: tags do not match its points");
  // The chain of vertices [start, points..., end] and the initial triangle of each.
  std::vector<std::int32_t> chain(1);
  std::vector<int> triangleOf(1);
  for (const MPoint& point : part.points) {
    const auto [index, triangle] = PutLoopPointToInitialSplitting(point, splitting, result);
    chain.push_back(index);
    triangleOf.push_back(triangle);
  }
  chain.front() = AppendVertex(result, part.startPoint);
  triangleOf.front() = PutCrossing(part.startEdge, chain.front(), splitting);
  chain.push_back(AppendVertex(result, part.endPoint));
  triangleOf.push_back(PutCrossing(part.endEdge, chain.back(), splitting));

  std::vector<std::int32_t> tags;
  if (part.tags) {
    tags.push_back(part.startTag.value());
    tags.insert(tags.end(), part.tags->begin(), part.tags->end());
    tags.push_back(part.endTag.value());
  }
  for (std::size_t i = 1; i < chain.size(); ++i) {
    const std::optional<std::int32_t> tag =
        part.tags ? std::optional<std::int32_t>(tags[i - 1]) : std::nullopt;
    PutSegmentToInitialSplitting(MSegmentFromLoop(chain[i - 1], chain[i], tag),
                                 splitting[triangleOf[i - 1]], splitting[triangleOf[i]], result);
  }
}

void MTrimmer::PutInnerLoopIntoInitialSplitting(const MLoopsOnQuads::MInnerLoop& loop,
                                                MInitialSplitting& splitting, MTriangles& result) {
  if (loop.tags && loop.tags->size() != loop.points.size())
    throw std::invalid_argument("loop: tags do not match its points");
  // Consecutive exact duplicates carry no segment; a closing copy of the first point neither.
  // Where two fins meet, the loop holds their shared point twice, once with each fin's tag: the
  // kept copy takes the later tag, since the segment leaving the point lies on the later fin.
  std::vector<MPoint> points;
  std::vector<std::int32_t> tags;
  for (std::size_t i = 0; i < loop.points.size(); ++i) {
    if (!points.empty() && loop.points[i] == points.back()) {
      if (loop.tags)
        tags.back() = (*loop.tags)[i];
      continue;
    }
    points.push_back(loop.points[i]);
    if (loop.tags)
      tags.push_back((*loop.tags)[i]);
  }
  if (points.size() >= 2 && points.back() == points.front()) {
    points.pop_back();
    if (loop.tags)
      tags.pop_back();
  }
  if (points.size() < 2)
    return;

  std::vector<std::int32_t> vertices;
  std::vector<int> triangleOf;
  for (const MPoint& point : points) {
    const auto [index, triangle] = PutLoopPointToInitialSplitting(point, splitting, result);
    vertices.push_back(index);
    triangleOf.push_back(triangle);
  }
  const std::size_t n = vertices.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t next = (i + 1) % n;
    const std::optional<std::int32_t> tag =
        loop.tags ? std::optional<std::int32_t>(tags[i]) : std::nullopt;
    PutSegmentToInitialSplitting(MSegmentFromLoop(vertices[i], vertices[next], tag),
                                 splitting[triangleOf[i]], splitting[triangleOf[next]], result);
  }
}

void MTrimmer::PutSegmentToInitialSplitting(const MSegmentFromLoop& segment,
                                            MTriangleToTrim& firstTriangle,
                                            MTriangleToTrim& secondTriangle, MTriangles& result) {
  if (firstTriangle.vertices == secondTriangle.vertices) {
    firstTriangle.segments.push_back(segment);
    return;
  }
  // The segment crosses the diagonal: it is cut at the diagonal's point nearest to it.
  const MPoint crossing = trimming::detail::PointOfSegmentNearestToSegment(
      VertexAt(result, kDiagonalStart), VertexAt(result, kDiagonalEnd),
      VertexAt(result, segment.first), VertexAt(result, segment.second));
  const std::int32_t x = AppendVertex(result, crossing);

  const int firstEdge = FindCommonEdgeNumber(firstTriangle, secondTriangle);
  const int secondEdge = FindCommonEdgeNumber(secondTriangle, firstTriangle);
  if (firstEdge < 0 || secondEdge < 0)
    throw std::logic_error(
        "MTrimmer::PutSegmentToInitialSplitting: incorrect initial splitting is given");
  firstTriangle.edgePoints[firstEdge].push_back(x);
  secondTriangle.edgePoints[secondEdge].push_back(x);
  firstTriangle.segments.emplace_back(segment.first, x, segment.tag);
  secondTriangle.segments.emplace_back(x, segment.second, segment.tag);
}
