// The face triangulation pipeline.
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <stdexcept>

#include "Oxlen/Cad/Triangulation/MAnalyticalSurface.h"
#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"
#include "Oxlen/Cad/Triangulation/MPointToQuadProjector.h"
#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"
#include "Oxlen/Cad/Triangulation/MTrimPartSelector.h"
#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/MCADUVCone.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"
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

void ValidateArguments(const MCADFace& face, const std::optional<std::vector<int>>& finTags,
                       double tolerance, double maxEdgeLength) {
  if (!std::isfinite(tolerance) || tolerance < 0.0)
    throw std::invalid_argument("tolerance: must be finite and non-negative");
  if (std::isnan(maxEdgeLength) || !(maxEdgeLength > 0.0))
    throw std::invalid_argument("maxEdgeLength: must be positive (+infinity for no limit)");
  if (const auto* nurbs = dynamic_cast<const MCADUVNurbsSurface*>(face.GetSurface());
      nurbs != nullptr && !nurbs->GetNurbs().IsContinuous())
    throw std::invalid_argument(
        "face: the NURBS surface is not continuous (order 1, or an inner knot of full "
        "multiplicity)");
  if (!finTags)
    return;
  // Every loop takes its fins' tags from the front of the list while the list lasts.
  std::size_t remaining = finTags->size();
  for (const auto& loop : face.Loops()) {
    if (remaining == 0)
      break;
    if (remaining < loop->FinCount())
      throw std::invalid_argument(
          "finTags: the list ends within a loop (it must hold a value for every fin of each "
          "loop it reaches)");
    remaining -= loop->FinCount();
  }
}

// Planes, cylinders, cones and spheres keep their initial isolines; free-form surfaces thin them.
bool IsAnalyticKind(const MCADUVSurface& surface) {
  return dynamic_cast<const MCADUVSphere*>(&surface) || dynamic_cast<const MCADUVCone*>(&surface) ||
         dynamic_cast<const MCADUVCylinder*>(&surface) ||
         dynamic_cast<const MCADUVPlane*>(&surface);
}

// Size refinement: within the UV region the loops touch, no crossing grid edge longer than the
// size limit, unless the estimate says the budget cannot afford it. Then no quad crowded with
// loop points, as far as the budget allows.
void RefineNearLoops(MQuads& grid, const std::vector<MCadTriangulator::MSegmentedLoop>& loops,
                     double tolerance, double maxEdgeLength, std::size_t maxQuads) {
  using MInternal = MCadTriangulator::MInternal;
  const double spacing = MInternal::GetLoopSpacing(loops);
  const double sizeLimit = std::min(std::max(spacing, 10.0 * tolerance), maxEdgeLength);
  const std::array<double, 4> box = MInternal::GetLoopsUVBox(grid, loops, tolerance);
  if (MInternal::EstimateQuadsCount(grid, sizeLimit, box) <= maxQuads)
    MInternal::RefineBySize(grid, sizeLimit, box, maxQuads);
  MInternal::RefineByLoopDensity(grid, loops, tolerance, maxQuads);
}

// Removes the loops that run along the whole border of a closed domain and returns them: they
// bound the whole surface, so the grid is refined and classified as for the remaining loops.
std::vector<MCadTriangulator::MSegmentedLoop> SetAsideLoopsAlongWholeBorder(
    const MQuads& grid, std::vector<MCadTriangulator::MSegmentedLoop>& loops, double tolerance) {
  std::vector<MCadTriangulator::MSegmentedLoop> setAside;
  std::vector<MCadTriangulator::MSegmentedLoop> kept;
  for (MCadTriangulator::MSegmentedLoop& loop : loops) {
    if (MCadTriangulator::MInternal::IsLoopAlongWholeBorder(grid, loop, tolerance))
      setAside.push_back(std::move(loop));
    else
      kept.push_back(std::move(loop));
  }
  loops = std::move(kept);
  return setAside;
}

// Removes the loop that runs around a closed domain, when exactly one does, and returns it.
std::optional<MCadTriangulator::MSegmentedLoop> SetAsideLoopAroundDomain(
    const MQuads& grid, std::vector<MCadTriangulator::MSegmentedLoop>& loops,
    const MCadTriangulator::MPointToQuadProjector& projector, double tolerance) {
  std::size_t found = loops.size();
  for (std::size_t i = 0; i < loops.size(); ++i) {
    if (!MCadTriangulator::MInternal::IsLoopAroundDomain(grid, loops[i], projector, tolerance))
      continue;
    if (found != loops.size())
      return std::nullopt;  // a second one: none is removed
    found = i;
  }
  if (found == loops.size())
    return std::nullopt;
  auto setAside = std::move(loops[found]);
  loops.erase(loops.begin() + static_cast<std::ptrdiff_t>(found));
  return setAside;
}

// Lays the loops over the grid's quads; returns the loop set aside because it runs around a
// closed domain, if there is one.
std::optional<MCadTriangulator::MSegmentedLoop> DistributeLoops(
    MCadTriangulator::MQuadrangulatedSurface& grid,
    std::vector<MCadTriangulator::MSegmentedLoop> loops, double tolerance) {
  const MCadTriangulator::MPointToQuadProjector projector(grid.quads, tolerance);
  std::optional<MCadTriangulator::MSegmentedLoop> setAside;
  if (grid.quads.IsClosed(MQuads::EAxis::U) || grid.quads.IsClosed(MQuads::EAxis::V))
    setAside = SetAsideLoopAroundDomain(grid.quads, loops, projector, tolerance);
  for (MCadTriangulator::MSegmentedLoop& loop : loops)
    grid.loops.AddLoop(grid.quads, std::move(loop), projector);
  return setAside;
}

// Whether a loop of the face is marked as running around its domain.
bool HasLoopAroundDomainMark(const MCADFace& face) {
  return std::any_of(face.Loops().begin(), face.Loops().end(), [](const auto& loop) {
    return loop->GetIsSpecialCase(eLoopSpecialCaseAroundDomain);
  });
}

// The local meshes of the quads that contribute, appended in ascending quad order: crossed quads
// trimmed, untouched quads whole when their first vertex is inside. Cancellation is polled after
// every crossed quad, whose trimming may take long; empty when it answers true.
std::optional<MCadTriangulator::triangulation_result> TriangulateQuads(
    const MCadTriangulator::MQuadrangulatedSurface& grid,
    const std::vector<MCadTriangulator::MInternal::EVertexStatus>& statuses, double tolerance,
    bool reversed, const std::function<bool()>& cancel) {
  using MInternal = MCadTriangulator::MInternal;
  MCadTriangulator::triangulation_result mesh;
  const auto verticesV = static_cast<std::size_t>(grid.quads.GetIsolinesCount(MQuads::EAxis::V));
  for (const MQuads::MQuadIndex& quad : MInternal::CollectQuadsToTriangulate(grid, statuses)) {
    const MQuads::MVertexIndex first = grid.quads.GetQuadVertices(quad)[0];
    const bool firstVertexInside =
        statuses[static_cast<std::size_t>(first.u) * verticesV + first.v] ==
        MCadTriangulator::MTrimPartSelector::Inside;
    MInternal::TriangulateQuad(mesh, grid, quad, firstVertexInside, tolerance, reversed);
    const bool crossed =
        grid.loops.GetNumberOfLoopParts(quad) != 0 || grid.loops.GetNumberOfInnerLoops(quad) != 0;
    if (crossed && IsCancelled(cancel))
      return std::nullopt;
  }
  return mesh;
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
    const MCADFace& face, const std::optional<std::vector<int>>& finTags, double tolerance,
    double maxEdgeLength, std::size_t maxQuads, const std::function<bool()>& cancel,
    MStatistics* statistics) {
  ValidateArguments(face, finTags, tolerance, maxEdgeLength);
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
  stats.largestDeviation =
      MInternal::RefineByTolerance(grid.quads, surface, tolerance, maxQuads, cancel);
  stats.toleranceMet = !(stats.largestDeviation > tolerance);
  if (IsCancelled(cancel))
    return {};

  // 7. The loops as closed polylines.
  std::vector<MSegmentedLoop> loops = MInternal::SegmentLoops(
      face, finTags, tolerance, grid.quads.GetIsolines(), grid.quads.CalculateBoundingBox3d());
  if (IsCancelled(cancel))
    return {};

  // 8. Orientation.
  const bool reversed = MInternal::OrientLoops(face, grid.quads, loops, tolerance);

  // 9. Loops along the whole border of a closed domain bound the whole surface.
  std::vector<MSegmentedLoop> setAside =
      SetAsideLoopsAlongWholeBorder(grid.quads, loops, tolerance);
  const bool alongWholeBorder = !setAside.empty();

  // 10. Size refinement near the loops.
  RefineNearLoops(grid.quads, loops, tolerance, maxEdgeLength, maxQuads);

  // 11. Seams closed, poles collapsed.
  grid.quads.CloseExactlyIfClosed(tolerance);
  grid.quads.ClosePoles(tolerance);
  stats.refinementSeconds = SecondsSince(start);
  stats.quads = grid.quads.GetQuadsCount();
  if (IsCancelled(cancel))
    return {};

  // 12. The loops laid over the quads; a loop around a closed domain is set aside.
  start = Clock::now();
  const double borderDistance = MInternal::GetBorderMatchDistance(grid.quads, tolerance);
  std::optional<MSegmentedLoop> aroundDomainLoop =
      DistributeLoops(grid, std::move(loops), tolerance);
  if (IsCancelled(cancel))
    return {};

  // 13. The side of every grid vertex. A face bounded only by loops along its whole border is
  // the whole surface.
  const bool aroundDomain =
      alongWholeBorder || aroundDomainLoop.has_value() || HasLoopAroundDomainMark(face);
  bool unclassified = false;
  const std::vector<MInternal::EVertexStatus> statuses =
      MTrimPartSelector::ClassifyVertices(grid, tolerance, aroundDomain, unclassified);
  if (unclassified && face.LoopCount() != 0 && !alongWholeBorder)
    return {};

  // 14. The triangles of every quad that contributes.
  if (IsCancelled(cancel))
    return {};
  std::optional<triangulation_result> quadMeshes =
      TriangulateQuads(grid, statuses, tolerance, reversed, cancel);
  if (!quadMeshes)
    return {};
  triangulation_result mesh = std::move(*quadMeshes);
  stats.assemblySeconds = SecondsSince(start);

  // 15. Coincident vertices merged, flat triangles mended; the border edges of the loops set aside
  // found on the mesh.
  start = Clock::now();
  MergeCoincidentVertices(mesh);
  MInternal::MendFlatTriangles(mesh);
  if (aroundDomainLoop)
    setAside.push_back(std::move(*aroundDomainLoop));
  for (const MSegmentedLoop& loop : setAside)
    MInternal::AppendBorderEdgesAlongLoop(mesh, loop, borderDistance, reversed);
  stats.mergeSeconds = SecondsSince(start);

  // 16. The mesh and what it cost; a mesh without triangles is the empty result (border edges
  // of a loop that bounds nothing would name vertices of no triangle).
  if (statistics != nullptr)
    *statistics = stats;
  if (mesh.triangles.empty())
    return {};
  return mesh;
}
