#pragma once

#include "Oxlen/Math/point.h"
#include "Oxlen/Nurbs/M3dNurbsSurface.h"

// The point inversion of MCADUVNurbsSurface (not exported).

namespace cad_entity::detail {

/// The parameters of the point of `nurbs` nearest to `p`. The patches (one per pair of knot
/// spans) are sampled nearest first by the bounding boxes of their control points, and the best
/// samples are polished by Newton steps on the squared distance, clamped to the limits.
/// @param[in] nurbs     the surface, evaluating in model units.
/// @param[in] p         the point, in internal units (10000 times model units); a point
///                      absurdly far away is pulled towards the patch along its direction.
/// @param[in] tolerance the distance (internal units) to which the search polishes; 0, negative
///                      or not finite polishes to the rounding of the coordinates.
/// @return the parameters; the start of the limits (uMin, vMin) for a point that is not finite
///         or when no sample has a finite distance.
Oxlen::Math::point<double, 2> invert_nurbs_point(const M3dNurbsSurface& nurbs,
                                                 const Oxlen::Math::point<double, 3>& p,
                                                 double tolerance);

}  // namespace cad_entity::detail
