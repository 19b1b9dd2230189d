#pragma once

#include <memory>

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCAD2DVCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"

/// A curve in the UV plane of a surface lifted onto that surface: the point at t is the surface
/// point at the UV curve's point at t. It shares ownership of both, and its parameters and sample
/// parameters are those of the UV curve.
class OXLEN_CAD_TRIANGULATION_API MCAD3DVUVSurfaceCurve2DBased : public MCAD3DVUVSurfaceCurve {
 public:
  /// @param[in] surface  the surface the curve lies on; not null.
  /// @param[in] uvCurve  the curve in the surface's UV plane; not null.
  /// @throws std::invalid_argument ("surface: null" or "uvCurve: null") for a null pointer.
  MCAD3DVUVSurfaceCurve2DBased(std::shared_ptr<const MCADUVSurface> surface,
                               std::shared_ptr<const MCAD2DVCurve> uvCurve);

  /// The UV curve; never null.
  const MCAD2DVCurve* GetCurve() const { return m_uvCurve.get(); }
  /// The surface; never null.
  const MCADUVSurface* GetSurface() const { return m_surface.get(); }

  /// The surface point, in internal units, at the UV curve's point at t.
  void EvaluatePoint(double t, Oxlen::Math::point<double, 3>& result) const override;

  /// Fills the UV curve's sample parameters.
  void GetParameterList(MCADParameterList_1d& list) const override;

 private:
  std::shared_ptr<const MCADUVSurface> m_surface;
  std::shared_ptr<const MCAD2DVCurve> m_uvCurve;
};
