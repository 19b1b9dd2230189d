#include "bracket.h"

#include <cmath>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <utility>

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepFilletAPI_MakeChamfer.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRepPrimAPI_MakeRevol.hxx>
#include <GC_MakeArcOfCircle.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Wire.hxx>
#include <gp.hxx>
#include <gp_Ax1.hxx>
#include <gp_Ax2.hxx>

#include "modelling.h"
#include "solid_checks.h"

namespace oxlen_demo_part {
namespace {

// Millimetres. The base plate spans [0, 120] x [0, 80] x [0, 12]; the web stands on its back
// edge (y from 0 to 16) up to z = 48; the boss's axis runs along Y at x = 60, z = 44.
constexpr double kLength = 120, kDepth = 80, kPlate = 12;
constexpr double kWebStart = 25, kWebEnd = 95, kWebDepth = 16, kWebTop = 48;
constexpr double kBossX = 60, kBossZ = 44, kBossRadius = 16, kBossDepth = 26;
constexpr double kBoreRadius = 9;
// The plate's holes: 14 mm in from its left and right sides, the countersunk ones at y = 30, the
// counterbored ones at y = 66.
constexpr double kHoleInset = 14, kCountersunkY = 30, kCounterboredY = 66;
constexpr double kCornerRadius = 8, kWebFootRadius = 5, kWebEdgeRadius = 4, kBossFootRadius = 3;
constexpr double kBossRimRadius = 2, kBoreChamfer = 1;
constexpr double kTol = 1e-6;

bool Near(double a, double b) {
  return std::abs(a - b) < kTol;
}

TopoDS_Shape Box(const gp_Pnt& corner, double dx, double dy, double dz) {
  return Built(BRepPrimAPI_MakeBox(corner, dx, dy, dz), "box");
}

TopoDS_Shape Cylinder(const gp_Pnt& base, const gp_Dir& axis, double radius, double height) {
  return Built(BRepPrimAPI_MakeCylinder(gp_Ax2(base, axis), radius, height), "cylinder");
}

// The plate, the web and the boss in one solid.
TopoDS_Shape Body() {
  const TopoDS_Shape plate = Box(gp_Pnt(0, 0, 0), kLength, kDepth, kPlate);
  const TopoDS_Shape web =
      Box(gp_Pnt(kWebStart, 0, kPlate), kWebEnd - kWebStart, kWebDepth, kWebTop - kPlate);
  const TopoDS_Shape boss = Cylinder(gp_Pnt(kBossX, 0, kBossZ), gp::DY(), kBossRadius, kBossDepth);
  return Fuse(Fuse(plate, web), boss);
}

void AddFillets(BRepFilletAPI_MakeFillet& fillet, const TopoDS_Shape& body, double radius,
                const std::function<bool(const gp_Pnt&)>& where) {
  for (const TopoDS_Edge& edge : EdgesWhere(body, where)) {
    fillet.Add(radius, edge);
  }
}

// True when `p` lies on the circle of radius `r` around the boss's axis.
bool AroundBossAxis(const gp_Pnt& p, double r) {
  return Near(p.Distance(gp_Pnt(kBossX, p.Y(), kBossZ)), r);
}

// Rounds the plate's four vertical corners, the web's concave foot along the plate's top, the
// web's two front vertical edges (where they meet the foot the blends are B-spline corners), the
// boss's concave foot on the web's front and the boss's front rim (a torus).
TopoDS_Shape Filleted(const TopoDS_Shape& body) {
  BRepFilletAPI_MakeFillet fillet(body);
  AddFillets(fillet, body, kCornerRadius, [](const gp_Pnt& p) {
    return Near(p.Z(), kPlate / 2) && (Near(p.X(), 0) || Near(p.X(), kLength)) &&
           (Near(p.Y(), 0) || Near(p.Y(), kDepth));
  });
  AddFillets(fillet, body, kWebFootRadius,
             [](const gp_Pnt& p) { return Near(p.Y(), kWebDepth) && Near(p.Z(), kPlate); });
  AddFillets(fillet, body, kWebEdgeRadius, [](const gp_Pnt& p) {
    return Near(p.Y(), kWebDepth) && (Near(p.X(), kWebStart) || Near(p.X(), kWebEnd));
  });
  AddFillets(fillet, body, kBossFootRadius, [](const gp_Pnt& p) {
    return Near(p.Y(), kWebDepth) && AroundBossAxis(p, kBossRadius);
  });
  AddFillets(fillet, body, kBossRimRadius, [](const gp_Pnt& p) {
    return Near(p.Y(), kBossDepth) && AroundBossAxis(p, kBossRadius);
  });
  return Built(fillet, "fillets");
}

// A solid turned a full turn around the vertical line through (x, y) from a profile given as
// (radius, z) corners, listed from the axis at the bottom round to the axis at the top.
TopoDS_Shape Turned(double x, double y, std::initializer_list<std::pair<double, double>> profile) {
  BRepBuilderAPI_MakePolygon outline;
  for (const auto& [r, z] : profile) {
    outline.Add(gp_Pnt(x + r, y, z));
  }
  outline.Close();
  const TopoDS_Shape face = Built(BRepBuilderAPI_MakeFace(outline.Wire(), true), "hole profile");
  return Built(BRepPrimAPI_MakeRevol(face, gp_Ax1(gp_Pnt(x, y, 0), gp::DZ())), "hole");
}

// The cutter of an M6 counterbored hole from the plate's top: a 6.6 mm hole, an 11 mm counterbore
// 5 mm deep.
TopoDS_Shape CounterboredHole(double x, double y) {
  return Turned(x, y,
                {{0, -1},
                 {3.3, -1},
                 {3.3, kPlate - 5},
                 {5.5, kPlate - 5},
                 {5.5, kPlate + 1},
                 {0, kPlate + 1}});
}

// The cutter of an M6 countersunk hole from the plate's top: a 6.6 mm hole under a 90 degree
// countersink 13.2 mm across at the top.
TopoDS_Shape CountersunkHole(double x, double y) {
  return Turned(x, y,
                {{0, -1}, {3.3, -1}, {3.3, kPlate - 3.3}, {7.6, kPlate + 1}, {0, kPlate + 1}});
}

TopoDS_Edge Segment(const gp_Pnt& from, const gp_Pnt& to) {
  return TopoDS::Edge(Built(BRepBuilderAPI_MakeEdge(from, to), "slot side"));
}

TopoDS_Edge Arc(const gp_Pnt& from, const gp_Pnt& middle, const gp_Pnt& to) {
  const GC_MakeArcOfCircle arc(from, middle, to);
  if (!arc.IsDone()) {
    throw std::runtime_error("modelling step failed: slot end");
  }
  return TopoDS::Edge(Built(BRepBuilderAPI_MakeEdge(arc.Value()), "slot end"));
}

// The cutter of a slot through the plate: 10 mm wide, its round ends' centres 24 mm apart, along
// X around (60, 58).
TopoDS_Shape Slot() {
  constexpr double x0 = 48, x1 = 72, y = 58, r = 5, z = -1;
  BRepBuilderAPI_MakeWire wire;
  wire.Add(Segment(gp_Pnt(x0, y - r, z), gp_Pnt(x1, y - r, z)));
  wire.Add(Arc(gp_Pnt(x1, y - r, z), gp_Pnt(x1 + r, y, z), gp_Pnt(x1, y + r, z)));
  wire.Add(Segment(gp_Pnt(x1, y + r, z), gp_Pnt(x0, y + r, z)));
  wire.Add(Arc(gp_Pnt(x0, y + r, z), gp_Pnt(x0 - r, y, z), gp_Pnt(x0, y - r, z)));
  const TopoDS_Wire outline = TopoDS::Wire(Built(wire, "slot outline"));
  const TopoDS_Shape face = Built(BRepBuilderAPI_MakeFace(outline, true), "slot face");
  return Built(BRepPrimAPI_MakePrism(face, gp_Vec(0, 0, kPlate + 2)), "slot");
}

// Bores the boss through and cuts the plate's holes and slot.
TopoDS_Shape Drilled(TopoDS_Shape part) {
  part = Cut(part, Cylinder(gp_Pnt(kBossX, -1, kBossZ), gp::DY(), kBoreRadius, kBossDepth + 2));
  for (const double x : {kHoleInset, kLength - kHoleInset}) {
    part = Cut(part, CounterboredHole(x, kCounterboredY));
    part = Cut(part, CountersunkHole(x, kCountersunkY));
  }
  return Cut(part, Slot());
}

// Breaks both ends of the bore with a chamfer.
TopoDS_Shape Chamfered(const TopoDS_Shape& part) {
  BRepFilletAPI_MakeChamfer chamfer(part);
  for (const TopoDS_Edge& e : EdgesWhere(part, [](const gp_Pnt& p) {
         return (Near(p.Y(), 0) || Near(p.Y(), kBossDepth)) && AroundBossAxis(p, kBoreRadius);
       })) {
    chamfer.Add(kBoreChamfer, e);
  }
  return Built(chamfer, "chamfers");
}

}  // namespace

TopoDS_Shape BuildBracket() {
  TopoDS_Shape part = Chamfered(Drilled(Filleted(Body())));
  RequireOneClosedValidSolid(part, "the bracket");
  return part;
}

}  // namespace oxlen_demo_part
