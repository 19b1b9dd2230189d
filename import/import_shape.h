#pragma once

// A whole Open CASCADE model mapped face by face.

#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>
#include <TopoDS_TShape.hxx>

#include <string>
#include <unordered_map>
#include <vector>

#include "Oxlen/Cad/Import.h"

namespace Oxlen::Cad::detail {

/// The faces of a model in the order they are imported (a depth-first walk; one entry per face
/// use, oriented and located as the model uses it).
std::vector<TopoDS_Face> ModelFaces(const TopoDS_Shape& model);

/// Maps every face of a model and fills the report (all but the file's unit). A face that cannot
/// be mapped is reported and skipped; an empty or null model gives `noGeometry`.
/// @param[in] model the model, in millimetres.
/// @param[in] names face names by the face's underlying shape (may be empty).
MCadImport::MModel ImportShape(
    const TopoDS_Shape& model,
    const std::unordered_map<const TopoDS_TShape*, std::string>& names = {});

}  // namespace Oxlen::Cad::detail
