#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"

/// A rectangle of a plane.
///
/// Parametrisation, in model units: P(u, v) = O + u X + v Y, where O, X, Y are the origin and the
/// first two axes of the frame; u and v are lengths in model units. `EvaluatePoint` returns
/// 10000 P(u, v) (internal units). Neither direction is periodic.
///
/// Regular grid: U {uMin, uMax}, V {vMin, vMax}.
/// Inversion: the orthogonal projection onto the plane, clamped to the rectangle, which is the
/// nearest point of the rectangle.
class OXLEN_CAD_TRIANGULATION_API MCADUVPlane : public MCADUVSurface {
 public:
  /// @param[in] frame      placement of the plane (model units); orthonormal and right-handed
  ///                       as built by MCADFrame's constructor.
  /// @param[in] uMin, uMax limits along X, in model units; finite, uMin < uMax.
  /// @param[in] vMin, vMax limits along Y, in model units; finite, vMin < vMax.
  /// @throws std::invalid_argument naming the argument ("frame", "uMin", "uMax", "vMin", "vMax")
  ///         when a value is not finite or beyond 1e100 in magnitude (the frame's origin too), a
  ///         frame is not orthonormal or a maximum does not exceed its minimum.
  MCADUVPlane(const MCADFrame& frame, double uMin, double uMax, double vMin, double vMax);

  /// 10000 (O + u X + v Y); parameters outside the limits extend the plane.
  void EvaluatePoint(const Oxlen::Math::point<double, 2>& uv,
                     Oxlen::Math::point<double, 3>& result) const override;

  /// The parameters of the nearest point of the rectangle: the projection onto the plane, each
  /// coordinate clamped to its limits. Exact, so `tolerance` is not used. A non-finite `p` gives
  /// (uMin, vMin).
  Oxlen::Math::point<double, 2> InvertPoint(const Oxlen::Math::point<double, 3>& p,
                                            double tolerance) const override;

  /// U {uMin, uMax}, V {vMin, vMax}.
  void GetRegularGrid(MCADUVRegularGrid& grid) const override;

  /// The plane's frame (model units).
  const MCADFrame& GetFrame() const { return m_frame; }

 private:
  MCADFrame m_frame;
};
