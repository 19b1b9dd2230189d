#pragma once

// Evaluation of fin curves for the loop segmenter (not exported): curve points brought into
// model space, UV points, and the checks that turn broken curves into MExceptionBadLoop.

#include <cmath>
#include <stdexcept>

#include "Oxlen/Cad/Triangulation/MLoopSegmenter.h"
#include "Oxlen/CadEntity/MCAD2DVCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve2DBased.h"
#include "Oxlen/CadEntity/MCADFin.h"
#include "Oxlen/Math/matrix4x4.h"
#include "Oxlen/Math/point.h"

namespace loops::detail {

/// Internal units of the CAD entity library per model unit.
inline constexpr double kInternalUnitsPerModelUnit = 10000.0;

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

/// Throws MExceptionBadLoop unless the curve parameter is finite.
inline void RequireFiniteParameter(double t) {
  if (!std::isfinite(t))
    throw MCadTriangulator::MLoopSegmenter::MExceptionBadLoop();
}

/// The curve point at t in model space: the point in internal units divided by 10000 and
/// transformed by the placement. A NaN or infinite point is a broken curve: MExceptionBadLoop.
inline Oxlen::Math::point<double, 3> ModelPoint(const MCAD3DVUVSurfaceCurve& curve, double t,
                                                const Oxlen::Math::matrix4x4<double>& placement) {
  Oxlen::Math::point<double, 3> p;
  curve.EvaluatePoint(t, p);
  const Oxlen::Math::point<double, 3> model =
      placement.transform_point(p / kInternalUnitsPerModelUnit);
  if (!Oxlen::Math::is_finite(model))
    throw MCadTriangulator::MLoopSegmenter::MExceptionBadLoop();
  return model;
}

/// The UV point at t; a NaN or infinite point is a broken curve: MExceptionBadLoop.
inline Oxlen::Math::point<double, 2> UVPoint(const MCAD2DVCurve& curve, double t) {
  Oxlen::Math::point<double, 2> uv;
  curve.EvaluatePoint(t, uv);
  if (!Oxlen::Math::is_finite(uv))
    throw MCadTriangulator::MLoopSegmenter::MExceptionBadLoop();
  return uv;
}

/// std::invalid_argument "tolerance: ..." unless the tolerance is finite and >= 0.
inline void RequireTolerance(double tolerance) {
  if (!std::isfinite(tolerance) || tolerance < 0.0)
    throw std::invalid_argument("tolerance: must be finite and non-negative");
}

}  // namespace loops::detail
