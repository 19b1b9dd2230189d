// Trimming one quad: the initial splitting, the loops dropped into it, then both triangles
// trimmed.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "trimming_helpers.h"

using MTrimmer = MCadTriangulator::MTrimmer;

namespace {

void RequireFinite(const MTrimmer::MPoint& p) {
  if (!is_finite(p))
    throw std::invalid_argument("quad: non-finite coordinate");
}

// Checks what the algorithm relies on and cannot check on its own: finite coordinates (sorting
// and choosing by distance need numbers), tag lists as long as their point lists, and a vertex
// count that int32 indices can hold even after the splittings add their vertices.
void ValidateQuad(const MTrimmer::MQuadToTrim& quad) {
  std::size_t pointCount = 4;
  for (const MTrimmer::MPoint& corner : quad.corners)
    RequireFinite(corner);
  for (const auto& loop : quad.innerLoops) {
    for (const MTrimmer::MPoint& p : loop.points)
      RequireFinite(p);
    if (loop.tags && loop.tags->size() != loop.points.size())
      throw std::invalid_argument("quad: inner loop tags do not match its points");
    pointCount += loop.points.size();
  }
  for (const MTrimmer::MPartToTrim& part : quad.parts) {
    RequireFinite(part.startPoint);
    RequireFinite(part.endPoint);
    for (const MTrimmer::MPoint& p : part.points)
      RequireFinite(p);
    if (part.tags && part.tags->size() != part.points.size())
      throw std::invalid_argument("quad: part tags do not match its points");
    pointCount += part.points.size() + 2;
  }
  // Every loop point may add one more vertex where its segment crosses the diagonal.
  if (pointCount > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) / 4)
    throw std::invalid_argument("quad: too many loop points");
}

}  // namespace

MTrimmer::MTriangles MTrimmer::TrimQuad(const MQuadToTrim& quad) {
  ValidateQuad(quad);
  MTriangles result;
  MInitialSplitting splitting = SplitQuadToInitialSplitting(quad, result);
  MTriangleToTrim& a = splitting[0];
  MTriangleToTrim& b = splitting[1];

  for (const MLoopsOnQuads::MInnerLoop& loop : quad.innerLoops)
    PutInnerLoopIntoInitialSplitting(loop, splitting, result);
  for (const MPartToTrim& part : quad.parts)
    PutLoopPartsIntoInitialSplitting(part, splitting, result);
  SynchronizeEdgePointsOfParts(result, a, b);

  // The crossings on the quad border, ordered from each edge's start corner: edges 0 and 2 of A
  // ((0, 1) and (3, 0)), edges 1 and 2 of B ((1, 2) and (2, 3)).
  for (const int k : {0, 2})
    trimming::detail::SortByDistanceFrom(a.edgePoints[k], result.vertices[a.vertices[k]], result);
  for (const int k : {1, 2})
    trimming::detail::SortByDistanceFrom(b.edgePoints[k], result.vertices[b.vertices[k]], result);

  TrimTriangle(a, result);
  TrimTriangle(b, result);
  return result;
}
