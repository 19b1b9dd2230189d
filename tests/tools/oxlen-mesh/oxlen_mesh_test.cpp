#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "default_model.h"
#include "mesh_report.h"
#include "mesh_writers.h"
#include "model_pipeline.h"
#include "options.h"
#include "surface_deviation.h"
#include "surface_normals.h"

namespace {

using oxlen_mesh::ParseOptions;

Oxlen::Geometry::triangle_surface Tetrahedron() {
  Oxlen::Geometry::triangle_surface mesh;
  mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  mesh.triangles = {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}};
  return mesh;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(OxlenMeshOptions, ParsesValuesAndRejectsMalformedOnes) {
  const auto o = ParseOptions({"--tolerance", "0.5", "--max-edge-length", "inf", "--max-quads",
                               "1000", "--output", "a.OBJ"});
  EXPECT_EQ(o.tolerance, 0.5);
  EXPECT_EQ(o.maxEdgeLength, std::numeric_limits<double>::infinity());
  EXPECT_EQ(o.maxQuads, 1000u);
  EXPECT_EQ(o.outputs, std::vector<std::string>{"a.OBJ"});
  EXPECT_TRUE(ParseOptions({"--help"}).help);
  const auto step = ParseOptions({"part.step", "-o", "part.glb", "--relative", "0.002", "--threads",
                                  "1", "--no-improve", "--no-stitch", "-q"});
  EXPECT_EQ(step.model, "part.step");
  EXPECT_EQ(step.relative, 0.002);
  EXPECT_FALSE(step.tolerance.has_value());
  EXPECT_EQ(step.threads, 1u);
  EXPECT_FALSE(step.improve);
  EXPECT_FALSE(step.stitch);
  EXPECT_TRUE(step.quiet);
  EXPECT_EQ(ParseOptions({"--tolerance", "0"}).tolerance, 0.0);
  for (const auto& bad :
       std::vector<std::vector<std::string>>{{"--tolerance"},
                                             {"--tolerance", "abc"},
                                             {"--tolerance", "1e-3x"},
                                             {"--tolerance", "-1"},
                                             {"--tolerance", "nan"},
                                             {"--max-edge-length", "0"},
                                             {"--max-quads", "2.5"},
                                             {"--max-quads", "-3"},
                                             {"--output", "mesh.step"},
                                             {"--output", "noextension"},
                                             {"--threads", "-2"},
                                             {"--tolerance", "1", "--relative", "0.01"},
                                             {"--relative", "0.01"},
                                             {"--import-check", "a.step", "b.step"},
                                             {"a.step", "b.step"}})
    EXPECT_THROW(ParseOptions(bad), std::invalid_argument) << bad.front();
}

TEST(OxlenMeshWriters, WriteWellFormedFiles) {
  const auto mesh = Tetrahedron();
  const auto dir = std::filesystem::temp_directory_path() / "oxlen_mesh_writer_test";
  std::filesystem::create_directories(dir);

  oxlen_mesh::WriteMesh(mesh, (dir / "t.stl").string());
  const std::string stl = ReadFile(dir / "t.stl");
  ASSERT_EQ(stl.size(), 84u + 50u * mesh.triangles.size());
  std::uint32_t count = 0;
  std::memcpy(&count, stl.data() + 80, 4);
  EXPECT_EQ(count, mesh.triangles.size());
  float firstNormalZ = 0;
  std::memcpy(&firstNormalZ, stl.data() + 84 + 8, 4);
  EXPECT_FLOAT_EQ(firstNormalZ, -1.0f);  // triangle (0, 2, 1) faces down

  oxlen_mesh::WriteMesh(mesh, (dir / "t.obj").string());
  std::istringstream obj(ReadFile(dir / "t.obj"));
  int vertices = 0, faces = 0;
  for (std::string line; std::getline(obj, line);) {
    vertices += line.rfind("v ", 0) == 0;
    faces += line.rfind("f ", 0) == 0;
  }
  EXPECT_EQ(vertices, 4);
  EXPECT_EQ(faces, 4);

  oxlen_mesh::WriteMesh(mesh, (dir / "t.ply").string());
  const std::string ply = ReadFile(dir / "t.ply");
  const std::size_t body = ply.find("end_header\n") + 11;
  ASSERT_NE(body, std::string::npos);
  EXPECT_EQ(ply.size() - body, 4u * 24u + 4u * 17u);  // each face: 3 indices and its face id
  double y = 0;
  std::memcpy(&y, ply.data() + body + 2 * 24 + 8, 8);  // vertex 2 is (0, 1, 0)
  EXPECT_EQ(y, 1.0);

  EXPECT_THROW(oxlen_mesh::WriteMesh(mesh, (dir / "t.xyz").string()), std::runtime_error);
  EXPECT_THROW(oxlen_mesh::WriteMesh(mesh, (dir / "missing" / "t.stl").string()),
               std::runtime_error);
  std::filesystem::remove_all(dir);
}

TEST(OxlenMeshDeviation, MeasuresTheDistanceToTheExactSurface) {
  const auto model = oxlen_mesh::BuildDefaultModel();
  ASSERT_EQ(model.size(), 9u);
  // The exact chord of a cylinder of radius 20 cut into 8 sides: its middle lies
  // 20 * (1 - cos(pi / 8)) inside the surface.
  const oxlen_mesh::NamedFace& cylinder = model[1];
  const double r = 20.0;
  const double a = std::acos(-1.0) / 8;
  Oxlen::Geometry::triangle_surface chord;
  chord.vertices = {{r, 0, 0},
                    {r * std::cos(2 * a), r * std::sin(2 * a), 0},
                    {r * std::cos(2 * a), r * std::sin(2 * a), 10},
                    {r, 0, 10}};
  chord.triangles = {{0, 1, 2}, {0, 2, 3}};
  // The edge midpoint of the chord is the farthest sample.
  EXPECT_NEAR(oxlen_mesh::MeasureSurfaceDeviation(cylinder.face, chord), r * (1 - std::cos(a)),
              1e-9);
  // Every default face meshes within a loose tolerance.
  for (const auto& f : model) {
    const auto mesh = MCadTriangulator::Triangulate(
        f.face, std::nullopt, 0.1, std::numeric_limits<double>::infinity(), 100000, {});
    EXPECT_FALSE(mesh.triangles.empty()) << f.name;
    EXPECT_LE(oxlen_mesh::MeasureSurfaceDeviation(f.face, mesh), 0.1) << f.name;
  }
}

}  // namespace

namespace {

// Normals from the exact surface: on a sphere they point away from its centre, on the face's
// outward side (inwards for a reversed face).
TEST(OxlenMeshNormals, FollowTheExactSurfaceAndTheFaceOrientation) {
  auto sphere = std::make_shared<MCADUVSphere>(MCADFrame({1, 2, 3}, {0, 0, 1}, {1, 0, 0}), 5.0, 0.0,
                                               2.0 * 3.141592653589793, -1.5, 1.5);
  for (const auto orientation : {eFaceOrientationForward, eFaceOrientationReversed}) {
    const MCADFace face = MCADFaceBuilder(sphere).OuterBoundary().Orientation(orientation).Build();
    const auto mesh = MCadTriangulator::Triangulate(
        face, std::nullopt, 0.05, std::numeric_limits<double>::infinity(), 200000, {});
    ASSERT_FALSE(mesh.triangles.empty());
    const std::vector<std::size_t> faceOfTriangle(mesh.triangles.size(), 0);
    const auto normals = oxlen_mesh::ExactVertexNormals(mesh, faceOfTriangle, {&face});
    const double side = orientation == eFaceOrientationForward ? 1.0 : -1.0;
    for (std::size_t v = 0; v < mesh.vertices.size(); ++v) {
      const auto radial =
          Oxlen::Math::normalized(mesh.vertices[v] - Oxlen::Math::point<double, 3>{1, 2, 3});
      EXPECT_GT(side * dot(normals[v], radial), 0.999) << v;
    }
  }
}

// The JSON report holds what the terminal shows, under stable names.
TEST(OxlenMeshReport, JsonCarriesTheCountsTheEdgesAndTheVolumes) {
  oxlen_mesh::MMeshReport report;
  report.model = "part.step";
  report.facesByKind = {{"plane", 6}, {"cylinder", 2}};
  report.lostFaces.push_back({3, "offset", "conversion to NURBS failed"});
  report.triangles = 120;
  report.check.boundary_edges = 0;
  report.meshVolume = 99.5;
  report.exactVolume = 100.0;
  report.outputs = {"part.glb"};
  const auto path = std::filesystem::temp_directory_path() / "oxlen_mesh_report_test.json";
  oxlen_mesh::WriteReportJson(report, path.string());
  const auto json = nlohmann::json::parse(ReadFile(path));
  EXPECT_EQ(json["faces_by_kind"]["plane"], 6);
  EXPECT_EQ(json["lost_faces"][0]["reason"], "conversion to NURBS failed");
  EXPECT_EQ(json["triangles"], 120);
  EXPECT_EQ(json["closed"], true);
  EXPECT_EQ(json["exact_volume"], 100.0);
  EXPECT_EQ(json["outputs"][0], "part.glb");
  std::filesystem::remove(path);
  EXPECT_EQ(oxlen_mesh::EnclosedVolume(Tetrahedron()), 1.0 / 6.0);
}

}  // namespace

namespace {

// A face the triangulator refuses (a NURBS surface of order 1, not continuous) is left out and
// reported; the faces around it are meshed.
TEST(OxlenMeshPipeline, AFaceThatCannotBeMeshedIsReportedAndTheOthersAreMeshed) {
  auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 10.0, 0.0, 10.0);
  const MCADFace good = MCADFaceBuilder(plane).OuterBoundary().Build();
  auto steps = std::make_shared<MCADUVNurbsSurface>(
      M3dNurbsSurface(1, 1, 1, 1, {0.0, 1.0}, {0.0, 1.0}, {{0.0, 0.0, 0.0}}));
  const MCADFace bad = MCADFaceBuilder(steps).OuterBoundary().Build();
  oxlen_mesh::MPipelineSettings settings;
  settings.tolerance = 0.1;
  settings.stitch = false;
  oxlen_mesh::MPipelineProgress progress;
  const std::atomic<bool> cancel{false};
  const auto result = oxlen_mesh::RunPipeline({{&good, {1, 2, 3, 4}}, {&bad, {5, 6, 7, 8}}},
                                              settings, progress, cancel);
  ASSERT_EQ(result.failedFaces.size(), 1u);
  EXPECT_EQ(result.failedFaces[0].first, 1u);
  EXPECT_EQ(result.emptyFaces, 1u);
  EXPECT_FALSE(result.mesh.triangles.empty());
  EXPECT_EQ(progress.facesDone.load(), 2u);
}

}  // namespace
