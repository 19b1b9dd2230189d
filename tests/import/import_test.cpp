// The importer against Open CASCADE on models built with its modelling API, written to STEP and
// read back: every face mapped, its surface and fins where Open CASCADE has them, its mesh within
// the tolerance, of the face's area and facing outwards; fin tags that pair every model edge.

#include <gtest/gtest.h>

#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepGProp.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <GeomConvert.hxx>
#include <Geom_BSplineSurface.hxx>
#include <Geom_BezierSurface.hxx>
#include <Geom_CylindricalSurface.hxx>
#include <Geom_OffsetSurface.hxx>
#include <Geom_Plane.hxx>
#include <Geom_RectangularTrimmedSurface.hxx>
#include <TColgp_Array2OfPnt.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <gp_Ax3.hxx>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Oxlen/Cad/Import.h"
#include "Oxlen/CadEntity/MCAD3DNurbsCurve.h"
#include "face_checks.h"
#include "import_shape.h"
#include "step_file.h"
#include "test_models.h"

namespace {

using Oxlen::Cad::MCadImport;
namespace fs = std::filesystem;
namespace testing_models = Oxlen::ImportTesting;

fs::path TempDir() {
  const fs::path dir =
      fs::temp_directory_path() / ("oxlen_import_test_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  return dir;
}

const testing_models::MTestModel& Model(const std::string& name) {
  static const std::vector<testing_models::MTestModel> models = testing_models::BuildTestModels();
  for (const auto& model : models) {
    if (model.name == name)
      return model;
  }
  throw std::runtime_error("no test model " + name);
}

// The model written to STEP (the assembly as a real STEP assembly).
fs::path WrittenModel(const std::string& name) {
  const fs::path file = TempDir() / (name + ".step");
  if (name == "assembly") {
    testing_models::WriteAssemblyStep(file);
  } else {
    testing_models::WriteStep(Model(name).shape, file);
  }
  return file;
}

// Every model edge is used once each way, or once (a pole); every use of an edge carries its
// number with the sign of the use's direction.
void ExpectEdgesPaired(const MCadImport::MModel& model, const TopoDS_Shape& shape) {
  TopTools_IndexedMapOfShape edges;
  TopExp::MapShapes(shape, TopAbs_EDGE, edges);
  std::map<int, int> uses;
  for (const auto& face : model.faces) {
    for (const int tag : face.finTags) {
      ASSERT_NE(tag, 0);
      ASSERT_LE(std::abs(tag), edges.Extent());
      ++uses[tag];
    }
  }
  for (int k = 1; k <= edges.Extent(); ++k) {
    const bool pole = BRep_Tool::Degenerated(TopoDS::Edge(edges(k)));
    EXPECT_EQ(uses[k] + uses[-k], pole ? 1 : 2) << "edge " << k;
    if (!pole) {
      EXPECT_EQ(uses[k], 1) << "edge " << k;
    }
  }
}

// The mesh's area is the face's within 1 %, or, for a small face with curved edges, within what
// chords that keep to the tolerance can cut off along its border.
void ExpectAreaOfTheFace(const testing_models::MMeshCheck& mesh, double tolerance) {
  EXPECT_NEAR(mesh.area, mesh.exactArea,
              std::max(0.01 * mesh.exactArea, tolerance * mesh.borderLength));
}

// A face on `surface` over the given parameter rectangle.
TopoDS_Face FaceOn(const Handle(Geom_Surface) & surface, double u0, double u1, double v0,
                   double v1) {
  BRepBuilderAPI_MakeFace face(surface, u0, u1, v0, v1, 1e-7);
  if (!face.IsDone())
    throw std::runtime_error("cannot build a test face");
  return face.Face();
}

// The faces, and the same faces with every p-curve (for Open CASCADE's area, which needs them).
std::pair<TopoDS_Shape, TopoDS_Shape> BuildLessCommonFaces() {
  BRep_Builder builder;
  TopoDS_Compound faces;
  builder.MakeCompound(faces);

  TColgp_Array2OfPnt poles(1, 3, 1, 3);
  for (int i = 1; i <= 3; ++i) {
    for (int j = 1; j <= 3; ++j)
      poles(i, j) = gp_Pnt(10.0 * i, 10.0 * j, (i == 2 && j == 2) ? 8.0 : 0.0);
  }
  const Handle(Geom_BezierSurface) bezier = new Geom_BezierSurface(poles);
  builder.Add(faces, FaceOn(bezier, 0.0, 1.0, 0.0, 1.0));
  builder.Add(faces,
              FaceOn(new Geom_OffsetSurface(GeomConvert::SurfaceToBSplineSurface(bezier), 2.0), 0.0,
                     1.0, 0.0, 1.0));

  const Handle(Geom_CylindricalSurface) cylinder =
      new Geom_CylindricalSurface(gp_Ax3(gp_Pnt(40, 0, 0), gp::DZ()), 6.0);
  const Handle(Geom_BSplineSurface) periodic = GeomConvert::SurfaceToBSplineSurface(
      new Geom_RectangularTrimmedSurface(cylinder, 0.0, 2.0 * M_PI, 0.0, 12.0));
  if (!periodic->IsUPeriodic())
    throw std::runtime_error("the converted cylinder is not periodic");
  builder.Add(faces, FaceOn(periodic, 1.0, 1.0 + 2.0 * M_PI, 0.0, 12.0));
  builder.Add(faces, FaceOn(new Geom_RectangularTrimmedSurface(cylinder, 0.0, M_PI, 20.0, 30.0),
                            0.5, 2.5, 21.0, 29.0));

  // The first edge of a cylinder patch without its p-curve.
  TopoDS_Shape intact = BRepBuilderAPI_Copy(faces).Shape();
  TopoDS_Face patch = FaceOn(cylinder, 0.0, 2.0, 40.0, 50.0);
  builder.Add(TopoDS::Compound(intact), BRepBuilderAPI_Copy(patch).Shape());
  TopExp_Explorer edge(patch, TopAbs_EDGE);
  builder.UpdateEdge(TopoDS::Edge(edge.Current()), Handle(Geom2d_Curve)(), patch, 1e-7);
  builder.Add(faces, patch);
  return {faces, intact};
}

class ImportedModel : public ::testing::TestWithParam<const char*> {};

TEST_P(ImportedModel, EveryFaceAgreesWithOpenCascadeAndMeshesWithinTheTolerance) {
  const fs::path file = WrittenModel(GetParam());
  const MCadImport::MModel model = MCadImport::Import(file);
  const TopoDS_Shape shape = Oxlen::Cad::detail::ReadStepFile(file).shape;
  const std::vector<TopoDS_Face> faces = Oxlen::Cad::detail::ModelFaces(shape);

  EXPECT_FALSE(model.report.noGeometry);
  EXPECT_EQ(model.report.faceCount, faces.size());
  EXPECT_TRUE(model.report.failures.empty()) << model.report.failures.front().reason;
  ASSERT_EQ(model.faces.size(), faces.size());
  EXPECT_EQ(model.report.fileUnit, "millimetre");
  EXPECT_GT(model.report.solidCount, 0u);
  EXPECT_EQ(model.report.closedSolidCount, model.report.solidCount);
  // The exact volume, integrated span by span, agrees with one rule over each whole surface.
  GProp_GProps whole;
  BRepGProp::VolumePropertiesGK(shape, whole, 1e-7);
  EXPECT_NEAR(model.report.closedSolidVolume, whole.Mass(), 1e-6 * whole.Mass());
  ExpectEdgesPaired(model, shape);

  const double diagonal = model.report.diagonal;
  const double tolerance = 0.001 * diagonal;
  for (const auto& imported : model.faces) {
    SCOPED_TRACE("face " + std::to_string(imported.index) + " (" +
                 MCadImport::KindName(imported.kind) + ")");
    const TopoDS_Face& face = faces[imported.index];
    EXPECT_LT(testing_models::LargestSurfaceGap(imported, face, diagonal), 1e-9);
    EXPECT_LE(testing_models::LargestFinGap(imported, face), imported.tolerance + 1e-9);
    for (const auto& loop : imported.face.Loops())
      EXPECT_TRUE(loop->IsValid(imported.tolerance));

    const testing_models::MMeshCheck mesh = testing_models::CheckMesh(imported, face, tolerance);
    EXPECT_GT(mesh.triangles, 0u);
    EXPECT_LE(mesh.largestDeviation, tolerance * (1.0 + 1e-9));
    ExpectAreaOfTheFace(mesh, tolerance);
    EXPECT_EQ(mesh.facingInward, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Models, ImportedModel,
                         ::testing::Values("box", "cylinder", "cone", "cone_to_apex", "sphere",
                                           "torus", "revolved_profile", "extruded_spline",
                                           "filleted_box", "plate_with_holes_through_curved_faces",
                                           "bspline_loft", "mirrored_part", "assembly"));

// Every face of an in-memory shape maps like the faces read from files: surface, fins and mesh.
// Open CASCADE's side of the checks reads the faces of `reference` (the shape itself unless given),
// which match the shape's faces one to one. Offset surfaces without an equivalent surface of their
// own are approximated by Open CASCADE's conversion, to about 1e-6 of the model's size.
void ExpectEveryFaceMapped(const TopoDS_Shape& shape, const TopoDS_Shape& reference = {}) {
  const MCadImport::MModel model = Oxlen::Cad::detail::ImportShape(shape);
  const std::vector<TopoDS_Face> source =
      Oxlen::Cad::detail::ModelFaces(reference.IsNull() ? shape : reference);
  ASSERT_TRUE(model.report.failures.empty()) << model.report.failures.front().reason;
  ASSERT_EQ(model.faces.size(), source.size());
  const double diagonal = model.report.diagonal;
  const double tolerance = 0.001 * diagonal;
  for (const auto& imported : model.faces) {
    SCOPED_TRACE("face " + std::to_string(imported.index) + " (" +
                 MCadImport::KindName(imported.kind) + ")");
    const double exactness = imported.kind == MCadImport::eSurfaceOffset ? 1e-6 : 1e-9;
    const TopoDS_Face& face = source[imported.index];
    EXPECT_LT(testing_models::LargestSurfaceGap(imported, face, diagonal), exactness);
    EXPECT_LE(testing_models::LargestFinGap(imported, face),
              imported.tolerance + exactness * diagonal);
    const testing_models::MMeshCheck mesh = testing_models::CheckMesh(imported, face, tolerance);
    EXPECT_GT(mesh.triangles, 0u);
    EXPECT_LE(mesh.largestDeviation, tolerance * (1.0 + 1e-9));
    ExpectAreaOfTheFace(mesh, tolerance);
    EXPECT_EQ(mesh.facingInward, 0u);
  }
}

// Surfaces on left-handed axis systems and a cone opening against its axis are mapped onto our
// right-handed surfaces exactly: same points, faces still facing outwards.
TEST(ImportedFace, LeftHandedAxesAndNegativeConeAnglesMapExactly) {
  ExpectEveryFaceMapped(testing_models::BuildLeftHandedFaces());
}

// A Bezier patch, an offset B-spline, a periodic B-spline whose face turns from mid-period, a
// rectangular-trimmed cylinder, and a cylinder face one of whose edges has lost its p-curve (the
// fin then runs on the space curve).
TEST(ImportedFace, LessCommonSurfacesAndEdgesWithoutPCurves) {
  const auto [faces, reference] = BuildLessCommonFaces();
  ExpectEveryFaceMapped(faces, reference);
  // The last face's edge without a p-curve became a fin on its space curve.
  const MCadImport::MModel model = Oxlen::Cad::detail::ImportShape(faces);
  ASSERT_FALSE(model.faces.empty());
  std::size_t onSpaceCurves = 0;
  for (const auto& loop : model.faces.back().face.Loops()) {
    for (const MCADFin& fin : loop->Fins()) {
      onSpaceCurves += dynamic_cast<const MCAD3DNurbsCurve*>(fin.curve) != nullptr;
    }
  }
  EXPECT_EQ(onSpaceCurves, 1u);
}

// A file in inches reads as millimetres and says it was in inches.
TEST(ImportedFile, ReportsTheFileUnitAndConvertsToMillimetres) {
  const fs::path inches = TempDir() / "box_in_inches.step";
  testing_models::WriteStep(Model("box").shape, inches, "INCH");

  const MCadImport::MModel inInches = MCadImport::Import(inches);
  const MCadImport::MModel inMillimetres = MCadImport::Import(WrittenModel("box"));
  EXPECT_EQ(inInches.report.fileUnit, "INCH");
  EXPECT_NEAR(inInches.report.diagonal, inMillimetres.report.diagonal,
              1e-6 * inMillimetres.report.diagonal);
  EXPECT_TRUE(inInches.report.failures.empty());
}

// A face named in the file carries its name; the others have none.
TEST(ImportedFile, CarriesTheNamesOfNamedFaces) {
  const fs::path plain = WrittenModel("box");
  std::stringstream text;
  text << std::ifstream(plain).rdbuf();
  std::string step = text.str();
  const std::string unnamed = "ADVANCED_FACE('',";
  const std::size_t at = step.find(unnamed);
  ASSERT_NE(at, std::string::npos);
  step.replace(at, unnamed.size(), "ADVANCED_FACE('lid',");
  const fs::path named = TempDir() / "box_with_a_named_face.step";
  std::ofstream(named) << step;

  const MCadImport::MModel model = MCadImport::Import(named);
  ASSERT_EQ(model.faces.size(), 6u);
  std::vector<std::string> names;
  for (const auto& face : model.faces) {
    if (!face.name.empty())
      names.push_back(face.name);
  }
  EXPECT_EQ(names, std::vector<std::string>{"lid"});
}

// A face without a surface cannot be mapped: it is reported with its position and kind, and the
// faces around it are imported.
TEST(ImportedFace, AFaceThatCannotBeMappedIsReportedAndSkipped) {
  BRep_Builder builder;
  TopoDS_Compound faces;
  builder.MakeCompound(faces);
  const Handle(Geom_Surface) plane = new Geom_Plane(gp::XOY());
  builder.Add(faces, FaceOn(plane, 0.0, 10.0, 0.0, 10.0));
  TopoDS_Face bare;
  builder.MakeFace(bare);
  builder.Add(faces, bare);
  builder.Add(faces, FaceOn(plane, 20.0, 30.0, 0.0, 10.0));

  const MCadImport::MModel model = Oxlen::Cad::detail::ImportShape(faces);
  EXPECT_EQ(model.report.faceCount, 3u);
  ASSERT_EQ(model.faces.size(), 2u);
  EXPECT_EQ(model.faces[0].index, 0u);
  EXPECT_EQ(model.faces[1].index, 2u);
  ASSERT_EQ(model.report.failures.size(), 1u);
  EXPECT_EQ(model.report.failures[0].index, 1u);
  EXPECT_EQ(model.report.failures[0].kind, MCadImport::eSurfaceOther);
  EXPECT_EQ(model.report.failures[0].reason, "the face has no surface");
}

TEST(ImportedFile, BadFilesFailClearlyAndAFileWithoutGeometryIsReported) {
  const fs::path dir = TempDir();
  EXPECT_THROW(MCadImport::Import(dir / "missing.step"), std::invalid_argument);
  EXPECT_THROW(MCadImport::Import(dir), std::invalid_argument);
  const fs::path text = dir / "not_a_step_file.step";
  std::ofstream(text) << "solid nothing\nendsolid nothing\n";
  EXPECT_THROW(MCadImport::Import(text), std::runtime_error);

  const fs::path empty = dir / "no_geometry.step";
  testing_models::WriteNoGeometryStep(empty);
  const MCadImport::MModel model = MCadImport::Import(empty);
  EXPECT_TRUE(model.report.noGeometry);
  EXPECT_TRUE(model.faces.empty());
  EXPECT_EQ(model.report.faceCount, 0u);
}

}  // namespace
