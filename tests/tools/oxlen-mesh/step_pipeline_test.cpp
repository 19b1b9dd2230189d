// The whole path of the tool on the importer's test models: import, faces meshed in parallel,
// borders improved, faces stitched. Every closed model comes out closed, outward, of the exact
// volume and within the tolerance, and the same whatever the number of threads.

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <string>

#include <Oxlen/Cad/Import.h>

#include "bracket.h"
#include "imported_faces.h"
#include "mesh_readers.h"
#include "mesh_report.h"
#include "mesh_writers.h"
#include "model_pipeline.h"
#include "step_writer.h"
#include "stitch/stitch_fixtures.h"
#include "test_models.h"

namespace {

using Oxlen::Cad::MCadImport;
namespace fs = std::filesystem;

fs::path WrittenModel(const std::string& name) {
  const fs::path dir =
      fs::temp_directory_path() / ("oxlen_mesh_pipeline_test_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path file = dir / (name + ".step");
  if (name == "assembly") {
    Oxlen::ImportTesting::WriteAssemblyStep(file);
    return file;
  }
  if (name == "bracket") {
    oxlen_step::WriteStepProduct(oxlen_demo_part::BuildBracket(), file, "bracket");
    return file;
  }
  for (const auto& model : Oxlen::ImportTesting::BuildTestModels()) {
    if (model.name == name)
      Oxlen::ImportTesting::WriteStep(model.shape, file);
  }
  return file;
}

oxlen_mesh::MPipelineResult Mesh(const MCadImport::MModel& model, std::size_t threads) {
  oxlen_mesh::MPipelineSettings settings =
      oxlen_mesh::PipelineSettings(model, 0.001 * model.report.diagonal);
  settings.threads = threads;
  oxlen_mesh::MPipelineProgress progress;
  const std::atomic<bool> cancel{false};
  return oxlen_mesh::RunPipeline(oxlen_mesh::PipelineFaces(model), settings, progress, cancel);
}

// How many triangles each face has.
std::map<std::size_t, std::size_t> TrianglesPerFace(
    const std::vector<std::size_t>& faceOfTriangle) {
  std::map<std::size_t, std::size_t> count;
  for (const std::size_t face : faceOfTriangle)
    ++count[face];
  return count;
}

// The mesh written in every format and read back: the same triangles, the same shared vertices
// where the format shares them, the same faces where it keeps them, a normal per vertex.
void ExpectEveryFormatReadsBack(const oxlen_mesh::MPipelineResult& result, const fs::path& dir) {
  std::vector<Oxlen::Math::point<double, 3>> normals(result.mesh.vertices.size(), {0, 0, 1});
  const oxlen_mesh::MOutputMesh output{result.mesh, result.faceOfTriangle, &normals};
  const std::size_t triangles = result.mesh.triangles.size();
  const auto faces = TrianglesPerFace(result.faceOfTriangle);
  for (const char* extension : {".obj", ".ply", ".glb", ".gltf"}) {
    const fs::path file = dir / (std::string("mesh") + extension);
    oxlen_mesh::WriteMesh(output, file.string());
    const auto read = std::string(extension) == ".obj"   ? oxlen_mesh_testing::ReadObj(file)
                      : std::string(extension) == ".ply" ? oxlen_mesh_testing::ReadPly(file)
                                                         : oxlen_mesh_testing::ReadGltf(file);
    EXPECT_EQ(read.vertices.size(), result.mesh.vertices.size()) << extension;
    EXPECT_EQ(read.triangles.size(), triangles) << extension;
    EXPECT_EQ(TrianglesPerFace(read.faceOfTriangle), faces) << extension;
    EXPECT_EQ(read.normals.size(), result.mesh.vertices.size()) << extension;
  }
  const fs::path binary = dir / "mesh.stl";
  oxlen_mesh::WriteMesh(output, binary.string());
  EXPECT_EQ(oxlen_mesh_testing::ReadBinaryStl(binary).triangles.size(), triangles);
  const fs::path text = dir / "mesh_ascii.stl";
  oxlen_mesh::WriteMesh(output, text.string(), oxlen_mesh::MWriteOptions{true});
  EXPECT_EQ(TrianglesPerFace(oxlen_mesh_testing::ReadAsciiStl(text).faceOfTriangle), faces);
}

class StepPipeline : public ::testing::TestWithParam<const char*> {};

TEST_P(StepPipeline, ClosedOutwardExactAndIndependentOfTheThreadCount) {
  const fs::path file = WrittenModel(GetParam());
  const MCadImport::MModel model = MCadImport::Import(file);
  ASSERT_TRUE(model.report.failures.empty());
  const oxlen_mesh::MPipelineResult one = Mesh(model, 1);
  const oxlen_mesh::MPipelineResult two = Mesh(model, 2);
  EXPECT_FALSE(one.cancelled);
  EXPECT_EQ(one.emptyFaces, 0u);
  EXPECT_TRUE(one.check.closed()) << one.check.boundary_edges << " boundary, "
                                  << one.check.non_manifold_edges << " non-manifold, "
                                  << one.check.inconsistently_oriented_edges << " misoriented";
  EXPECT_LE(one.largestDeviation, 0.001 * model.report.diagonal);
  // Within 0.5 %, or within the layer of the tolerance's thickness over the whole surface that a
  // chordal mesh may cut off or add (thin tubes, a torus at a thousandth of the diagonal).
  const double volume = oxlen_mesh::EnclosedVolume(one.mesh);
  EXPECT_NEAR(volume, model.report.closedSolidVolume,
              std::max(0.005 * model.report.closedSolidVolume,
                       0.001 * model.report.diagonal * stitch_testing::Area(one.mesh)));
  EXPECT_EQ(one.mesh.vertices, two.mesh.vertices);
  EXPECT_EQ(one.mesh.triangles, two.mesh.triangles);
  EXPECT_EQ(one.faceOfTriangle, two.faceOfTriangle);
  ExpectEveryFormatReadsBack(one, file.parent_path());
}

INSTANTIATE_TEST_SUITE_P(Models, StepPipeline,
                         ::testing::Values("box", "cylinder", "cone", "cone_to_apex", "sphere",
                                           "torus", "revolved_profile", "extruded_spline",
                                           "filleted_box", "plate_with_holes_through_curved_faces",
                                           "bspline_loft", "mirrored_part", "assembly", "bracket"));

}  // namespace
