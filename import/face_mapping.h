#pragma once

// One face of an Open CASCADE model mapped onto an `MCADFace` with its fin tags.

#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS_Face.hxx>
#include <gp_Trsf.hxx>

#include "Oxlen/Cad/Import.h"
#include "Oxlen/Math/MMTransformMatrix.h"

namespace Oxlen::Cad::detail {

/// Maps one face as the model uses it (its orientation and location as met while exploring the
/// model) onto the entity layer: surface, placement, orientation, tolerance, loops and fin tags.
/// `index` and `name` of the result are left for the caller.
///
/// Surfaces of the kinds without a surface of their own in the entity layer are converted to
/// NURBS together with the face's p-curves, so that UV stays consistent. Loops come in the order
/// of the face's wires, fins in the order of `BRepTools_WireExplorer`; edges inside the face
/// (internal or external ones) are not boundaries and are left out.
/// @param[in] face  the face, oriented and located as the model uses it.
/// @param[in] edges the model's edge map: the number of an edge is its index there.
/// @throws Standard_Failure, std::invalid_argument or std::runtime_error when the face cannot be
///         mapped.
MCadImport::MImportedFace MapFace(const TopoDS_Face& face, const TopTools_IndexedMapOfShape& edges);

/// A rigid (or scaling) transformation as a placement matrix.
MMTransformMatrix ToPlacement(const gp_Trsf& trsf);

}  // namespace Oxlen::Cad::detail
