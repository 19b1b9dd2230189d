#include "curve_mapping.h"

#include <Geom2dConvert.hxx>
#include <Geom2d_BSplineCurve.hxx>
#include <Geom2d_Line.hxx>
#include <Geom2d_TrimmedCurve.hxx>
#include <GeomConvert.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_TrimmedCurve.hxx>
#include <TColStd_Array1OfReal.hxx>

#include <vector>

#include "Oxlen/CadEntity/MCAD2DLineSegment.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"

namespace Oxlen::Cad::detail {
namespace {

std::vector<double> ToVector(const TColStd_Array1OfReal& values) {
  return {values.begin(), values.end()};
}

Handle(Geom2d_Curve) UnwrapCurve(Handle(Geom2d_Curve) curve) {
  while (const auto trimmed = Handle(Geom2d_TrimmedCurve)::DownCast(curve)) {
    curve = trimmed->BasisCurve();
  }
  return curve;
}

}  // namespace

std::shared_ptr<const MCAD2DVCurve> MapPCurve(const Handle(Geom2d_Curve) & curve, double first,
                                              double last, const MUVMap& map) {
  const Handle(Geom2d_Curve) basis = UnwrapCurve(curve);
  const auto toUV = [&map](const gp_Pnt2d& p) {
    const gp_Pnt2d q = map.Apply(p);
    return Oxlen::Math::point<double, 2>{q.X(), q.Y()};
  };
  if (basis->IsKind(STANDARD_TYPE(Geom2d_Line))) {
    return std::make_shared<MCAD2DLineSegment>(toUV(basis->Value(first)), toUV(basis->Value(last)));
  }
  Handle(Geom2d_BSplineCurve) nurbs =
      Geom2dConvert::CurveToBSplineCurve(new Geom2d_TrimmedCurve(basis, first, last));
  if (nurbs->IsPeriodic())
    nurbs->SetNotPeriodic();
  std::vector<Oxlen::Math::point<double, 2>> poles;
  std::vector<double> weights;
  for (int i = 1; i <= nurbs->NbPoles(); ++i) {
    poles.push_back(toUV(nurbs->Pole(i)));
    if (nurbs->IsRational())
      weights.push_back(nurbs->Weight(i));
  }
  return std::make_shared<MCAD2DNurbsCurve>(nurbs->Degree() + 1, ToVector(nurbs->KnotSequence()),
                                            poles, std::move(weights));
}

std::shared_ptr<MCAD3DNurbsCurve> MapSpaceCurve(const Handle(Geom_Curve) & curve, double first,
                                                double last, const gp_Trsf& toSurface) {
  Handle(Geom_BSplineCurve) nurbs =
      GeomConvert::CurveToBSplineCurve(new Geom_TrimmedCurve(curve, first, last));
  nurbs = Handle(Geom_BSplineCurve)::DownCast(nurbs->Copy());
  if (nurbs->IsPeriodic())
    nurbs->SetNotPeriodic();
  nurbs->Transform(toSurface);
  std::vector<M3dNurbsCurve::Point> poles;
  std::vector<double> weights;
  for (int i = 1; i <= nurbs->NbPoles(); ++i) {
    const gp_Pnt p = nurbs->Pole(i);
    poles.push_back({p.X(), p.Y(), p.Z()});
    if (nurbs->IsRational())
      weights.push_back(nurbs->Weight(i));
  }
  return std::make_shared<MCAD3DNurbsCurve>(M3dNurbsCurve(
      nurbs->Degree() + 1, ToVector(nurbs->KnotSequence()), std::move(poles), std::move(weights)));
}

}  // namespace Oxlen::Cad::detail
