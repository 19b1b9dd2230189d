#pragma once

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"

namespace long_edges {

/// Gives every mesh edge that starts at a border vertex and leaves the band of width L around the
/// face's border a vertex at the band's edge.
///
/// For each border vertex v (a vertex named by a border edge) in ascending order, and each vertex
/// w that shares a triangle with v without being joined to it by a border edge, in ascending
/// order: the edge v-w is left alone when it is shorter than L, when w lies within L of one of
/// v's own border segments, or when samples taken every L along it from v all stay within L of
/// the border. Otherwise the point where the edge leaves the band is located by bisection to
/// within L/5 along the edge (in its first half when w lies near the border again; between the
/// first sample outside the band and the one before it when that search ends more than L/5
/// beyond the first sample outside, past a stretch where the edge came back into the band). The
/// edge is flipped onto an opposite vertex lying within L/10 of that point (when both ends keep
/// more than two triangles and the two new triangles face the same way in one plane, so that the
/// flip does not move the mesh's surface) or else split there.
///
/// New vertices get no border edges; border edges and border vertices stay as they are.
/// @param[in,out] result the face mesh and its border edges; every index must name a vertex and
///                       every coordinate must be finite.
/// @param[in,out] map    the exact vertex-to-triangles map of the mesh; kept exact.
/// @param[in]     L      the band width (model units): positive and finite.
/// Degenerate cases: without border edges nothing changes. The walk along an edge stops where
/// adding L no longer moves the sample, and the bisection where the interval no longer halves,
/// so that a band width tiny against the coordinates cannot make either run forever.
/// @throws std::runtime_error "Too many objects" for more than 4294967295 border edges.
void avoid_long_triangles_on_border(MCadTriangulator::triangulation_result& result,
                                    Oxlen::Geometry::vertex_triangles_map& map, double L);

}  // namespace long_edges
