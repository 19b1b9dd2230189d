#include "solid_checks.h"

#include <stdexcept>
#include <string>

#include <BRepCheck_Analyzer.hxx>
#include <BRep_Tool.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>

namespace oxlen_demo_part {

bool EveryEdgeUsedTwice(const TopoDS_Shape& shape) {
  // An edge's list holds its face once per use, so a seam lists its face twice.
  TopTools_IndexedDataMapOfShapeListOfShape facesOfEdge;
  TopExp::MapShapesAndAncestors(shape, TopAbs_EDGE, TopAbs_FACE, facesOfEdge);
  for (int i = 1; i <= facesOfEdge.Extent(); ++i) {
    if (!BRep_Tool::Degenerated(TopoDS::Edge(facesOfEdge.FindKey(i))) &&
        facesOfEdge(i).Extent() != 2) {
      return false;
    }
  }
  return true;
}

void RequireOneClosedValidSolid(const TopoDS_Shape& shape, const char* what) {
  const std::string name(what);
  if (shape.IsNull() || !BRepCheck_Analyzer(shape).IsValid()) {
    throw std::runtime_error(name + " is not a valid shape");
  }
  TopTools_IndexedMapOfShape solids;
  TopExp::MapShapes(shape, TopAbs_SOLID, solids);
  if (solids.Extent() != 1) {
    throw std::runtime_error(name + " has " + std::to_string(solids.Extent()) +
                             " solids instead of one");
  }
  if (!EveryEdgeUsedTwice(solids(1))) {
    throw std::runtime_error(name + " is not closed: an edge is not used by two faces");
  }
}

}  // namespace oxlen_demo_part
