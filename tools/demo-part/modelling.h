#pragma once

#include <functional>
#include <string>
#include <vector>

#include <BRepBuilderAPI_MakeShape.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Pnt.hxx>

// Small wrappers over Open CASCADE's modelling algorithms for building parts in code: each runs
// its algorithm and turns a failure into a std::runtime_error that names the step.
namespace oxlen_demo_part {

/// Runs `maker` when it has not run yet and returns its shape; throws std::runtime_error naming
/// `what` when it fails.
TopoDS_Shape Built(BRepBuilderAPI_MakeShape& maker, const char* what);

/// Built, for a maker made in place.
TopoDS_Shape Built(BRepBuilderAPI_MakeShape&& maker, const char* what);

/// The union of `a` and `b`, with coplanar faces and collinear edges that the union leaves side
/// by side merged into one. Throws std::runtime_error when the union fails.
TopoDS_Shape Fuse(const TopoDS_Shape& a, const TopoDS_Shape& b);

/// `a` less `b`. Throws std::runtime_error when the cut fails.
TopoDS_Shape Cut(const TopoDS_Shape& a, const TopoDS_Shape& b);

/// The edges of `shape` whose midpoint (halfway along the edge's parameter range) satisfies
/// `keep`, each once, in the order of the shape's indexed edge map; degenerated edges (which have
/// no curve) are left out.
std::vector<TopoDS_Edge> EdgesWhere(const TopoDS_Shape& shape,
                                    const std::function<bool(const gp_Pnt&)>& keep);

}  // namespace oxlen_demo_part
