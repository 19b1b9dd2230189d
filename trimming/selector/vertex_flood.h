#pragma once

#include <map>
#include <vector>

#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"
#include "selector_seeds.h"

namespace selector::detail {

/// For every grid edge that loops cross, in both directions, the number of distinct splitting
/// points on it that start or end a loop part.
using EdgeCrossingCounts = std::map<MQuads::MQuadEdge, int>;

/// Counts the splitting points at the start or end of every loop part, each once, under its edge
/// and under the reversed edge.
/// @param[in] loops the distribution
EdgeCrossingCounts CountEdgeCrossings(const MCadTriangulator::MLoopsOnQuads& loops);

/// Floods the seeds' statuses over the grid, breadth first, through the edges between
/// neighbouring vertices (never across a closed seam): every vertex starts outside and
/// unvisited, the seeds take their status and form the first frontier (in map order); each
/// frontier vertex, in order, hands its current status to every unvisited neighbour, in the order
/// (u - 1, v), (u, v - 1), (u + 1, v), (u, v + 1), inverted when the edge between them has an
/// odd crossing count; the neighbours reached form the next frontier. Seeds themselves are not
/// marked visited, so a later frontier may overwrite them.
/// @param[in] quads  the grid
/// @param[in] seeds  the seed vertices
/// @param[in] counts the edge crossing counts
/// @return one status per vertex, vertex (u, v) at u nV + v.
std::vector<EVertexStatus> FloodStatuses(const MQuads& quads, const SeedMap& seeds,
                                         const EdgeCrossingCounts& counts);

}  // namespace selector::detail
