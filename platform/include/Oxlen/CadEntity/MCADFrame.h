#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/Math/point.h"

/// A right-handed orthonormal frame in model units: the placement of an analytic surface within
/// the surface's coordinate system.
///
/// Local coordinates (a, b, c) of the frame denote the point origin + a xAxis + b yAxis + c zAxis.
/// A frame built by the constructor always has unit, mutually orthogonal axes with
/// yAxis = zAxis x xAxis; the fields are public for reading, and whoever assigns them directly
/// takes over that invariant.
struct OXLEN_CAD_TRIANGULATION_API MCADFrame {
  Oxlen::Math::point<double, 3> origin{0.0, 0.0, 0.0};
  Oxlen::Math::point<double, 3> xAxis{1.0, 0.0, 0.0};
  Oxlen::Math::point<double, 3> yAxis{0.0, 1.0, 0.0};
  Oxlen::Math::point<double, 3> zAxis{0.0, 0.0, 1.0};

  /// The world frame: origin (0, 0, 0) and the coordinate axes.
  MCADFrame() = default;

  /// Builds the frame at `origin` whose Z axis points along `zAxis` and whose X axis is `xAxis`
  /// made orthogonal to Z (its component along Z is removed); Y completes a right-handed frame.
  /// The lengths of the given axes do not matter.
  /// @param[in] origin model-space position of the frame's origin; finite, every coordinate
  ///                   within 1e100 (Oxlen::Math::kMaxCoordinate) in magnitude.
  /// @param[in] zAxis  direction of the Z axis; finite and non-zero.
  /// @param[in] xAxis  direction close to the wanted X axis; finite, non-zero and not parallel to
  ///                   `zAxis` (the sine of the angle between them must exceed 1e-10).
  /// @throws std::invalid_argument whose message starts with "origin", "zAxis" or "xAxis" when
  ///         that argument is not finite, is zero, (for origin) has a coordinate beyond 1e100 or
  ///         (for xAxis) is parallel to zAxis.
  MCADFrame(const Oxlen::Math::point<double, 3>& origin, const Oxlen::Math::point<double, 3>& zAxis,
            const Oxlen::Math::point<double, 3>& xAxis);

  /// Local coordinates of a point of the surface's coordinate system: its offsets from the origin
  /// along xAxis, yAxis and zAxis.
  /// @param[in] p a point in the coordinate system the frame is placed in (model units).
  Oxlen::Math::point<double, 3> ToLocal(const Oxlen::Math::point<double, 3>& p) const;

  /// The point whose local coordinates are `local`: origin + local[0] xAxis + local[1] yAxis +
  /// local[2] zAxis. Inverse of `ToLocal` up to rounding.
  /// @param[in] local local coordinates (model units).
  Oxlen::Math::point<double, 3> FromLocal(const Oxlen::Math::point<double, 3>& local) const;

  /// True when every field is finite and the axes are unit length and mutually orthogonal to
  /// within `tolerance`, with yAxis = zAxis x xAxis (right-handed).
  /// @param[in] tolerance allowed deviation of each length from 1 and of each dot product from 0.
  bool IsOrthonormal(double tolerance) const;
};
