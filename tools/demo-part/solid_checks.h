#pragma once

#include <TopoDS_Shape.hxx>

namespace oxlen_demo_part {

/// True when every edge of `shape` that is not degenerated is used twice by its faces (by two
/// faces, or by the two sides of one face's seam): the boundary of the shape is closed.
bool EveryEdgeUsedTwice(const TopoDS_Shape& shape);

/// Throws std::runtime_error naming `what` unless `shape` passes Open CASCADE's validity check,
/// holds exactly one solid, and that solid's boundary is closed (EveryEdgeUsedTwice).
void RequireOneClosedValidSolid(const TopoDS_Shape& shape, const char* what);

}  // namespace oxlen_demo_part
