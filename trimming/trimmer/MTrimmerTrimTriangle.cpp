// Trimming one triangle: splittings applied depth first until no triangle carries loop points.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "M2SplittingGenerator.h"
#include "M3SplittingGenerator.h"
#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "bulk_splitting.h"
#include "loop_edge_index.h"
#include "trimming_helpers.h"

using MTrimmer = MCadTriangulator::MTrimmer;

namespace {

void RequireVertex(std::int32_t index, const MTrimmer::MTriangles& result) {
  if (index < 0 || static_cast<std::size_t>(index) >= result.vertices.size())
    throw std::invalid_argument("triangle: vertex index out of range");
}

void RequireVertices(const MTrimmer::MTriangleToTrim& triangle,
                     const MTrimmer::MTriangles& result) {
  for (const std::int32_t v : triangle.vertices)
    RequireVertex(v, result);
  for (const auto& list : triangle.edgePoints)
    for (const std::int32_t v : list)
      RequireVertex(v, result);
  for (const std::int32_t v : triangle.innerPoints)
    RequireVertex(v, result);
  for (const MTrimmer::MSegmentFromLoop& s : triangle.segments) {
    RequireVertex(s.first, result);
    RequireVertex(s.second, result);
  }
}

bool HasEdgePoints(const MTrimmer::MTriangleToTrim& triangle) {
  return !triangle.edgePoints[0].empty() || !triangle.edgePoints[1].empty() ||
         !triangle.edgePoints[2].empty();
}

// A triangle waiting to be trimmed, and whether it comes from a bulk splitting.
struct MPendingTriangle {
  MTrimmer::MTriangleToTrim triangle;
  bool fromBulk = false;
};

// Whether a triangle is split by the bulk rule: it holds many points, or it is a piece of a
// triangle that did and still holds more than a few. Without the second rule a quad given many
// points would leave the bulk rule with thousands of 63-point pieces, each trimmed one point at a
// time at a cost that grows with the cube of its points.
bool UsesBulkSplitting(const MPendingTriangle& pending) {
  const std::size_t points = trimming::detail::PointCount(pending.triangle);
  return points >= trimming::detail::kBulkPointCount ||
         (pending.fromBulk && points >= trimming::detail::kBulkPieceFloor);
}

// A triangle with inner points is cut at an inner point unless that would create vertices and a
// cut through an edge point would not; a triangle without inner points is cut through an edge
// point.
MTrimmer::MSplitting ChooseByGeneratorScores(const MTrimmer::MTriangleToTrim& triangle,
                                             const MTrimmer::MTriangles& result,
                                             const trimming::detail::MLoopEdgeIndex& loopEdges,
                                             bool& found) {
  found = false;
  if (triangle.innerPoints.empty())
    return MTrimmer::M2SplittingGenerator::SelectBest(triangle, result, loopEdges, found);
  MTrimmer::MSplitting splitting =
      MTrimmer::M3SplittingGenerator::Generate3Splitting(triangle, result, found);
  if (!splitting.newVertices.empty() && HasEdgePoints(triangle)) {
    if (std::optional<MTrimmer::MSplitting> alternative =
            MTrimmer::M2SplittingGenerator::SelectBestWithoutNewVertices(triangle, result,
                                                                         loopEdges))
      splitting = std::move(*alternative);
  }
  return splitting;
}

// A triangle split by the bulk rule is cut at a few candidates from the middle of its lists; when
// none of them leaves fewer points in every child (a triangle thin to rounding, whose crossing
// vertices refill the child), the generators' own scores decide.
MTrimmer::MSplitting ChooseSplitting(const MTrimmer::MTriangleToTrim& triangle, bool bulk,
                                     const MTrimmer::MTriangles& result,
                                     const trimming::detail::MLoopEdgeIndex& loopEdges) {
  bool found = false;
  if (bulk) {
    MTrimmer::MSplitting splitting =
        trimming::detail::ChooseBulkSplitting(triangle, result, loopEdges, found);
    if (found)
      return splitting;
  }
  MTrimmer::MSplitting splitting = ChooseByGeneratorScores(triangle, result, loopEdges, found);
  if (!found)
    throw std::logic_error(
        "MTrimmer::TrimTriangle: triangle needs trimming but no possible splitting has been "
        "found");
  return splitting;
}

void ApplySplitting(const MTrimmer::MSplitting& splitting, MTrimmer::MTriangles& result,
                    trimming::detail::MLoopEdgeIndex& loopEdges) {
  trimming::detail::NewVertexIndex(result, splitting.newVertices.size());
  result.vertices.insert(result.vertices.end(), splitting.newVertices.begin(),
                         splitting.newVertices.end());
  result.segments.insert(result.segments.end(), splitting.addedSegments.begin(),
                         splitting.addedSegments.end());
  for (const MTrimmer::MSegmentFromLoop& added : splitting.addedSegments)
    loopEdges.Add(added);
  for (const MTrimmer::MSegmentFromLoop& removed : splitting.removedSegments) {
    std::erase(result.segments, removed);
    loopEdges.Remove(removed);
  }
}

}  // namespace

std::size_t MTrimmer::GetSplittingLimit(const MTriangleToTrim& triangle) {
  const std::size_t w = 3 + triangle.edgePoints[0].size() + triangle.edgePoints[1].size() +
                        triangle.edgePoints[2].size() + triangle.innerPoints.size() +
                        triangle.segments.size();
  return 4096 + 64 * w * w;
}

void MTrimmer::TrimTriangle(const MTriangleToTrim& triangle, MTriangles& result) {
  TrimTriangle(triangle, result, GetSplittingLimit(triangle));
}

void MTrimmer::TrimTriangle(const MTriangleToTrim& triangle, MTriangles& result,
                            std::size_t splittingLimit) {
  RequireVertices(triangle, result);
  trimming::detail::MLoopEdgeIndex loopEdges(result.segments);
  std::size_t splittings = 0;
  std::vector<MPendingTriangle> stack{{triangle, false}};
  while (!stack.empty()) {
    MPendingTriangle pending = std::move(stack.back());
    stack.pop_back();
    const MTriangleToTrim& current = pending.triangle;
    // A triangle without points is final; its segments, if any, are its own edges and were
    // entered in the result by the splitting that made them edges.
    if (trimming::detail::HasNoPoints(current)) {
      result.triangles.push_back(current.vertices);
      continue;
    }
    if (++splittings > splittingLimit)
      throw std::logic_error("MTrimmer::TrimTriangle: splitting limit exceeded");
    const bool bulk = UsesBulkSplitting(pending);
    MSplitting splitting = ChooseSplitting(current, bulk, result, loopEdges);
    ApplySplitting(splitting, result, loopEdges);
    auto& children = splitting.children;
    for (std::size_t i = 0; i < children.size(); ++i)
      for (std::size_t j = i + 1; j < children.size(); ++j)
        SynchronizeEdgePointsOfParts(result, children[i], children[j]);
    // The first child is trimmed next, with all its descendants before the second child.
    for (auto child = children.rbegin(); child != children.rend(); ++child)
      stack.push_back({std::move(*child), bulk});
  }
}
