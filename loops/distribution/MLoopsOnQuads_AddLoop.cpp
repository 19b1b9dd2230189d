#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "MEdgeCrossingFinder.h"
#include "MLoopPartSet.h"
#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"
#include "Oxlen/Cad/Triangulation/MPointToQuadProjector.h"
#include "quad_walk.h"
#include "self_crossing_repair.h"

using MLoopsOnQuads = MCadTriangulator::MLoopsOnQuads;
using MQuads = MCadTriangulator::MQuads;

namespace {

using MQuadIndex = MQuads::MQuadIndex;
using loops::detail::MLoopPartSet;

// A crossing of the loop with a grid edge and the loop segment it lies on.
struct Crossing {
  MLoopsOnQuads::MLoopSplittingPoint point;
  std::size_t segment = 0;
};

void RequireValidInput(const MQuads& quads, const MCadTriangulator::MSegmentedLoop& loop) {
  if (quads.GetQuadsCount() == 0)
    throw std::invalid_argument("quads: the grid has no quads");
  if (loop.points.empty())
    throw std::invalid_argument("loop: no points");
  if (loop.tags && loop.tags->size() != loop.points.size()) {
    throw std::invalid_argument("loop: " + std::to_string(loop.tags->size()) + " tags for " +
                                std::to_string(loop.points.size()) + " points");
  }
  for (std::size_t i = 0; i < loop.points.size(); ++i) {
    if (!Oxlen::Math::is_finite(loop.points[i].point))
      throw std::invalid_argument("loop: point " + std::to_string(i) + " is not finite");
  }
}

// The quad of every loop point.
std::vector<MQuadIndex> LocatePoints(const MQuads& quads,
                                     const MCadTriangulator::MSegmentedLoop& loop,
                                     const MCadTriangulator::MPointToQuadProjector& projector) {
  const int quadsU = quads.GetQuadsCount(MQuads::EAxis::U);
  const int quadsV = quads.GetQuadsCount(MQuads::EAxis::V);
  std::vector<MQuadIndex> quadOf;
  quadOf.reserve(loop.points.size());
  for (std::size_t i = 0; i < loop.points.size(); ++i) {
    const MQuadIndex quad = projector.Project(loop.points[i]);
    if (quad.u < 0 || quad.u >= quadsU || quad.v < 0 || quad.v >= quadsV) {
      throw std::invalid_argument("projector: loop point " + std::to_string(i) +
                                  " is located in quad (" + std::to_string(quad.u) + ", " +
                                  std::to_string(quad.v) + "), which is not in the grid");
    }
    quadOf.push_back(quad);
  }
  return quadOf;
}

// The crossings of every segment whose end points lie in different quads, in loop order.
// `cache` is the walks' scratch space (see MEdgeCrossingFinder).
std::vector<Crossing> FindCrossings(const MQuads& quads,
                                    const MCadTriangulator::MSegmentedLoop& loop,
                                    const std::vector<MQuadIndex>& quadOf,
                                    std::vector<double>& cache) {
  const std::size_t n = loop.points.size();
  std::optional<loops::detail::MEdgeCrossingFinder> finder;
  std::vector<Crossing> crossings;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t j = (i + 1) % n;
    if (quadOf[i] == quadOf[j])
      continue;
    if (!finder)
      finder.emplace(quads, cache);
    for (auto& point : loops::detail::WalkQuads(quads, *finder, loop.points[i].point, quadOf[i],
                                                loop.points[j].point, quadOf[j]))
      crossings.push_back(Crossing{std::move(point), i});
  }
  if (loop.tags) {
    for (Crossing& crossing : crossings)
      crossing.point.tag = (*loop.tags)[crossing.segment];
  }
  return crossings;
}

// The parts between consecutive crossings that enter different quads (so the pair of a seam
// crossing and its twin makes none), each filed under the quad its first crossing enters.
MLoopPartSet BuildParts(const MCadTriangulator::MSegmentedLoop& loop,
                        std::vector<Crossing> crossings) {
  const std::size_t n = loop.points.size();
  const std::size_t m = crossings.size();
  MLoopPartSet set;
  for (std::size_t k = 0; k < m; ++k) {
    const std::size_t next = (k + 1) % m;
    const MQuadIndex& quad = crossings[k].point.nextQuad;
    if (quad == crossings[next].point.nextQuad)
      continue;
    MLoopsOnQuads::MLoopPart part;
    part.start = static_cast<std::int32_t>(k);
    part.end = static_cast<std::int32_t>(next);
    if (loop.tags)
      part.tags.emplace();
    const std::size_t last = (crossings[next].segment + 1) % n;
    for (std::size_t p = (crossings[k].segment + 1) % n; p != last; p = (p + 1) % n) {
      part.points.push_back(loop.points[p].point);
      if (loop.tags)
        part.tags->push_back((*loop.tags)[p]);
    }
    set.parts[quad].push_back(std::move(part));
  }
  set.splittingPoints.reserve(m);
  for (Crossing& crossing : crossings)
    set.splittingPoints.push_back(std::move(crossing.point));
  return set;
}

}  // namespace

void MLoopsOnQuads::AddLoop(const MQuads& quads, MSegmentedLoop&& loop,
                            const MPointToQuadProjector& projector) {
  RequireValidInput(quads, loop);
  const std::vector<MQuadIndex> quadOf = LocatePoints(quads, loop, projector);
  std::vector<Crossing> crossings = FindCrossings(quads, loop, quadOf, crossingCache);

  if (crossings.empty()) {
    MInnerLoop inner;
    inner.points.reserve(loop.points.size());
    for (const MPointOnLoop& p : loop.points)
      inner.points.push_back(p.point);
    inner.tags = std::move(loop.tags);
    innerLoops[quadOf.front()].push_back(std::move(inner));
    return;
  }

  const std::vector<MLoopPartSet> sets =
      loops::detail::RepairSelfCrossings(quads, BuildParts(loop, std::move(crossings)));

  // Everything that can fail has run; only now does the distribution change.
  for (const MLoopPartSet& set : sets) {
    const auto offset = static_cast<std::int32_t>(splittingPoints.size());
    splittingPoints.insert(splittingPoints.end(), set.splittingPoints.begin(),
                           set.splittingPoints.end());
    for (const auto& [quad, parts] : set.parts) {
      std::vector<MLoopPart>& target = loopParts[quad];
      for (MLoopPart part : parts) {
        part.start += offset;
        part.end += offset;
        target.push_back(std::move(part));
      }
    }
  }
}
