#pragma once

#include <cstddef>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "loop_edge_index.h"
#include "trimming_helpers.h"

// The splitting of a triangle that holds many loop points. Trying every point (the 2-splitting)
// or scoring every point by the segments its spokes cross (the 3-splitting) costs work linear in
// the points per candidate or per point, and the best point by those measures often splits one
// point off at a time: a quad receiving n points then costs n^2 and more. A triangle at or above
// `kBulkPointCount` points is instead split at a few points taken from the middle of its lists,
// so that each splitting costs O(n log n) and the children hold a fraction of the points each.

namespace trimming::detail {

/// Inner and edge points from which a triangle is split by `ChooseBulkSplitting`. The loop
/// density refinement gives a quad at most 64 loop points while the quad budget allows, so that
/// such quads keep the splittings chosen by the generators' own scores.
constexpr std::size_t kBulkPointCount = 64;

/// Points from which a piece of a bulk-split triangle is itself split by `ChooseBulkSplitting`:
/// below it the generators' own scores cost little.
constexpr std::size_t kBulkPieceFloor = 8;

/// The splitting of a triangle with many points, the best of a few candidates: the 3-splittings
/// at the inner points a quarter, half and three quarters down the list (which keeps loop
/// order), inner points equally near to two children going to the larger one; the 2-splittings
/// along a segment from an edge point to the opposite corner (the first three in segment order);
/// the 2-splittings through the middle point of each edge. The candidates are estimated, not
/// built: a point goes to the child whose side of the cut it lies on in the triangle's plane, and
/// a segment whose ends go to different children counts one new vertex in both. The best leaves
/// the fewest points in its fullest child, then creates the fewest vertices; of equals the
/// earliest is kept, and only it is built. When the built splitting leaves a child as full as the
/// triangle (the estimate misjudges triangles thin to rounding), every candidate is built and
/// the best by its real children is taken among those that leave fewer points in every child.
/// @param[in]  triangle  the triangle to split.
/// @param[in]  result    the mesh under construction.
/// @param[in]  loopEdges the loop edges of `result`, mirroring `result.segments`.
/// @param[out] found     false when the triangle has no points or no candidate leaves fewer
///                       points in every child (the splitting is then empty).
/// @throws the messages of the 2- and 3-splitting generators.
MCadTriangulator::MTrimmer::MSplitting ChooseBulkSplitting(
    const MCadTriangulator::MTrimmer::MTriangleToTrim& triangle,
    const MCadTriangulator::MTrimmer::MTriangles& result, const MLoopEdgeIndex& loopEdges,
    bool& found);

}  // namespace trimming::detail
