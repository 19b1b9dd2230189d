#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve2DBased.h"

#include <stdexcept>
#include <utility>

MCAD3DVUVSurfaceCurve2DBased::MCAD3DVUVSurfaceCurve2DBased(
    std::shared_ptr<const MCADUVSurface> surface, std::shared_ptr<const MCAD2DVCurve> uvCurve)
    : m_surface(std::move(surface)), m_uvCurve(std::move(uvCurve)) {
  if (!m_surface)
    throw std::invalid_argument("surface: null");
  if (!m_uvCurve)
    throw std::invalid_argument("uvCurve: null");
}

void MCAD3DVUVSurfaceCurve2DBased::EvaluatePoint(double t,
                                                 Oxlen::Math::point<double, 3>& result) const {
  Oxlen::Math::point<double, 2> uv;
  m_uvCurve->EvaluatePoint(t, uv);
  m_surface->EvaluatePoint(uv, result);
}

void MCAD3DVUVSurfaceCurve2DBased::GetParameterList(MCADParameterList_1d& list) const {
  m_uvCurve->GetParameterList(list);
}
