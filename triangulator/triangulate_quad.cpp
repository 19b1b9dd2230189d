// One quad of the grid as a local mesh, appended to the face mesh.
#include <stdexcept>

#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"
#include "triangulator/MInternal.h"

void MCadTriangulator::MInternal::TriangulateQuad(triangulation_result& faceMesh,
                                                  const MQuadrangulatedSurface& grid,
                                                  const MQuadIndex& quad, bool firstVertexInside,
                                                  double /*tolerance*/, bool reversed) {
  const bool crossed =
      grid.loops.GetNumberOfInnerLoops(quad) > 0 || grid.loops.GetNumberOfLoopParts(quad) > 0;
  if (crossed)
    throw std::logic_error(
        "MCadTriangulator::MInternal::TriangulateQuad: quads crossed by loops cannot be trimmed "
        "yet");
  if (!firstVertexInside)
    return;

  // An untouched inner quad: its four corners, split along the diagonal from corner 1 to 3.
  Oxlen::Geometry::triangle_surface local;
  for (const MQuads::MVertexIndex& corner : grid.quads.GetQuadVertices(quad))
    local.vertices.push_back(grid.quads.GetVertex3d(corner));
  local.triangles = {{0, 1, 3}, {3, 1, 2}};
  AppendTriangles(faceMesh, local, {}, reversed);
}
