#include "model_census.h"

#include <BRepBndLib.hxx>
#include <BRepGProp.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopoDS.hxx>

#include <cmath>

namespace Oxlen::Cad::detail {
namespace {

constexpr double kRelativeVolumePrecision = 1e-6;

}  // namespace

bool IsClosedSolid(const TopoDS_Solid& solid) {
  TopTools_IndexedDataMapOfShapeListOfShape faces;
  TopExp::MapShapesAndAncestors(solid, TopAbs_EDGE, TopAbs_FACE, faces);
  for (int i = 1; i <= faces.Extent(); ++i) {
    const TopoDS_Edge& edge = TopoDS::Edge(faces.FindKey(i));
    const TopTools_ListOfShape& users = faces(i);
    if (BRep_Tool::Degenerated(edge) || users.Extent() == 2)
      continue;
    if (users.Extent() == 1 && BRep_Tool::IsClosed(edge, TopoDS::Face(users.First())))
      continue;
    return false;
  }
  return true;
}

MSolidCensus CountSolids(const TopoDS_Shape& model) {
  MSolidCensus census;
  for (TopExp_Explorer s(model, TopAbs_SOLID); s.More(); s.Next()) {
    ++census.solids;
    if (!IsClosedSolid(TopoDS::Solid(s.Current())))
      continue;
    ++census.closed;
    // Gauss-Kronrod integration: the fixed-order rule is off by percents on lofted B-splines,
    // and the adaptive one on extruded ones. Integrated span by span: a B-spline is a polynomial
    // on each span, and the evaluator keeps the span it last worked on, so a rule spread over
    // the whole surface would rebuild that cache at almost every point (5 times slower on a loft).
    GProp_GProps props;
    BRepGProp::VolumePropertiesGK(s.Current(), props, kRelativeVolumePrecision,
                                  /*OnlyClosed=*/Standard_False, /*IsUseSpan=*/Standard_True);
    census.closedVolume += props.Mass();
  }
  return census;
}

double BoundingDiagonal(const TopoDS_Shape& model) {
  Bnd_Box box;
  BRepBndLib::Add(model, box, Standard_False);
  if (box.IsVoid())
    return 0.0;
  double x0 = 0.0;
  double y0 = 0.0;
  double z0 = 0.0;
  double x1 = 0.0;
  double y1 = 0.0;
  double z1 = 0.0;
  box.Get(x0, y0, z0, x1, y1, z1);
  return std::hypot(x1 - x0, y1 - y0, z1 - z0);
}

}  // namespace Oxlen::Cad::detail
