#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/Math/MMTransform.h"

/// The placement of a CAD entity: an `MMTransform` that converts to the plain 16-value matrix the
/// triangulator works with.
class OXLEN_CAD_TRIANGULATION_API MMTransformMatrix : public MMTransform {
 public:
  using MMTransform::MMTransform;

  /// The placement that sends the X, Y and Z axes to `xAxis`, `yAxis`, `zAxis` and the origin to
  /// `origin` (model units).
  /// @throws std::invalid_argument when the axes are not finite or linearly dependent.
  static MMTransformMatrix FromAxes(const Oxlen::Math::point<double, 3>& xAxis,
                                    const Oxlen::Math::point<double, 3>& yAxis,
                                    const Oxlen::Math::point<double, 3>& zAxis,
                                    const Oxlen::Math::point<double, 3>& origin);

  /// The translation by t (model units).
  static MMTransformMatrix Translation(const Oxlen::Math::point<double, 3>& t);

  /// The 16 values in storage order, for row vectors.
  operator Oxlen::Math::matrix4x4<double>() const { return GetMatrix(); }
};
