#include "Oxlen/CadEntity/MCAD3DNurbsCurve.h"
#include "Oxlen/CadEntity/internal_units.h"

#include <utility>

namespace {

using Oxlen::CadEntity::kInternalUnitsPerModelUnit;

}  // namespace

MCAD3DNurbsCurve::MCAD3DNurbsCurve(M3dNurbsCurve nurbs) : m_nurbs(std::move(nurbs)) {}

void MCAD3DNurbsCurve::EvaluatePoint(double t, Oxlen::Math::point<double, 3>& result) const {
  result = m_nurbs.Evaluate(t) * kInternalUnitsPerModelUnit;
}

void MCAD3DNurbsCurve::GetParameterList(MCADParameterList_1d& list) const {
  const std::vector<double> knots = m_nurbs.GetDistinctKnots();
  list.parameters.assign(knots.begin(), knots.end());
}
