#pragma once

#include <vector>

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCAD2DVCurve.h"
#include "Oxlen/Math/point.h"
#include "Oxlen/Nurbs/M3dNurbsCurve.h"

/// A NURBS curve in the UV plane of a surface. It holds an `M3dNurbsCurve` whose control points
/// are the UV points with z = 0; UV parameters are taken as they are, without the scaling into
/// internal units that applies to points in space.
///
/// Its own sample parameters are the distinct knots within the domain, so a single polynomial
/// (Bezier) piece lists only its two ends.
class OXLEN_CAD_TRIANGULATION_API MCAD2DNurbsCurve : public MCAD2DVCurve {
 public:
  /// @param[in] nurbs a curve whose control points all have z = 0.
  /// @throws std::invalid_argument ("nurbs: ...") when a control point lies off the plane z = 0.
  explicit MCAD2DNurbsCurve(M3dNurbsCurve nurbs);

  /// Builds the curve from UV control points; the arguments are those of `M3dNurbsCurve`.
  /// @throws std::invalid_argument as `M3dNurbsCurve` does.
  MCAD2DNurbsCurve(int order, std::vector<double> knots,
                   const std::vector<Oxlen::Math::point<double, 2>>& controlPoints,
                   std::vector<double> weights = {});

  /// A full circle in UV, counter-clockwise (towards increasing V first), starting and ending at
  /// centerUV + (radius, 0), over the parameters [0, 1]; see `M3dNurbsCurve::Circle`.
  /// @throws std::invalid_argument for a non-finite centre or a radius that is not positive and
  ///         finite.
  static MCAD2DNurbsCurve Circle(const Oxlen::Math::point<double, 2>& centerUV, double radius);

  /// The underlying NURBS curve (z = 0).
  const M3dNurbsCurve& GetNurbs() const { return m_nurbs; }

  /// Fills the distinct knots within the domain, ascending.
  void GetParameterList(MCADParameterList_1d& list) const override;

  /// The UV point at t; t is clamped to the domain.
  void EvaluatePoint(double t, Oxlen::Math::point<double, 2>& result) const override;

 private:
  M3dNurbsCurve m_nurbs;
};
