#include "modelling.h"

#include <stdexcept>
#include <utility>

#include <BRepAdaptor_Curve.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRep_Tool.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>

namespace oxlen_demo_part {

TopoDS_Shape Built(BRepBuilderAPI_MakeShape& maker, const char* what) {
  if (!maker.IsDone()) {
    maker.Build();
  }
  if (!maker.IsDone()) {
    throw std::runtime_error(std::string("modelling step failed: ") + what);
  }
  return maker.Shape();
}

TopoDS_Shape Built(BRepBuilderAPI_MakeShape&& maker, const char* what) {
  return Built(maker, what);
}

TopoDS_Shape Fuse(const TopoDS_Shape& a, const TopoDS_Shape& b) {
  BRepAlgoAPI_Fuse fuse(a, b);
  if (!fuse.IsDone() || fuse.HasErrors()) {
    throw std::runtime_error("modelling step failed: fuse");
  }
  fuse.SimplifyResult();
  return fuse.Shape();
}

TopoDS_Shape Cut(const TopoDS_Shape& a, const TopoDS_Shape& b) {
  BRepAlgoAPI_Cut cut(a, b);
  if (!cut.IsDone() || cut.HasErrors()) {
    throw std::runtime_error("modelling step failed: cut");
  }
  return cut.Shape();
}

std::vector<TopoDS_Edge> EdgesWhere(const TopoDS_Shape& shape,
                                    const std::function<bool(const gp_Pnt&)>& keep) {
  TopTools_IndexedMapOfShape edges;
  TopExp::MapShapes(shape, TopAbs_EDGE, edges);
  std::vector<TopoDS_Edge> kept;
  for (int i = 1; i <= edges.Extent(); ++i) {
    const TopoDS_Edge& edge = TopoDS::Edge(edges(i));
    if (BRep_Tool::Degenerated(edge)) {
      continue;
    }
    const BRepAdaptor_Curve curve(edge);
    if (keep(curve.Value(0.5 * (curve.FirstParameter() + curve.LastParameter())))) {
      kept.push_back(edge);
    }
  }
  return kept;
}

}  // namespace oxlen_demo_part
