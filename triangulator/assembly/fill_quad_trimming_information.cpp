// The trimming record of one quad, from the loop distribution.
#include <stdexcept>

#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"
#include "triangulator/MInternal.h"

namespace {

using MQuads = MCadTriangulator::MQuads;
using MTrimmer = MCadTriangulator::MTrimmer;

struct Crossing {
  int edge;
  MTrimmer::MPoint position;
  std::optional<int> tag;
};

// Where a loop part enters or leaves the quad: the quad edge the crossing lies on, its position
// and its tag.
Crossing LocateCrossing(const MCadTriangulator::MQuadrangulatedSurface& grid,
                        const MQuads::MQuadIndex& quad, int splittingPointIndex) {
  const auto& crossing = grid.loops.GetLoopSplittingPoint(splittingPointIndex);
  const int edge = grid.quads.GetQuadEdgeIndex(quad, crossing.pointOnEdge.edge);
  if (edge == -1)
    throw std::logic_error(
        "MCadTriangulator::MInternal::FillQuadTrimmingInformation: loop part is on a wrong edge");
  return {edge, grid.quads.LocatePointOnEdge(crossing.pointOnEdge), crossing.tag};
}

}  // namespace

MCadTriangulator::MTrimmer::MQuadToTrim MCadTriangulator::MInternal::FillQuadTrimmingInformation(
    const MQuadrangulatedSurface& grid, const MQuadIndex& quad) {
  MTrimmer::MQuadToTrim info;
  const auto corners = grid.quads.GetQuadVertices(quad);
  for (int k = 0; k < 4; ++k)
    info.corners[k] = grid.quads.GetVertex3d(corners[k]);
  if (grid.loops.GetNumberOfInnerLoops(quad) != 0)
    info.innerLoops = grid.loops.GetInnerLoops(quad);
  if (grid.loops.GetNumberOfLoopParts(quad) != 0) {
    for (const MLoopsOnQuads::MLoopPart& part : grid.loops.GetLoopParts(quad)) {
      const Crossing start = LocateCrossing(grid, quad, part.start);
      const Crossing end = LocateCrossing(grid, quad, part.end);
      MTrimmer::MPartToTrim trim;
      trim.startEdge = start.edge;
      trim.startPoint = start.position;
      trim.startTag = start.tag;
      trim.endEdge = end.edge;
      trim.endPoint = end.position;
      trim.endTag = end.tag;
      trim.points = part.points;
      trim.tags = part.tags;
      info.parts.push_back(std::move(trim));
    }
  }
  return info;
}
