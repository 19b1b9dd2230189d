#include "test_models.h"

#include <array>
#include <cmath>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <utility>

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepOffsetAPI_ThruSections.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCone.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRepPrimAPI_MakeRevol.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRepPrimAPI_MakeTorus.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <GeomAPI_Interpolate.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_ConicalSurface.hxx>
#include <Geom_CylindricalSurface.hxx>
#include <Geom_Plane.hxx>
#include <Geom_SphericalSurface.hxx>
#include <TColgp_HArray1OfPnt.hxx>
#include <TDataStd_Name.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <gp.hxx>
#include <gp_Ax2.hxx>
#include <gp_Ax3.hxx>
#include <gp_Circ.hxx>
#include <gp_Elips.hxx>
#include <gp_Trsf.hxx>

#include "step_writer.h"

namespace Oxlen::ImportTesting {
namespace {

constexpr double kPi = std::numbers::pi;

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error("test models: " + what);
}

// Runs a modelling algorithm when it has not run yet and returns its result; OCCT's own
// StdFail_NotDone becomes a std::runtime_error naming the step.
TopoDS_Shape Built(BRepBuilderAPI_MakeShape&& maker, const char* what) {
  if (!maker.IsDone()) {
    maker.Build();
  }
  if (!maker.IsDone()) {
    Fail(std::string(what) + " failed");
  }
  return maker.Shape();
}

TopoDS_Shape Built(BRepBuilderAPI_MakeShape& maker, const char* what) {
  return Built(std::move(maker), what);
}

TopoDS_Shape Fuse(const TopoDS_Shape& a, const TopoDS_Shape& b) {
  return Built(BRepAlgoAPI_Fuse(a, b), "fuse");
}

TopoDS_Shape Cut(const TopoDS_Shape& a, const TopoDS_Shape& b) {
  return Built(BRepAlgoAPI_Cut(a, b), "cut");
}

TopoDS_Shape Cylinder(const gp_Pnt& base, const gp_Dir& axis, double radius, double height) {
  return Built(BRepPrimAPI_MakeCylinder(gp_Ax2(base, axis), radius, height), "cylinder");
}

// A closed wire of one edge on a B-spline interpolating `points` periodically.
TopoDS_Wire PeriodicSplineWire(const std::vector<gp_Pnt>& points) {
  Handle(TColgp_HArray1OfPnt) poles = new TColgp_HArray1OfPnt(1, static_cast<int>(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i) {
    poles->SetValue(static_cast<int>(i) + 1, points[i]);
  }
  GeomAPI_Interpolate interpolate(poles, true, 1e-7);
  interpolate.Perform();
  if (!interpolate.IsDone()) {
    Fail("periodic spline interpolation failed");
  }
  const TopoDS_Edge edge =
      TopoDS::Edge(Built(BRepBuilderAPI_MakeEdge(interpolate.Curve()), "edge"));
  return TopoDS::Wire(Built(BRepBuilderAPI_MakeWire(edge), "wire"));
}

// Points of a wavy closed curve around `center` in the plane z = center.Z(): radius
// `radius` + `wave` cos(`lobes` t), sampled at `count` angles.
std::vector<gp_Pnt> WavyOutline(const gp_Pnt& center, double radius, double wave, int lobes,
                                int count) {
  std::vector<gp_Pnt> points;
  for (int i = 0; i < count; ++i) {
    const double t = 2 * kPi * i / count;
    const double r = radius + wave * std::cos(lobes * t);
    points.emplace_back(center.X() + r * std::cos(t), center.Y() + r * std::sin(t), center.Z());
  }
  return points;
}

TopoDS_Wire CircleWire(const gp_Ax2& axes, double radius) {
  const TopoDS_Edge edge =
      TopoDS::Edge(Built(BRepBuilderAPI_MakeEdge(gp_Circ(axes, radius)), "circle edge"));
  return TopoDS::Wire(Built(BRepBuilderAPI_MakeWire(edge), "circle wire"));
}

TopLoc_Location Placement(const gp_Ax1& rotationAxis, double angle, const gp_Vec& shift) {
  gp_Trsf trsf;
  trsf.SetRotation(rotationAxis, angle);
  trsf.SetTranslationPart(shift);
  return TopLoc_Location(trsf);
}

// True when `shape` holds at least one solid and, in every solid, every edge that is not
// degenerated is used twice by its faces (two faces, or the two sides of one face's seam).
bool EverySolidClosed(const TopoDS_Shape& shape) {
  bool anySolid = false;
  for (TopExp_Explorer solids(shape, TopAbs_SOLID); solids.More(); solids.Next()) {
    anySolid = true;
    TopTools_IndexedDataMapOfShapeListOfShape edgeFaces;
    TopExp::MapShapesAndAncestors(solids.Current(), TopAbs_EDGE, TopAbs_FACE, edgeFaces);
    for (int i = 1; i <= edgeFaces.Extent(); ++i) {
      if (!BRep_Tool::Degenerated(TopoDS::Edge(edgeFaces.FindKey(i))) &&
          edgeFaces(i).Extent() != 2) {
        return false;
      }
    }
  }
  return anySolid;
}

// The two parts of the assembly, with the locations of their instances: an L-shaped bracket
// placed once, and a pin placed twice (standing on the base flange, and lying against the
// upright flange), each instance with its own rotation and translation.
struct AssemblyPart {
  const char* name;
  TopoDS_Shape shape;
  std::vector<TopLoc_Location> instances;
};

std::vector<AssemblyPart> AssemblyParts() {
  BRepBuilderAPI_MakePolygon outline;
  for (const auto& [x, z] :
       {std::pair{0.0, 0.0}, {50.0, 0.0}, {50.0, 8.0}, {8.0, 8.0}, {8.0, 40.0}, {0.0, 40.0}}) {
    outline.Add(gp_Pnt(x, 0, z));
  }
  outline.Close();
  const TopoDS_Shape profile = Built(BRepBuilderAPI_MakeFace(outline.Wire(), true), "face");
  const TopoDS_Shape bracket = Built(BRepPrimAPI_MakePrism(profile, gp_Vec(0, 30, 0)), "prism");
  const TopoDS_Shape pin = Cylinder(gp_Pnt(0, 0, 0), gp::DZ(), 3, 25);
  const gp_Pnt origin(0, 0, 0);
  return {{"bracket", bracket, {TopLoc_Location()}},
          {"pin",
           pin,
           {Placement(gp_Ax1(origin, gp::DZ()), kPi / 2, gp_Vec(30, 15, 8)),
            Placement(gp_Ax1(origin, gp::DY()), kPi / 2, gp_Vec(8, 15, 25))}}};
}

TopoDS_Shape Box() {
  return Built(BRepPrimAPI_MakeBox(gp_Pnt(10, -5, 3), 40, 30, 20), "box");
}

TopoDS_Shape TiltedCylinder() {
  return Cylinder(gp_Pnt(5, 5, 0), gp_Dir(1, 0, 2), 12, 30);
}

TopoDS_Shape TruncatedCone() {
  return Built(BRepPrimAPI_MakeCone(gp_Ax2(gp_Pnt(-10, 4, 2), gp_Dir(0, 1, 1)), 15, 6, 25), "cone");
}

TopoDS_Shape ConeToApex() {
  return Built(BRepPrimAPI_MakeCone(gp_Ax2(gp_Pnt(3, 0, -5), gp::DZ()), 12, 0, 20), "cone");
}

TopoDS_Shape Sphere() {
  return Built(BRepPrimAPI_MakeSphere(gp_Pnt(8, -4, 15), 15), "sphere");
}

TopoDS_Shape Torus() {
  return Built(BRepPrimAPI_MakeTorus(gp_Ax2(gp_Pnt(0, 0, 10), gp_Dir(0, 1, 1)), 20, 6), "torus");
}

// A closed profile in the XZ plane (a bottom line, a slanted line, a B-spline arch and a line
// back down), turned a full turn around Z, which it never touches: plane, cone and cylinder
// faces from the lines, a surface of revolution from the B-spline.
TopoDS_Shape RevolvedProfile() {
  const gp_Pnt a(20, 0, 0), b(35, 0, 0), c(38, 0, 8), d(20, 0, 22);
  Handle(TColgp_HArray1OfPnt) arch = new TColgp_HArray1OfPnt(1, 5);
  arch->SetValue(1, c);
  arch->SetValue(2, gp_Pnt(36, 0, 15));
  arch->SetValue(3, gp_Pnt(31, 0, 19));
  arch->SetValue(4, gp_Pnt(25, 0, 19));
  arch->SetValue(5, d);
  GeomAPI_Interpolate interpolate(arch, false, 1e-7);
  interpolate.Perform();
  if (!interpolate.IsDone()) {
    Fail("profile spline interpolation failed");
  }
  BRepBuilderAPI_MakeWire wire;
  wire.Add(TopoDS::Edge(Built(BRepBuilderAPI_MakeEdge(a, b), "edge")));
  wire.Add(TopoDS::Edge(Built(BRepBuilderAPI_MakeEdge(b, c), "edge")));
  wire.Add(TopoDS::Edge(Built(BRepBuilderAPI_MakeEdge(interpolate.Curve()), "edge")));
  wire.Add(TopoDS::Edge(Built(BRepBuilderAPI_MakeEdge(d, a), "edge")));
  const TopoDS_Shape face =
      Built(BRepBuilderAPI_MakeFace(TopoDS::Wire(Built(wire, "profile wire")), true), "face");
  return Built(BRepPrimAPI_MakeRevol(face, gp_Ax1(gp_Pnt(0, 0, 0), gp::DZ()), 2 * kPi),
               "revolution");
}

// A three-lobed periodic B-spline outline extruded along Z: two planes and a surface of linear
// extrusion.
TopoDS_Shape ExtrudedSpline() {
  const TopoDS_Wire outline = PeriodicSplineWire(WavyOutline(gp_Pnt(60, 0, 0), 15, 4, 3, 9));
  const TopoDS_Shape face = Built(BRepBuilderAPI_MakeFace(outline, true), "face");
  return Built(BRepPrimAPI_MakePrism(face, gp_Vec(0, 0, 25)), "prism");
}

TopoDS_Shape FilletedBox() {
  const TopoDS_Shape box = Built(BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 40, 30, 20), "box");
  BRepFilletAPI_MakeFillet fillet(box);
  TopTools_IndexedMapOfShape edges;
  TopExp::MapShapes(box, TopAbs_EDGE, edges);
  for (int i = 1; i <= edges.Extent(); ++i) {
    fillet.Add(3.0, TopoDS::Edge(edges(i)));
  }
  return Built(fillet, "fillet");
}

// An 80 x 50 x 10 plate with a half-cylinder boss along X on its top, drilled: four vertical
// holes through the plate's corners (planar faces only), one vertical hole down the boss's crest
// and one off the crest (cylindrical boss face and the plate's bottom), and one hole along Y
// across the boss above the plate (entering and leaving through the cylindrical face).
TopoDS_Shape PlateWithHoles() {
  TopoDS_Shape part = Built(BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 80, 50, 10), "plate");
  part = Fuse(part, Cylinder(gp_Pnt(20, 25, 10), gp::DX(), 9, 40));
  for (const auto& [x, y] : {std::pair{8.0, 8.0}, {72.0, 8.0}, {8.0, 42.0}, {72.0, 42.0}}) {
    part = Cut(part, Cylinder(gp_Pnt(x, y, -5), gp::DZ(), 3, 40));
  }
  part = Cut(part, Cylinder(gp_Pnt(40, 25, -5), gp::DZ(), 3, 40));
  part = Cut(part, Cylinder(gp_Pnt(28, 21, -5), gp::DZ(), 2, 40));
  return Cut(part, Cylinder(gp_Pnt(50, 5, 14), gp::DY(), 2.5, 40));
}

// A smooth solid loft through a circle, an ellipse, a wavy B-spline and a smaller circle: one
// B-spline lateral face between two planar caps.
TopoDS_Shape BSplineLoft() {
  BRepOffsetAPI_ThruSections loft(true, false);
  loft.AddWire(CircleWire(gp_Ax2(gp_Pnt(0, 0, 0), gp::DZ(), gp::DX()), 15));
  const TopoDS_Edge ellipse = TopoDS::Edge(
      Built(BRepBuilderAPI_MakeEdge(gp_Elips(gp_Ax2(gp_Pnt(0, 0, 15), gp::DZ(), gp::DX()), 20, 10)),
            "edge"));
  loft.AddWire(TopoDS::Wire(Built(BRepBuilderAPI_MakeWire(ellipse), "wire")));
  loft.AddWire(PeriodicSplineWire(WavyOutline(gp_Pnt(0, 0, 30), 12, 3, 4, 12)));
  loft.AddWire(CircleWire(gp_Ax2(gp_Pnt(0, 0, 45), gp::DZ(), gp::DX()), 8));
  return Built(loft, "loft");
}

// A cylinder with a hemispherical bottom and a truncated cone on top, drilled across, then
// mirrored through an oblique plane: the copy's elementary surfaces get left-handed axes.
TopoDS_Shape MirroredPart() {
  TopoDS_Shape part = Cylinder(gp_Pnt(0, 0, 0), gp::DZ(), 10, 20);
  part = Fuse(part,
              Built(BRepPrimAPI_MakeCone(gp_Ax2(gp_Pnt(0, 0, 20), gp::DZ()), 10, 4, 12), "cone"));
  part = Fuse(part, Built(BRepPrimAPI_MakeSphere(gp_Pnt(0, 0, 0), 10), "sphere"));
  part = Cut(part, Cylinder(gp_Pnt(-15, 0, 10), gp::DX(), 3, 30));
  gp_Trsf mirror;
  mirror.SetMirror(gp_Ax2(gp_Pnt(30, 0, 0), gp_Dir(1, 1, 0.5)));
  return Built(BRepBuilderAPI_Transform(part, mirror, true), "mirror");
}

TopoDS_Shape Assembly() {
  BRep_Builder builder;
  TopoDS_Compound compound;
  builder.MakeCompound(compound);
  for (const AssemblyPart& part : AssemblyParts()) {
    for (const TopLoc_Location& location : part.instances) {
      builder.Add(compound, part.shape.Located(location));
    }
  }
  return compound;
}

struct ModelBuilder {
  const char* name;
  TopoDS_Shape (*build)();
};

constexpr ModelBuilder kModels[] = {
    {"box", Box},
    {"cylinder", TiltedCylinder},
    {"cone", TruncatedCone},
    {"cone_to_apex", ConeToApex},
    {"sphere", Sphere},
    {"torus", Torus},
    {"revolved_profile", RevolvedProfile},
    {"extruded_spline", ExtrudedSpline},
    {"filleted_box", FilletedBox},
    {"plate_with_holes_through_curved_faces", PlateWithHoles},
    {"bspline_loft", BSplineLoft},
    {"mirrored_part", MirroredPart},
    {"assembly", Assembly},
};

constexpr const char* kAssemblyName = "assembly";

}  // namespace

std::vector<MTestModel> BuildTestModels() {
  std::vector<MTestModel> models;
  for (const auto& [name, build] : kModels) {
    TopoDS_Shape shape = build();
    if (shape.IsNull() || !BRepCheck_Analyzer(shape).IsValid()) {
      Fail(std::string("model ") + name + " is not a valid shape");
    }
    const bool closed = EverySolidClosed(shape);
    models.push_back({name, std::move(shape), closed});
  }
  return models;
}

TopoDS_Shape BuildLeftHandedFaces() {
  const auto leftHanded = [](const gp_Pnt& origin, const gp_Dir& axis, const gp_Dir& xDirection) {
    gp_Ax3 frame(origin, axis, xDirection);
    frame.YReverse();
    return frame;
  };
  const gp_Ax3 rightHanded(gp_Pnt(0, 60, 0), gp::DZ(), gp::DX());
  const std::pair<Handle(Geom_Surface), std::array<double, 4>> patches[] = {
      {new Geom_Plane(leftHanded(gp_Pnt(0, 0, 0), gp_Dir(0, 0.6, 0.8), gp::DX())),
       {-10, 10, -5, 15}},
      {new Geom_CylindricalSurface(leftHanded(gp_Pnt(30, 0, 0), gp::DZ(), gp::DX()), 8),
       {0.3, 2.5, 0, 20}},
      {new Geom_ConicalSurface(rightHanded, -kPi / 8, 10), {0.5, 4, 0, 15}},
      {new Geom_ConicalSurface(leftHanded(gp_Pnt(30, 60, 0), gp::DZ(), gp::DX()), -kPi / 8, 10),
       {0.5, 4, 0, 15}},
      {new Geom_ConicalSurface(leftHanded(gp_Pnt(60, 0, 0), gp_Dir(1, 0, 1), gp::DY()), kPi / 6, 5),
       {1, 5, 0, 12}},
      {new Geom_SphericalSurface(leftHanded(gp_Pnt(60, 60, 0), gp::DZ(), gp::DX()), 10),
       {0.2, 2, -0.5, 1}},
      {new Geom_CylindricalSurface(leftHanded(gp_Pnt(0, 120, 0), gp::DZ(), gp::DX()), 8),
       {0, 2 * kPi, 0, 20}},
      {new Geom_SphericalSurface(leftHanded(gp_Pnt(30, 120, 0), gp::DZ(), gp::DX()), 10),
       {0, 2 * kPi, -kPi / 2, kPi / 2}},
  };
  BRep_Builder builder;
  TopoDS_Compound compound;
  builder.MakeCompound(compound);
  for (const auto& [surface, box] : patches) {
    builder.Add(compound,
                Built(BRepBuilderAPI_MakeFace(surface, box[0], box[1], box[2], box[3], 1e-7),
                      "left-handed face"));
  }
  return compound;
}

void WriteStep(const TopoDS_Shape& shape, const std::filesystem::path& file, const char* unit) {
  oxlen_step::WriteStepProduct(shape, file, file.stem().string(), unit);
}

void WriteAssemblyStep(const std::filesystem::path& file) {
  oxlen_step::WriteStepDocument(file, "MM", [](XCAFDoc_ShapeTool& shapes) {
    const TDF_Label assembly = shapes.NewShape();
    TDataStd_Name::Set(assembly, "bracket_with_pins");
    for (const AssemblyPart& part : AssemblyParts()) {
      const TDF_Label partLabel = shapes.AddShape(part.shape, false);
      TDataStd_Name::Set(partLabel, part.name);
      for (const TopLoc_Location& location : part.instances) {
        shapes.AddComponent(assembly, partLabel, location);
      }
    }
    shapes.UpdateAssemblies();
  });
}

void WriteNoGeometryStep(const std::filesystem::path& file) {
  // Two parts: one described only by a drawing (a document reference on its definition), one
  // whose definition names an external file as its documentation. No representation at all.
  std::ofstream out(file, std::ios::binary);
  out << "ISO-10303-21;\n"
         "HEADER;\n"
         "FILE_DESCRIPTION(('products without shape geometry'),'2;1');\n"
         "FILE_NAME('"
      << file.filename().string()
      << "','2024-01-01T00:00:00',('Oxlen'),('Oxlen'),'Oxlen import test models',"
         "'Oxlen import test models','');\n"
         "FILE_SCHEMA(('AUTOMOTIVE_DESIGN { 1 0 10303 214 1 1 1 1 }'));\n"
         "ENDSEC;\n"
         "DATA;\n"
         "#1=APPLICATION_CONTEXT('core data for automotive mechanical design processes');\n"
         "#2=APPLICATION_PROTOCOL_DEFINITION('international standard','automotive_design',"
         "2000,#1);\n"
         "#3=PRODUCT_CONTEXT('',#1,'mechanical');\n"
         "#4=PRODUCT_DEFINITION_CONTEXT('part definition',#1,'design');\n"
         "#5=PRODUCT('drawing_only','drawing_only','a part known only from its drawing',(#3));\n"
         "#6=PRODUCT_RELATED_PRODUCT_CATEGORY('part',$,(#5));\n"
         "#7=PRODUCT_DEFINITION_FORMATION('A','',#5);\n"
         "#8=PRODUCT_DEFINITION('design','',#7,#4);\n"
         "#9=DOCUMENT_TYPE('drawing');\n"
         "#10=DOCUMENT('DRW-001','drawing_only drawing','',#9);\n"
         "#11=APPLIED_DOCUMENT_REFERENCE(#10,'drawing',(#8));\n"
         "#12=PRODUCT('external_part','external_part','a part whose shape lives in another "
         "file',(#3));\n"
         "#13=PRODUCT_RELATED_PRODUCT_CATEGORY('part',$,(#12));\n"
         "#14=PRODUCT_DEFINITION_FORMATION('A','',#12);\n"
         "#15=DOCUMENT_TYPE('');\n"
         "#16=DOCUMENT_FILE('external_part.step','external_part.step','',#15,'',$);\n"
         "#17=PRODUCT_DEFINITION_WITH_ASSOCIATED_DOCUMENTS('design','',#14,#4,(#16));\n"
         "ENDSEC;\n"
         "END-ISO-10303-21;\n";
  out.close();
  if (!out) {
    Fail("cannot write " + file.string());
  }
}

std::vector<std::filesystem::path> WriteTestModels(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  std::vector<std::filesystem::path> files;
  for (const MTestModel& model : BuildTestModels()) {
    const std::filesystem::path file = dir / (model.name + ".step");
    if (model.name == kAssemblyName) {
      WriteAssemblyStep(file);
    } else {
      WriteStep(model.shape, file);
    }
    files.push_back(file);
  }
  return files;
}

}  // namespace Oxlen::ImportTesting
