// The face triangulation pipeline.
#include <chrono>
#include <cmath>
#include <stdexcept>

#include "Oxlen/Cad/Triangulation/MAnalyticalSurface.h"
#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"
#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/MCADUVCone.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "Oxlen/Geometry/remove_topologically_degenerate_triangles.h"
#include "Oxlen/Geometry/stitch_points.h"
#include "triangulator/MInternal.h"

namespace {

using Clock = std::chrono::steady_clock;
using MQuads = MCadTriangulator::MQuads;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool IsCancelled(const std::function<bool()>& cancel) {
  return cancel && cancel();
}

void ValidateArguments(double tolerance, double maxEdgeLength) {
  if (!std::isfinite(tolerance) || tolerance < 0.0)
    throw std::invalid_argument("tolerance: must be finite and non-negative");
  if (std::isnan(maxEdgeLength) || !(maxEdgeLength > 0.0))
    throw std::invalid_argument("maxEdgeLength: must be positive (+infinity for no limit)");
}

// Planes, cylinders, cones and spheres keep their initial isolines; free-form surfaces thin them.
bool IsAnalyticKind(const MCADUVSurface& surface) {
  return dynamic_cast<const MCADUVSphere*>(&surface) || dynamic_cast<const MCADUVCone*>(&surface) ||
         dynamic_cast<const MCADUVCylinder*>(&surface) ||
         dynamic_cast<const MCADUVPlane*>(&surface);
}

// Merges the vertices that neighbouring quads share and drops what the merge made degenerate.
void MergeCoincidentVertices(MCadTriangulator::triangulation_result& mesh) {
  const auto [changed, newIndex] = Oxlen::Geometry::stitch_points(mesh, 0.0001, false);
  if (!changed)
    return;
  for (MCadTriangulator::border_edge& e : mesh.border_edges) {
    e.first = newIndex[e.first];
    e.second = newIndex[e.second];
  }
  Oxlen::Geometry::remove_topologically_degenerate_triangles(mesh);
  std::erase_if(mesh.border_edges,
                [](const MCadTriangulator::border_edge& e) { return e.first == e.second; });
}

}  // namespace

MCadTriangulator::triangulation_result MCadTriangulator::Triangulate(
    const MCADFace& face, const std::optional<std::vector<int>>& finTags, double tolerance,
    double maxEdgeLength, std::size_t maxQuads, const std::function<bool()>& cancel) {
  return Triangulate(face, finTags, tolerance, maxEdgeLength, maxQuads, cancel, nullptr);
}

MCadTriangulator::triangulation_result MCadTriangulator::Triangulate(
    const MCADFace& face, const std::optional<std::vector<int>>& /*finTags*/, double tolerance,
    double maxEdgeLength, std::size_t maxQuads, const std::function<bool()>& cancel,
    MStatistics* statistics) {
  ValidateArguments(tolerance, maxEdgeLength);
  MStatistics stats;

  // 1. A face without a surface has nothing to mesh.
  const MCADUVSurface* uvSurface = face.GetSurface();
  if (uvSurface == nullptr)
    return {};

  // 2. The surface in model space.
  auto start = Clock::now();
  const Oxlen::Math::matrix4x4<double> placement = face.GetTransformationMatrix();
  const MAnalyticalSurface surface(*uvSurface, placement);

  // 3. Initial isolines, thinned on free-form surfaces.
  MSurfaceIsolines isolines = MInternal::GetInitialIsolines(surface);
  if (!IsAnalyticKind(*uvSurface))
    MInternal::ReduceFreeFormIsolines(surface, isolines, tolerance);

  // 4. The grid.
  MQuadrangulatedSurface grid(surface, std::move(isolines));
  stats.initialGridSeconds = SecondsSince(start);
  if (IsCancelled(cancel))
    return {};

  // 5. A grid of a single isoline has no quads.
  if (grid.quads.GetIsolinesCount(MQuads::EAxis::U) == 1 ||
      grid.quads.GetIsolinesCount(MQuads::EAxis::V) == 1)
    return {};

  // 6. Chordal refinement.
  start = Clock::now();
  MInternal::RefineByTolerance(grid.quads, surface, tolerance, maxQuads, cancel);
  if (IsCancelled(cancel))
    return {};

  // 7.-9. Loop segmentation, orientation and size refinement run for trimmed faces. A face
  // without loops has none to segment, but the call still answers a cancellation here.
  if (face.LoopCount() != 0)
    throw std::logic_error(
        "MCadTriangulator::Triangulate: faces with trimming loops are not supported yet");
  if (IsCancelled(cancel))
    return {};
  const bool reversed = face.GetOrientation() == eFaceOrientationReversed;

  // 10. Seams closed, poles collapsed.
  grid.quads.CloseExactlyIfClosed(tolerance);
  grid.quads.ClosePoles(tolerance);
  stats.refinementSeconds = SecondsSince(start);
  stats.quads = grid.quads.GetQuadsCount();
  if (IsCancelled(cancel))
    return {};

  // 11.-13. Without loops there is nothing to distribute; the cancellation check that follows the
  // distribution still runs.
  start = Clock::now();
  if (IsCancelled(cancel))
    return {};

  // 14.-15. No vertex has a side that follows from a loop: every vertex counts as inside and the
  // face is triangulated whole.
  const std::size_t vertexCount =
      static_cast<std::size_t>(grid.quads.GetIsolinesCount(MQuads::EAxis::U)) *
      static_cast<std::size_t>(grid.quads.GetIsolinesCount(MQuads::EAxis::V));
  std::vector<MInternal::EVertexStatus> statuses(vertexCount, MTrimPartSelector::Inside);

  // 16. The quads that contribute triangles.
  std::set<MQuads::MQuadIndex> quads = MInternal::CollectQuadsToTriangulate(grid, statuses);
  if (IsCancelled(cancel))
    return {};

  // 17. Their triangles.
  triangulation_result mesh;
  const std::size_t verticesV =
      static_cast<std::size_t>(grid.quads.GetIsolinesCount(MQuads::EAxis::V));
  for (const MQuads::MQuadIndex& quad : quads) {
    const MQuads::MVertexIndex first = grid.quads.GetQuadVertices(quad)[0];
    const bool firstVertexInside =
        statuses[static_cast<std::size_t>(first.u) * verticesV + first.v] ==
        MTrimPartSelector::Inside;
    MInternal::TriangulateQuad(mesh, grid, quad, firstVertexInside, tolerance, reversed);
  }
  stats.assemblySeconds = SecondsSince(start);

  // 18. The working state is no longer needed.
  statuses = {};
  quads = {};

  // 19. Coincident vertices merged.
  start = Clock::now();
  MergeCoincidentVertices(mesh);
  stats.mergeSeconds = SecondsSince(start);

  // 20.
  if (statistics != nullptr)
    *statistics = stats;
  return mesh;
}
