#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>

#include <BRepAdaptor_Surface.hxx>
#include <BRepBndLib.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Builder.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>

#include "bracket.h"
#include "solid_checks.h"
#include "step_writer.h"

namespace {

namespace fs = std::filesystem;

// The number of faces of `shape` on each kind of surface.
std::map<GeomAbs_SurfaceType, int> FacesByKind(const TopoDS_Shape& shape) {
  TopTools_IndexedMapOfShape faces;
  TopExp::MapShapes(shape, TopAbs_FACE, faces);
  std::map<GeomAbs_SurfaceType, int> count;
  for (int i = 1; i <= faces.Extent(); ++i) {
    ++count[BRepAdaptor_Surface(TopoDS::Face(faces(i))).GetType()];
  }
  return count;
}

int Count(const TopoDS_Shape& shape, TopAbs_ShapeEnum type) {
  TopTools_IndexedMapOfShape shapes;
  TopExp::MapShapes(shape, type, shapes);
  return shapes.Extent();
}

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(DemoBracket, IsOneClosedValidSolid) {
  const TopoDS_Shape bracket = oxlen_demo_part::BuildBracket();
  EXPECT_TRUE(BRepCheck_Analyzer(bracket).IsValid());
  ASSERT_EQ(Count(bracket, TopAbs_SOLID), 1);
  EXPECT_TRUE(oxlen_demo_part::EveryEdgeUsedTwice(bracket));
  GProp_GProps mass;
  BRepGProp::VolumeProperties(bracket, mass);
  EXPECT_GT(mass.Mass(), 0.0);
}

TEST(DemoBracket, HasDozensOfFacesOfSeveralKinds) {
  const TopoDS_Shape bracket = oxlen_demo_part::BuildBracket();
  const int faces = Count(bracket, TopAbs_FACE);
  EXPECT_GE(faces, 20);
  EXPECT_LE(faces, 80);
  const auto kinds = FacesByKind(bracket);
  EXPECT_GT(kinds.count(GeomAbs_Plane), 0u);
  EXPECT_GT(kinds.count(GeomAbs_Cylinder), 0u);
  EXPECT_GE(kinds.size(), 3u) << "planes, cylinders and at least one other kind";
}

TEST(DemoBracket, HasTheSizeOfARealPart) {
  Bnd_Box box;
  BRepBndLib::AddOptimal(oxlen_demo_part::BuildBracket(), box, false, false);
  double x0, y0, z0, x1, y1, z1;
  box.Get(x0, y0, z0, x1, y1, z1);
  EXPECT_NEAR(x1 - x0, 120.0, 0.01);
  EXPECT_NEAR(y1 - y0, 80.0, 0.01);
  EXPECT_NEAR(z1 - z0, 60.0, 0.01);
}

TEST(DemoBracket, IsWrittenQuietlyAsOneProductInMillimetresTheSameEveryTime) {
  const TopoDS_Shape bracket = oxlen_demo_part::BuildBracket();
  const fs::path dir =
      fs::temp_directory_path() / ("oxlen_demo_part_test_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  ::testing::internal::CaptureStdout();
  oxlen_step::WriteStepProduct(bracket, dir / "a.step", "bracket");
  oxlen_step::WriteStepProduct(oxlen_demo_part::BuildBracket(), dir / "b.step", "bracket");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  const std::string step = Contents(dir / "a.step");
  EXPECT_NE(step.find("FILE_SCHEMA(('AUTOMOTIVE_DESIGN"), std::string::npos);
  EXPECT_NE(step.find("PRODUCT('bracket','bracket'"), std::string::npos);
  EXPECT_NE(step.find("SI_UNIT(.MILLI.,.METRE.)"), std::string::npos);
  EXPECT_EQ(step.find("PRODUCT(", step.find("PRODUCT(") + 1), std::string::npos) << "one product";
  EXPECT_EQ(step, Contents(dir / "b.step"));
  fs::remove_all(dir);
}

TEST(DemoBracketChecks, RejectAnythingButOneClosedValidSolid) {
  const TopoDS_Shape box = BRepPrimAPI_MakeBox(10, 20, 30).Shape();
  EXPECT_NO_THROW(oxlen_demo_part::RequireOneClosedValidSolid(box, "a box"));
  TopTools_IndexedMapOfShape faces;
  TopExp::MapShapes(box, TopAbs_FACE, faces);
  EXPECT_THROW(oxlen_demo_part::RequireOneClosedValidSolid(faces(1), "a face"), std::runtime_error);
  BRep_Builder builder;
  TopoDS_Compound two;
  builder.MakeCompound(two);
  builder.Add(two, box);
  builder.Add(two, BRepPrimAPI_MakeBox(gp_Pnt(50, 0, 0), 5, 5, 5).Shape());
  EXPECT_THROW(oxlen_demo_part::RequireOneClosedValidSolid(two, "two boxes"), std::runtime_error);
  EXPECT_FALSE(oxlen_demo_part::EveryEdgeUsedTwice(faces(1)));
}

}  // namespace
