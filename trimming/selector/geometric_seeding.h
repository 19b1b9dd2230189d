#pragma once

#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"
#include "selector_seeds.h"

namespace selector::detail {

/// Seeds from the orientation of the inner loops of quads without loop parts: a loop turning the
/// quad's way (the dot product of the two area vectors at least 0) is an outer boundary, so the
/// corners nearest to it (in 3D, over all such loops; a later loop wins only when strictly
/// nearer) are outside; a loop turning the other way is a hole, so they are inside.
/// @param[in] grid the grid and its loops
SeedMap SeedFromInnerLoops(const MCadTriangulator::MQuadrangulatedSurface& grid);

/// Seeds from the direction of the crossed edges: the start vertex of the crossed edge nearest
/// (by edge parameter) to a vertex is outside, its end vertex inside. A crossing on a periodic
/// seam edge, within `tolerance` of a seam vertex of its edge, or within `tolerance` of another
/// crossing of its quad is unreliable: a vertex whose nearest crossing is unreliable gets no
/// seed.
/// @param[in] grid      the grid and its loops
/// @param[in] tolerance the distance below which points count as coincident
SeedMap SeedFromSplittingPoints(const MCadTriangulator::MQuadrangulatedSurface& grid,
                                double tolerance);

/// Seeds from the loop segments of every quad that face one of its edges k (not too short, at
/// least 0.4 cosine to it, not running along the grid border): seen straight from the segment's
/// midpoint, with the number of crossings listed on the edge before that point and the
/// segment's direction against the edge, corners k and k + 1 are offered a status; a segment
/// whose way to the edge comes within `tolerance` of another loop segment (both moved onto the
/// quad) offers nothing. A vertex offered two different statuses gets no seed at all.
/// @param[in] grid      the grid and its loops
/// @param[in] tolerance the distance below which points count as coincident
SeedMap SeedFromEdgeSegments(const MCadTriangulator::MQuadrangulatedSurface& grid,
                             double tolerance);

/// The geometric seeds: those of the inner loops, overridden by those of the splitting points;
/// when both yield nothing, those of the edge segments.
/// @param[in] grid      the grid and its loops
/// @param[in] tolerance the distance below which points count as coincident
SeedMap SeedGeometrically(const MCadTriangulator::MQuadrangulatedSurface& grid, double tolerance);

}  // namespace selector::detail
