#include "face_mapping.h"

#include <BRepBuilderAPI_NurbsConvert.hxx>
#include <BRepTools.hxx>
#include <BRepTools_WireExplorer.hxx>
#include <BRep_Tool.hxx>
#include <TopExp_Explorer.hxx>
#include <TopLoc_Location.hxx>
#include <TopTools_DataMapOfShapeInteger.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Wire.hxx>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve2DBased.h"
#include "Oxlen/CadEntity/MCADLoop.h"
#include "curve_mapping.h"
#include "surface_mapping.h"

namespace Oxlen::Cad::detail {
namespace {

// The face to read geometry from, and the model's number of each of its edges. For a face whose
// surface is converted to NURBS both are those of the converted copy.
struct MSourceFace {
  TopoDS_Face face;
  std::function<int(const TopoDS_Edge&)> edgeNumber;
};

MSourceFace AsItIs(const TopoDS_Face& face, const TopTools_IndexedMapOfShape& edges) {
  return {face, [&edges](const TopoDS_Edge& edge) { return edges.FindIndex(edge); }};
}

// The face with its surface and p-curves converted to NURBS together, so that the p-curves stay
// consistent with the new parametrisation. Edge numbers are carried over from the original edges.
MSourceFace ConvertedToNurbs(const TopoDS_Face& face, const TopTools_IndexedMapOfShape& edges) {
  BRepBuilderAPI_NurbsConvert convert(face, Standard_True);
  if (!convert.IsDone())
    throw std::runtime_error("conversion to NURBS failed");
  auto numbers = std::make_shared<TopTools_DataMapOfShapeInteger>();
  for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next()) {
    numbers->Bind(convert.ModifiedShape(e.Current()), edges.FindIndex(e.Current()));
  }
  TopoDS_Face converted = TopoDS::Face(convert.Shape());
  converted.Orientation(face.Orientation());
  return {converted, [numbers](const TopoDS_Edge& edge) {
            const int* k = numbers->Seek(edge);
            return k ? *k : 0;
          }};
}

// The largest tolerance of the face, its edges and its vertices.
double LargestTolerance(const TopoDS_Face& face) {
  double tolerance = BRep_Tool::Tolerance(face);
  for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next()) {
    tolerance = std::max(tolerance, BRep_Tool::Tolerance(TopoDS::Edge(e.Current())));
  }
  for (TopExp_Explorer v(face, TopAbs_VERTEX); v.More(); v.Next()) {
    tolerance = std::max(tolerance, BRep_Tool::Tolerance(TopoDS::Vertex(v.Current())));
  }
  return tolerance;
}

// The edges of a wire in order along it. A wire whose edges do not connect in UV is taken in the
// order it stores them, so that no edge is lost.
std::vector<TopoDS_Edge> EdgesInOrder(const TopoDS_Wire& wire, const TopoDS_Face& face) {
  std::vector<TopoDS_Edge> ordered;
  for (BRepTools_WireExplorer e(wire, face); e.More(); e.Next())
    ordered.push_back(e.Current());
  std::vector<TopoDS_Edge> stored;
  for (TopoDS_Iterator it(wire); it.More(); it.Next()) {
    if (it.Value().ShapeType() == TopAbs_EDGE)
      stored.push_back(TopoDS::Edge(it.Value()));
  }
  return ordered.size() == stored.size() ? ordered : stored;
}

// The face's surface, the placement that puts it into the model, and the transformation from
// model space back into the surface's coordinate system. A placement that mirrors is folded into
// the geometry: the surface comes transformed and the placement is the identity.
struct MPlacedSurface {
  Handle(Geom_Surface) surface;
  gp_Trsf placement;
};

MPlacedSurface PlacedSurface(const TopoDS_Face& face) {
  TopLoc_Location location;
  const Handle(Geom_Surface) surface = BRep_Tool::Surface(face, location);
  if (location.Transformation().IsNegative())
    return {BRep_Tool::Surface(face), gp_Trsf()};
  return {surface, location.Transformation()};
}

// The fin curve of one edge use: its p-curve lifted onto the surface, or, for an edge without a
// p-curve, its space curve in the surface's coordinate system.
std::shared_ptr<MCAD3DVUVSurfaceCurve> FinCurve(const TopoDS_Edge& edge, const TopoDS_Face& face,
                                                const MMappedSurface& mapped,
                                                const gp_Trsf& placement) {
  double first = 0.0;
  double last = 0.0;
  const Handle(Geom2d_Curve) pcurve = BRep_Tool::CurveOnSurface(edge, face, first, last);
  if (!pcurve.IsNull()) {
    return std::make_shared<MCAD3DVUVSurfaceCurve2DBased>(
        mapped.surface, MapPCurve(pcurve, first, last, mapped.uv));
  }
  TopLoc_Location location;
  const Handle(Geom_Curve) curve = BRep_Tool::Curve(edge, location, first, last);
  if (curve.IsNull())
    throw std::runtime_error("an edge has neither a p-curve nor a 3D curve");
  return MapSpaceCurve(curve, first, last, placement.Inverted() * location.Transformation());
}

}  // namespace

MMTransformMatrix ToPlacement(const gp_Trsf& trsf) {
  const auto column = [&trsf](int c) {
    return Oxlen::Math::point<double, 3>{trsf.Value(1, c), trsf.Value(2, c), trsf.Value(3, c)};
  };
  return MMTransformMatrix::FromAxes(column(1), column(2), column(3), column(4));
}

MCadImport::MImportedFace MapFace(const TopoDS_Face& face,
                                  const TopTools_IndexedMapOfShape& edges) {
  MCadImport::MImportedFace result;
  // 1. The kind as the file gives it; kinds of no surface of ours go through NURBS.
  result.kind = SurfaceKind(BRep_Tool::Surface(face));
  const MSourceFace source =
      IsMappedDirectly(result.kind) ? AsItIs(face, edges) : ConvertedToNurbs(face, edges);

  // 2. The surface within the face's bounds, and its placement.
  const MPlacedSurface placed = PlacedSurface(source.face);
  MUVBounds bounds;
  BRepTools::UVBounds(source.face, bounds.uMin, bounds.uMax, bounds.vMin, bounds.vMax);
  const MMappedSurface mapped = MapSurface(placed.surface, bounds);
  MCADFace& target = result.face;
  target = MCADFace(mapped.surface);
  target.SetTransformationMatrix(ToPlacement(placed.placement));

  // 3. The orientation: the face's, turned over when the parameters are.
  const bool reversed = (source.face.Orientation() == TopAbs_REVERSED) != mapped.uv.Mirrors();
  target.SetOrientation(reversed ? eFaceOrientationReversed : eFaceOrientationForward);
  result.tolerance = LargestTolerance(source.face);
  target.SetISU(std::max(result.tolerance, MCADEntityTransformable::kDefaultISU));

  // 4. The loops: every wire, each edge use a fin tagged with its edge's signed number.
  for (TopExp_Explorer w(source.face, TopAbs_WIRE); w.More(); w.Next()) {
    auto loop = std::make_shared<MCADLoop>();
    for (const TopoDS_Edge& edge : EdgesInOrder(TopoDS::Wire(w.Current()), source.face)) {
      const TopAbs_Orientation orientation = edge.Orientation();
      if (orientation != TopAbs_FORWARD && orientation != TopAbs_REVERSED)
        continue;
      loop->AddFin(FinCurve(edge, source.face, mapped, placed.placement),
                   orientation == TopAbs_FORWARD);
      const int k = source.edgeNumber(edge);
      if (k == 0)
        throw std::runtime_error("an edge is missing from the model's edge map");
      result.finTags.push_back(orientation == TopAbs_FORWARD ? k : -k);
    }
    if (loop->FinCount() > 0)
      target.AddLoop(std::move(loop));
  }
  return result;
}

}  // namespace Oxlen::Cad::detail
