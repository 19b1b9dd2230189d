#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve.h"
#include "Oxlen/Nurbs/M3dNurbsCurve.h"

/// A fin curve given as a NURBS curve in space, in model units, with no UV curve behind it.
/// It evaluates in internal units (10000 times model units); its own sample parameters are the
/// distinct knots within the domain.
class OXLEN_CAD_TRIANGULATION_API MCAD3DNurbsCurve : public MCAD3DVUVSurfaceCurve {
 public:
  /// @param[in] nurbs the curve in model units, in the coordinate system of the face's surface.
  explicit MCAD3DNurbsCurve(M3dNurbsCurve nurbs);

  /// The underlying curve, in model units.
  const M3dNurbsCurve& GetNurbs() const { return m_nurbs; }

  /// The curve point at t (clamped to the domain), in internal units.
  void EvaluatePoint(double t, Oxlen::Math::point<double, 3>& result) const override;

  /// Fills the distinct knots within the domain, ascending.
  void GetParameterList(MCADParameterList_1d& list) const override;

 private:
  M3dNurbsCurve m_nurbs;
};
