#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"
#include "Oxlen/Cad/Triangulation/MTrimPartSelector.h"
#include "geometric_seeding.h"
#include "one_direction_seeding.h"
#include "selector_seeds.h"
#include "vertex_flood.h"

using MTrimPartSelector = MCadTriangulator::MTrimPartSelector;

namespace {

using selector::detail::MQuads;
using selector::detail::SeedMap;
using MQuadIndex = MQuads::MQuadIndex;
using MVertexIndex = MQuads::MVertexIndex;

// The classification indexes the grid with what the loops name; a distribution made over another
// grid must not lead it outside.
void RequireLoopsFitGrid(const MCadTriangulator::MQuadrangulatedSurface& grid) {
  const MQuads& quads = grid.quads;
  const auto& loops = grid.loops;
  for (const auto& entry : loops.GetAllInnerLoops()) {
    if (!quads.HasQuad(entry.first))
      throw std::invalid_argument("grid: an inner loop lies in a quad outside the grid");
  }
  const auto count = static_cast<int>(loops.GetNumberOfSplittingPoints());
  for (const auto& [quad, parts] : loops.GetAllLoopParts()) {
    if (!quads.HasQuad(quad))
      throw std::invalid_argument("grid: a loop part lies in a quad outside the grid");
    for (const auto& part : parts) {
      for (const int index : {part.start, part.end}) {
        if (index < 0 || index >= count)
          throw std::invalid_argument("grid: a loop part refers to a missing splitting point");
        const auto& edge = loops.GetLoopSplittingPoint(index).pointOnEdge.edge;
        if (!quads.HasVertex(edge.start) || !quads.HasVertex(edge.end))
          throw std::invalid_argument("grid: a splitting point lies on an edge outside the grid");
      }
    }
  }
}

// Every border vertex, inside.
SeedMap SeedBorder(const MQuads& quads) {
  SeedMap seeds;
  const int quadsU = quads.GetQuadsCount(MQuads::EAxis::U);
  const int quadsV = quads.GetQuadsCount(MQuads::EAxis::V);
  for (int u = 0; u < quadsU; ++u)
    for (int v = 0; v < quadsV; ++v)
      for (const MVertexIndex& corner : quads.GetQuadVertices(MQuadIndex(u, v)))
        if (quads.IsVertexOnBorder(corner))
          seeds[corner] = MTrimPartSelector::Inside;
  return seeds;
}

// Seeds from the kind of grid, when some quad holds loop information.
SeedMap SeedFromGridKind(const MCadTriangulator::MQuadrangulatedSurface& grid) {
  if (grid.loops.GetAllInnerLoops().empty() && grid.loops.GetAllLoopParts().empty())
    return {};
  const bool closedU = grid.quads.IsClosed(MQuads::EAxis::U);
  const bool closedV = grid.quads.IsClosed(MQuads::EAxis::V);
  if (!closedU && !closedV)
    return {{MVertexIndex(0, 0), MTrimPartSelector::Outside}};
  if (closedU && closedV)
    return {};
  return selector::detail::SeedOneDirection(grid);
}

}  // namespace

std::vector<MTrimPartSelector::EVertexStatus> MTrimPartSelector::ClassifyVertices(
    const MQuadrangulatedSurface& grid, double tolerance, bool aroundDomain, bool& unclassified) {
  if (std::isnan(tolerance))
    throw std::invalid_argument("tolerance: NaN");
  if (tolerance < 0.0)
    throw std::invalid_argument("tolerance: negative");
  RequireLoopsFitGrid(grid);
  const MQuads& quads = grid.quads;

  SeedMap seeds;
  if (aroundDomain)
    seeds = SeedBorder(quads);
  if (seeds.empty())
    seeds = SeedFromGridKind(grid);
  if (seeds.empty())
    seeds = selector::detail::SeedGeometrically(grid, tolerance);
  if (seeds.empty()) {
    unclassified = true;
    return std::vector<EVertexStatus>(
        static_cast<std::size_t>(quads.GetIsolinesCount(MQuads::EAxis::U)) *
            static_cast<std::size_t>(quads.GetIsolinesCount(MQuads::EAxis::V)),
        Inside);
  }

  std::vector<EVertexStatus> statuses = selector::detail::FloodStatuses(
      quads, seeds, selector::detail::CountEdgeCrossings(grid.loops));
  unclassified = false;

  // The seeds vote on the flood: when more of them disagree with it than agree, it ran from the
  // wrong side.
  const int nV = quads.GetIsolinesCount(MQuads::EAxis::V);
  int vote = 0;
  for (const auto& [vertex, status] : seeds) {
    const std::size_t at = static_cast<std::size_t>(vertex.u) * static_cast<std::size_t>(nV) +
                           static_cast<std::size_t>(vertex.v);
    vote += statuses[at] == status ? 1 : -1;
  }
  if (vote < 0) {
    for (EVertexStatus& status : statuses)
      status = selector::detail::Inverted(status);
  }
  return statuses;
}
