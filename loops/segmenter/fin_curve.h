#pragma once

// Evaluation of fin curves for the loop segmenter (not exported): curve points brought into
// model space, UV points clipped to the surface's limits, and the checks that turn broken curves
// into MExceptionBadFin.

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "Oxlen/Cad/Triangulation/MLoopSegmenter.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD2DVCurve.h"
#include "Oxlen/CadEntity/MCAD3DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve2DBased.h"
#include "Oxlen/CadEntity/MCADFin.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"
#include "Oxlen/CadEntity/internal_units.h"
#include "Oxlen/Math/matrix4x4.h"
#include "Oxlen/Math/point.h"

namespace loops::detail {

using Oxlen::CadEntity::kInternalUnitsPerModelUnit;

/// The fin's curve; std::invalid_argument "fin: ..." when it has none.
inline const MCAD3DVUVSurfaceCurve& CurveOf(const MCADFin& fin) {
  if (fin.curve == nullptr)
    throw std::invalid_argument("fin: the fin has no curve");
  return *fin.curve;
}

/// The UV curve behind a fin's curve, or null when the curve is not defined in UV.
inline const MCAD2DVCurve* UVCurveOf(const MCAD3DVUVSurfaceCurve& curve) {
  const auto* based = dynamic_cast<const MCAD3DVUVSurfaceCurve2DBased*>(&curve);
  return based != nullptr ? based->GetCurve() : nullptr;
}

/// Throws MExceptionBadFin unless the curve parameter is finite.
inline void RequireFiniteParameter(double t) {
  if (!std::isfinite(t))
    throw MCadTriangulator::MLoopSegmenter::MExceptionBadFin(
        "the curve lists a parameter that is not finite");
}

/// The point of a UV curve at t, as the curve gives it; a NaN or infinite point is a broken
/// curve: MExceptionBadFin.
inline Oxlen::Math::point<double, 2> UVPoint(const MCAD2DVCurve& curve, double t) {
  Oxlen::Math::point<double, 2> uv;
  curve.EvaluatePoint(t, uv);
  if (!Oxlen::Math::is_finite(uv))
    throw MCadTriangulator::MLoopSegmenter::MExceptionBadFin(
        "the curve gives a UV point that is not finite");
  return uv;
}

/// A fin's curve as the segmenter evaluates it. A curve defined in the UV plane of a surface is
/// clipped to the surface's limits: its UV point is clamped into [min, max] along every direction
/// that is not periodic, and its model point is the surface point there. Clamping is a retraction
/// of the plane onto the limits' rectangle that moves no point of the rectangle, so the clipped
/// loop winds around every point inside the limits exactly as the loop does: the region it bounds
/// there is the loop's region, however far the loop runs outside. Any other curve is evaluated
/// as it is.
class FinCurve {
 public:
  /// MExceptionBadFin for a NURBS curve (in space or in UV) that is not continuous.
  explicit FinCurve(const MCADFin& fin) : m_curve(CurveOf(fin)) {
    const auto* space = dynamic_cast<const MCAD3DNurbsCurve*>(&m_curve);
    if (space != nullptr)
      RequireContinuous(space->GetNurbs());
    const auto* based = dynamic_cast<const MCAD3DVUVSurfaceCurve2DBased*>(&m_curve);
    if (based == nullptr)
      return;
    m_uv = based->GetCurve();
    if (const auto* nurbs = dynamic_cast<const MCAD2DNurbsCurve*>(m_uv))
      RequireContinuous(nurbs->GetNurbs());
    m_surface = based->GetSurface();
    for (const eInUV direction : {eInU, eInV}) {
      const MCADDomainLimits& limits = m_surface->GetExtremesUV(direction);
      if (!m_surface->GetIsPeriodicInUV(direction)) {
        m_min[direction] = limits.GetMin();
        m_max[direction] = limits.GetMax();
      }
    }
  }

  const MCAD3DVUVSurfaceCurve& Curve() const { return m_curve; }

  /// The UV curve, or null when the curve is not defined in UV.
  const MCAD2DVCurve* UVCurve() const { return m_uv; }

  /// The surface of the UV curve, or null when the curve is not defined in UV.
  const MCADUVSurface* Surface() const { return m_surface; }

  /// The clipped UV point at t; the curve must be defined in UV. MExceptionBadFin for a NaN or
  /// infinite point.
  Oxlen::Math::point<double, 2> ClippedUVPoint(double t) const {
    Oxlen::Math::point<double, 2> uv = UVPoint(*m_uv, t);
    for (int k = 0; k < 2; ++k)
      uv[k] = std::clamp(uv[k], m_min[k], m_max[k]);
    return uv;
  }

  /// The curve point at t in model space (clipped for a UV curve): the point in internal units
  /// divided by 10000 and transformed by the placement. A NaN or infinite point is a broken
  /// curve: MExceptionBadFin.
  Oxlen::Math::point<double, 3> ModelPoint(double t,
                                           const Oxlen::Math::matrix4x4<double>& placement) const {
    Oxlen::Math::point<double, 3> p;
    if (m_uv != nullptr)
      m_surface->EvaluatePoint(ClippedUVPoint(t), p);
    else
      m_curve.EvaluatePoint(t, p);
    const Oxlen::Math::point<double, 3> model =
        placement.transform_point(p / kInternalUnitsPerModelUnit);
    if (!Oxlen::Math::is_finite(model))
      throw MCadTriangulator::MLoopSegmenter::MExceptionBadFin(
          "the curve gives a point that is not finite");
    return model;
  }

 private:
  // A curve that may jump between constant pieces or at a knot cannot be a loop edge.
  static void RequireContinuous(const M3dNurbsCurve& nurbs) {
    if (!nurbs.IsContinuous())
      throw MCadTriangulator::MLoopSegmenter::MExceptionBadFin("the curve is not continuous");
  }

  static constexpr double kUnbounded = std::numeric_limits<double>::infinity();
  const MCAD3DVUVSurfaceCurve& m_curve;
  const MCAD2DVCurve* m_uv = nullptr;
  const MCADUVSurface* m_surface = nullptr;
  double m_min[2] = {-kUnbounded, -kUnbounded};
  double m_max[2] = {kUnbounded, kUnbounded};
};

/// std::invalid_argument "tolerance: ..." unless the tolerance is finite and >= 0.
inline void RequireTolerance(double tolerance) {
  if (!std::isfinite(tolerance) || tolerance < 0.0)
    throw std::invalid_argument("tolerance: must be finite and non-negative");
}

}  // namespace loops::detail
