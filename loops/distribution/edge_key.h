#pragma once

#include <cstdint>

#include "Oxlen/Cad/Triangulation/MQuads.h"

// Integer keys of grid edges for the loop walk (internal to the loop distribution).

namespace loops::detail {

using MQuads = MCadTriangulator::MQuads;

/// Key of a grid edge by its position alone, whatever its direction: with m the smaller vertex
/// and nV the number of V isolines, 2 (m.u nV + m.v) + 1 for an edge whose vertices differ in u,
/// 2 (m.u nV + m.v) otherwise. Both copies of a periodic seam edge keep different keys. Lies in
/// [0, 2 nU nV) for every edge of the grid.
/// @param[in] quads the grid
/// @param[in] edge  an edge between neighbouring vertices of the grid
std::int64_t PlainEdgeKey(const MQuads& quads, const MQuads::MQuadEdge& edge);

/// Key of a grid edge as the walk visits it: -1 for `MQuads::kInvalidQuadEdge` (the end point of
/// a walk); an edge on a periodic border is first moved onto the first isoline of its axis (an
/// edge whose vertices differ in u gets v = 0 at both ends, any other edge u = 0), so that both
/// copies of a seam edge share one key; then `PlainEdgeKey`.
/// @param[in] quads the grid
/// @param[in] edge  an edge of the grid, or the invalid edge
std::int64_t EdgeKey(const MQuads& quads, const MQuads::MQuadEdge& edge);

}  // namespace loops::detail
