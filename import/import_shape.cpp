#include "import_shape.h"

#include <BRep_Tool.hxx>
#include <Standard_Failure.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>

#include <exception>
#include <string>

#include "face_mapping.h"
#include "model_census.h"
#include "surface_mapping.h"

namespace Oxlen::Cad::detail {
namespace {

// The kind of a face's surface, or "other" when even that cannot be read.
MCadImport::ESurfaceKind KindOf(const TopoDS_Face& face) {
  try {
    const Handle(Geom_Surface) surface = BRep_Tool::Surface(face);
    return surface.IsNull() ? MCadImport::eSurfaceOther : SurfaceKind(surface);
  } catch (const Standard_Failure&) {
    return MCadImport::eSurfaceOther;
  }
}

// Maps one face; a failure becomes the reason it is reported with.
void ImportFace(const TopoDS_Face& face, std::size_t index, const TopTools_IndexedMapOfShape& edges,
                const std::unordered_map<const TopoDS_TShape*, std::string>& names,
                MCadImport::MModel& model) {
  const MCadImport::ESurfaceKind kind = KindOf(face);
  ++model.report.facesByKind[kind];
  std::string reason;
  try {
    if (BRep_Tool::Surface(face).IsNull())
      throw std::runtime_error("the face has no surface");
    MCadImport::MImportedFace imported = MapFace(face, edges);
    imported.index = index;
    if (const auto name = names.find(face.TShape().get()); name != names.end()) {
      imported.name = name->second;
    }
    model.faces.push_back(std::move(imported));
    return;
  } catch (const Standard_Failure& failure) {
    reason = std::string(failure.DynamicType()->Name()) + ": " + failure.GetMessageString();
  } catch (const std::exception& failure) {
    reason = failure.what();
  }
  model.report.failures.push_back({index, kind, reason});
}

}  // namespace

std::vector<TopoDS_Face> ModelFaces(const TopoDS_Shape& model) {
  std::vector<TopoDS_Face> faces;
  for (TopExp_Explorer f(model, TopAbs_FACE); f.More(); f.Next()) {
    faces.push_back(TopoDS::Face(f.Current()));
  }
  return faces;
}

MCadImport::MModel ImportShape(const TopoDS_Shape& model,
                               const std::unordered_map<const TopoDS_TShape*, std::string>& names) {
  MCadImport::MModel result;
  const std::vector<TopoDS_Face> faces =
      model.IsNull() ? std::vector<TopoDS_Face>() : ModelFaces(model);
  result.report.faceCount = faces.size();
  if (faces.empty()) {
    result.report.noGeometry = true;
    return result;
  }
  TopTools_IndexedMapOfShape edges;
  TopExp::MapShapes(model, TopAbs_EDGE, edges);
  for (std::size_t i = 0; i < faces.size(); ++i)
    ImportFace(faces[i], i, edges, names, result);
  const MSolidCensus solids = CountSolids(model);
  result.report.solidCount = solids.solids;
  result.report.closedSolidCount = solids.closed;
  result.report.closedSolidVolume = solids.closedVolume;
  result.report.diagonal = BoundingDiagonal(model);
  return result;
}

}  // namespace Oxlen::Cad::detail
