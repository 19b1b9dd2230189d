#pragma once

#include <cstddef>
#include <variant>
#include <vector>

#include "MEdgeCrossingFinder.h"
#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"
#include "Oxlen/Cad/Triangulation/MQuads.h"
#include "Oxlen/Math/point.h"

// The walk of one loop segment over the quads (internal to the loop distribution).

namespace loops::detail {

using MLoopSplittingPoint = MCadTriangulator::MLoopsOnQuads::MLoopSplittingPoint;

/// A place where the walk starts or ends: a position and the quad it lies in.
struct MWalkEndPoint {
  Oxlen::Math::point<double, 3> position;
  MCadTriangulator::MQuads::MQuadIndex quad;
};

/// A place where the walk crosses a grid edge: the crossing point and its record.
struct MWalkEdgePoint {
  Oxlen::Math::point<double, 3> position;
  MLoopSplittingPoint crossing;
};

/// A position on the way of the walk; the end point is the first alternative.
using MWalkNode = std::variant<MWalkEndPoint, MWalkEdgePoint>;

/// One step of the walk from one position to the next, with the length of the way so far.
struct MWalkStep {
  MWalkNode from;
  MWalkNode to;
  double cost = 0.0;
};

/// What one walk did, to measure its cost independently of the clock.
struct MQuadWalkStatistics {
  std::size_t pushed = 0;    ///< steps put on the heap
  std::size_t popped = 0;    ///< steps taken off the heap
  std::size_t expanded = 0;  ///< positions whose quad was searched for edges to cross
};

/// The crossings of the shortest way over the grid edges from `from` (in quad `fromQuad`) to `to`
/// (in quad `toQuad`), in walk order.
///
/// A Dijkstra search whose vertices are grid edges, with lazy deletion: the way starts at `from`
/// moved onto `fromQuad` (`ProjectOntoQuad`), passes every crossed edge at the point that
/// `finder` gives for the segment from -> to, and ends at `to` moved onto `toQuad`; steps cost
/// their overflow-safe 3D length. Edges on an open border are never crossed; both copies of a
/// periodic seam edge count as one edge, and a seam crossing is followed in the result by its
/// twin (`SeamTwin`). Every crossing has tag 0.
/// @param[in]     quads      the grid
/// @param[in,out] finder     the edge crossing finder over `quads`; its segment becomes
///                           from -> to
/// @param[in]     from, fromQuad, to, toQuad the segment's end points and their quads
/// @param[out]    statistics null, or receives the work done
/// @throws std::out_of_range "key was not found in unordered_flat_map" when `toQuad` cannot be
///         reached without crossing an open border.
std::vector<MLoopSplittingPoint> WalkQuads(const MCadTriangulator::MQuads& quads,
                                           MEdgeCrossingFinder& finder,
                                           const Oxlen::Math::point<double, 3>& from,
                                           const MCadTriangulator::MQuads::MQuadIndex& fromQuad,
                                           const Oxlen::Math::point<double, 3>& to,
                                           const MCadTriangulator::MQuads::MQuadIndex& toQuad,
                                           MQuadWalkStatistics* statistics = nullptr);

/// The quad on the other side of `edge` seen from `quad`: with m the edge's smaller vertex, the
/// candidates are A = (m.u, m.v) and B = (m.u - 1, m.v) for an edge of constant u, (m.u, m.v - 1)
/// for one of constant v; an index outside the grid wraps around a closed axis and makes the
/// candidate `MQuads::kInvalidQuadIndex` along an open one (axes in the order U, V). The result
/// is B when A is `quad`, else A.
/// @param[in] quads the grid
/// @param[in] quad  a quad of the grid
/// @param[in] edge  an edge of `quad`
MCadTriangulator::MQuads::MQuadIndex QuadAcrossEdge(
    const MCadTriangulator::MQuads& quads, const MCadTriangulator::MQuads::MQuadIndex& quad,
    const MCadTriangulator::MQuads::MQuadEdge& edge);

}  // namespace loops::detail
