#pragma once

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Export.h"

namespace geometry {

/// Improves the mesh of one face along its border, in place, after `MCadTriangulator::Triangulate`
/// and before the faces are stitched.
///
/// In order: repairs the winding of every side-connected region of triangles that runs against
/// the face's border edges (when there are border edges), erasing the border edges that come in
/// opposite pairs with one tag (the two sides of a seam); with `improveLongEdges`, flips edges to
/// strictly shorter ones where the two triangles of the edge lie in one plane; removes the sliver
/// triangles at lonely border corners (corners with one triangle) lying within `cornerDistance`
/// of their opposite side and not being model vertices (both border edges at the corner carry the
/// same tag), and splits the opposite side of the remaining ones at the foot of the corner's
/// perpendicular; with `improveLongEdges`, gives every mesh edge that starts on the border and
/// leaves the band of width `bandWidth` around the border a vertex at the band's edge (by a flip
/// onto a vertex lying there where the flip keeps the surface flat, or a split). No pass moves the
/// mesh's surface except the corner removal, which cuts off slivers no higher than
/// `cornerDistance`, so the mesh stays as close to the exact surface as it was.
///
/// Afterwards the mesh holds no removed vertex or triangle (vertices and triangles keep their
/// relative order), every border edge names two different, existing vertices, and border edges
/// that run along a side that a split or a corner removal replaced follow the new sides with
/// their tag. Border edges that ran into a removed corner and could not be joined into one edge
/// across it are dropped.
///
/// @param[in,out] result           the face mesh and its border edges, as `Triangulate` returns
///                                 them. Every triangle and border edge index must name a vertex,
///                                 and every vertex coordinate must be finite and within
///                                 `Oxlen::Math::kMaxCoordinate` in magnitude.
/// @param[in]     improveLongEdges switches on the flips of long edges and the border band pass.
/// @param[in]     bandWidth        the width L of the band around the border (model units); must
///                                 be positive and finite when `improveLongEdges` is set, ignored
///                                 otherwise.
/// @param[in]     cornerDistance   the largest distance of a lonely corner from its opposite side
///                                 at which its sliver triangle is removed (model units; >= 0,
///                                 +infinity allowed); 0 removes only corners lying on that side.
/// Degenerate cases: an empty mesh stays empty; without border edges no orientation repair runs
/// and the band pass changes nothing.
/// @throws std::invalid_argument ("result: ...", "bandWidth: ...", "cornerDistance: ...") for an
///         index out of range, a coordinate that is not finite or beyond the coordinate limit, a
///         band width that is not positive and finite while `improveLongEdges` is set, or a
///         corner distance that is negative or NaN; nothing is changed then. Allocation failures
///         propagate and leave the result partly changed.
OXLEN_CAD_TRIANGULATION_API void preprocess_triangulated_surface(
    MCadTriangulator::triangulation_result& result, bool improveLongEdges, double bandWidth,
    double cornerDistance);

}  // namespace geometry
