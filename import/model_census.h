#pragma once

// Facts about a whole model: its solids and its size.

#include <TopoDS_Shape.hxx>
#include <TopoDS_Solid.hxx>

#include <cstddef>

namespace Oxlen::Cad::detail {

/// True when every edge of the solid bounds two of its faces, or is the seam of one face (used by
/// it twice), or is degenerate (a pole): the solid has no free border.
bool IsClosedSolid(const TopoDS_Solid& solid);

/// The solids of a model (each placement of a part counts), how many of them are closed, and the
/// exact volume those enclose (model units cubed).
struct MSolidCensus {
  std::size_t solids = 0;
  std::size_t closed = 0;
  double closedVolume = 0.0;
};
MSolidCensus CountSolids(const TopoDS_Shape& model);

/// The diagonal of the model's bounding box (model units); 0 for an empty model.
double BoundingDiagonal(const TopoDS_Shape& model);

}  // namespace Oxlen::Cad::detail
