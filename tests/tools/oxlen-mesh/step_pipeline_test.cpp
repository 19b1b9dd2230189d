// The whole path of the tool on the importer's test models: import, faces meshed in parallel,
// borders improved, faces stitched. Every closed model comes out closed, outward, of the exact
// volume and within the tolerance, and the same whatever the number of threads.

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>

#include <Oxlen/Cad/Import.h>

#include "mesh_report.h"
#include "model_pipeline.h"
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
  for (const auto& model : Oxlen::ImportTesting::BuildTestModels()) {
    if (model.name == name)
      Oxlen::ImportTesting::WriteStep(model.shape, file);
  }
  return file;
}

oxlen_mesh::MPipelineResult Mesh(const MCadImport::MModel& model, std::size_t threads) {
  oxlen_mesh::MPipelineSettings settings;
  settings.tolerance = 0.001 * model.report.diagonal;
  settings.threads = threads;
  double edgeTolerance = 0.0;
  for (const auto& face : model.faces)
    edgeTolerance = std::max(edgeTolerance, face.tolerance);
  settings.stitchTolerance = oxlen_mesh::StitchTolerance(settings.tolerance, edgeTolerance);
  std::vector<oxlen_mesh::MModelFace> faces;
  for (const auto& face : model.faces)
    faces.push_back({&face.face, face.finTags});
  oxlen_mesh::MPipelineProgress progress;
  const std::atomic<bool> cancel{false};
  return oxlen_mesh::RunPipeline(faces, settings, progress, cancel);
}

class StepPipeline : public ::testing::TestWithParam<const char*> {};

TEST_P(StepPipeline, ClosedOutwardExactAndIndependentOfTheThreadCount) {
  const MCadImport::MModel model = MCadImport::Import(WrittenModel(GetParam()));
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
}

INSTANTIATE_TEST_SUITE_P(Models, StepPipeline,
                         ::testing::Values("box", "cylinder", "cone", "cone_to_apex", "sphere",
                                           "torus", "revolved_profile", "extruded_spline",
                                           "filleted_box", "plate_with_holes_through_curved_faces",
                                           "bspline_loft", "mirrored_part", "assembly"));

}  // namespace
