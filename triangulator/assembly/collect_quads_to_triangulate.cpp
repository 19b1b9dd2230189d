// Choice of the quads that contribute triangles to the face mesh.
#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"
#include "triangulator/MInternal.h"

std::set<MCadTriangulator::MQuads::MQuadIndex>
MCadTriangulator::MInternal::CollectQuadsToTriangulate(const MQuadrangulatedSurface& grid,
                                                       const std::vector<EVertexStatus>& statuses) {
  const MQuads& quads = grid.quads;
  const int quadsU = quads.GetQuadsCount(MQuads::EAxis::U);
  const int quadsV = quads.GetQuadsCount(MQuads::EAxis::V);
  const std::size_t verticesV = static_cast<std::size_t>(quads.GetIsolinesCount(MQuads::EAxis::V));
  std::set<MQuadIndex> result;
  for (int i = 0; i < quadsU; ++i) {
    for (int j = 0; j < quadsV; ++j) {
      const MQuadIndex quad(i, j);
      const bool crossed =
          grid.loops.GetNumberOfInnerLoops(quad) > 0 || grid.loops.GetNumberOfLoopParts(quad) > 0;
      const std::size_t firstVertex = static_cast<std::size_t>(i) * verticesV + j;
      if (crossed || statuses[firstVertex] == MTrimPartSelector::Inside)
        result.insert(quad);
    }
  }
  return result;
}
