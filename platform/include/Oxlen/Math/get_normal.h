#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/Math/point.h"

namespace Oxlen::Math {

/// Normal of the triangle (a, b, c) by the right-hand rule: it points to the side from which the
/// corners run counter-clockwise.
/// @param[in] a, b, c the corners.
/// @param[in] areaWeighted true: the plain cross product (b - a) x (c - a), whose length is twice
///            the triangle's area (no rescaling; it may overflow or underflow for extreme input);
///            false: the unit normal, computed on rescaled edge vectors so that tiny and huge
///            triangles neither underflow nor overflow.
/// @return with areaWeighted false, a unit vector, or the zero vector when the triangle is
///         degenerate (the cross product of its rescaled edge vectors is exactly zero:
///         coincident or collinear corners) or a corner is not finite.
OXLEN_CAD_TRIANGULATION_API point<double, 3> get_normal(const point<double, 3>& a,
                                                        const point<double, 3>& b,
                                                        const point<double, 3>& c,
                                                        bool areaWeighted);

}  // namespace Oxlen::Math
