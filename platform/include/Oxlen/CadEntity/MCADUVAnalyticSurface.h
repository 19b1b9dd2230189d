#pragma once

#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"
#include "Oxlen/Export.h"

/// A surface given by a closed formula in the local coordinates of a frame: the common base of
/// the plane, the cylinder, the cone and the sphere.
///
/// Each subclass defines a point P(u, v) in model units by its local coordinates (a, b, c) in the
/// frame, P(u, v) = O + a X + b Y + c Z with O, X, Y, Z the frame's origin and axes, and documents
/// that parametrisation, its limits, how a point is inverted and its regular grid. The frame is
/// checked once, here, before any other argument of a subclass's constructor.
class OXLEN_CAD_TRIANGULATION_API MCADUVAnalyticSurface : public MCADUVSurface {
 public:
  /// 10000 P(u, v) (internal units), P being the subclass's parametrisation placed by the frame.
  /// Any finite parameters are accepted: outside the limits the formula extends the surface.
  /// @param[in]  uv     the parameters.
  /// @param[out] result the point.
  void EvaluatePoint(const Oxlen::Math::point<double, 2>& uv,
                     Oxlen::Math::point<double, 3>& result) const override;

  /// The parameters of the nearest point of the patch, within the limits, found in closed form
  /// as the subclass describes. Exact up to rounding, so `tolerance` is not used. A non-finite
  /// `p` gives (uMin, vMin).
  /// @param[in] p         the point to project, in internal units, in the surface's coordinate
  ///                      system.
  /// @param[in] tolerance not used.
  Oxlen::Math::point<double, 2> InvertPoint(const Oxlen::Math::point<double, 3>& p,
                                            double tolerance) const override;

  /// Each direction gets its two limits; a periodic direction (an angle around the axis) also
  /// every multiple of pi / 2 strictly inside them.
  /// @param[out] grid both lists replaced.
  void GetRegularGrid(MCADUVRegularGrid& grid) const override;

  /// The frame the surface is placed by (model units).
  const MCADFrame& GetFrame() const { return m_frame; }

 protected:
  /// Checks and keeps the frame; the subclass then checks its own arguments and sets the limits.
  /// @param[in] frame placement (model units); orthonormal and right-handed, as built by
  ///                  MCADFrame's constructor.
  /// @throws std::invalid_argument "frame: ..." when the frame is not finite, its origin lies
  ///         beyond 1e100 in magnitude or its axes are not orthonormal.
  explicit MCADUVAnalyticSurface(const MCADFrame& frame);

 private:
  /// The local coordinates (a, b, c), in model units, of P(u, v); any finite parameters.
  virtual Oxlen::Math::point<double, 3> LocalPoint(
      const Oxlen::Math::point<double, 2>& uv) const = 0;

  /// The parameters of the patch point nearest to `p`, within the limits.
  /// @param[in] p a finite point in internal units, in the surface's coordinate system.
  virtual Oxlen::Math::point<double, 2> NearestParameters(
      const Oxlen::Math::point<double, 3>& p) const = 0;

  MCADFrame m_frame;
};
