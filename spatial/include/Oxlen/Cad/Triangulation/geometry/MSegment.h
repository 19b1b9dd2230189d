#pragma once

#include "Oxlen/Math/point.h"

namespace geometry {

/// A straight segment of model space from `first` to `second`. A plain aggregate of six doubles:
/// `MSegment{a, b}`. The direction matters wherever a parameter along the segment is reported
/// (0 at `first`, 1 at `second`). Both end points may coincide; the distance functions treat such
/// a segment as the single point `first`.
struct MSegment {
  Oxlen::Math::point<double, 3> first;   ///< Start point, parameter 0.
  Oxlen::Math::point<double, 3> second;  ///< End point, parameter 1.
};

}  // namespace geometry
