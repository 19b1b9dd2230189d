#pragma once

#include "Oxlen/Cad/Triangulation/MQuads.h"
#include "Oxlen/Math/point.h"

namespace loops::detail {

/// A point moved onto a quad, as the loop walk starts and ends: the mean of the nearest points of
/// the quad's two triangulations. With c0 ... c3 the corner positions in `GetQuadVertices` order,
/// pass one takes the nearer of the triangles (c0, c1, c3) and (c3, c1, c2), pass two the nearer
/// of (c1, c2, c3) and (c1, c3, c0) (the first of a pass on equal distances); each pass gives that
/// triangle's nearest point, and the result is their sum times 0.5.
/// @param[in] quads the grid
/// @param[in] quad  a quad of the grid
/// @param[in] x     the point
Oxlen::Math::point<double, 3> ProjectOntoQuad(const MCadTriangulator::MQuads& quads,
                                              const MCadTriangulator::MQuads::MQuadIndex& quad,
                                              const Oxlen::Math::point<double, 3>& x);

}  // namespace loops::detail
