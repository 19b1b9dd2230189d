#include "step_model_run.h"

#include <stdexcept>

#ifdef OXLEN_MESH_HAVE_IMPORT
#include <chrono>
#include <cstdio>
#include <thread>

#include <unistd.h>

#include <Oxlen/Cad/Import.h>

#include "imported_faces.h"
#include "mesh_report.h"
#include "mesh_writers.h"
#include "model_pipeline.h"
#include "progress_bar.h"
#include "surface_normals.h"
#endif

namespace oxlen_mesh {

#ifdef OXLEN_MESH_HAVE_IMPORT
namespace {

using Oxlen::Cad::MCadImport;
using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The chordal tolerance: given, or relative to the model's size.
double ResolveTolerance(const Options& options, double diagonal) {
  if (options.tolerance)
    return *options.tolerance;
  const double tolerance = options.relative.value_or(kDefaultRelativeTolerance) * diagonal;
  if (!(tolerance > 0.0)) {
    throw std::runtime_error("the model has no extent: give an absolute --tolerance");
  }
  return tolerance;
}

MPipelineSettings Settings(const Options& options, const MCadImport::MModel& model,
                           double tolerance) {
  MPipelineSettings settings = PipelineSettings(model, tolerance);
  settings.maxEdgeLength = options.maxEdgeLength;
  settings.maxQuads = options.maxQuads;
  settings.threads = options.threads;
  settings.improve = options.improve;
  settings.stitch = options.stitch;
  return settings;
}

void DescribeModel(const MCadImport::MModel& model, MMeshReport& report) {
  report.fileUnit = model.report.fileUnit;
  report.diagonal = model.report.diagonal;
  report.faces = model.report.faceCount;
  report.exactVolume = model.report.closedSolidVolume;
  for (int k = 0; k < MCadImport::eSurfaceKindCount; ++k) {
    if (model.report.facesByKind[k] == 0)
      continue;
    report.facesByKind.emplace_back(MCadImport::KindName(static_cast<MCadImport::ESurfaceKind>(k)),
                                    model.report.facesByKind[k]);
  }
  for (const auto& lost : model.report.failures) {
    report.lostFaces.push_back({lost.index, MCadImport::KindName(lost.kind), lost.reason});
  }
}

void DescribeMesh(const MCadImport::MModel& model, const MPipelineResult& result,
                  MMeshReport& report) {
  for (const auto& [face, reason] : result.failedFaces) {
    const auto& imported = model.faces[face];
    report.lostFaces.push_back(
        {imported.index, MCadImport::KindName(imported.kind), "meshing failed: " + reason});
  }
  report.triangles = result.mesh.triangles.size();
  report.vertices = result.mesh.vertices.size();
  report.emptyFaces = result.emptyFaces;
  report.facesOverBudget = result.facesOverBudget;
  report.largestDeviation = result.largestDeviation;
  report.check = result.check;
  report.triangulateSeconds = result.meshSeconds;
  report.postprocessSeconds = result.postprocessSeconds;
  report.stitchSeconds = result.stitchSeconds;
  report.meshVolume = report.check.closed() ? EnclosedVolume(result.mesh) : 0.0;
}

void Write(const Options& options, const MPipelineResult& result,
           const std::vector<MModelFace>& faces) {
  std::vector<Oxlen::Math::point<double, 3>> normals;
  if (options.normals) {
    std::vector<const MCADFace*> surfaces;
    for (const auto& face : faces)
      surfaces.push_back(face.face);
    normals = ExactVertexNormals(result.mesh, result.faceOfTriangle, surfaces);
  }
  MWriteOptions writeOptions;
  writeOptions.asciiStl = options.asciiStl;
  for (const std::string& output : options.outputs) {
    WriteMesh(MOutputMesh{result.mesh, result.faceOfTriangle, options.normals ? &normals : nullptr},
              output, writeOptions);
  }
}

}  // namespace

int RunStepModel(const Options& options, std::atomic<bool>& cancel) {
  MMeshReport report;
  report.model = *options.model;
  // 1. The model, read and mapped.
  auto start = Clock::now();
  const MCadImport::MModel model = MCadImport::Import(*options.model);
  report.importSeconds = Since(start);
  if (model.report.noGeometry) {
    throw std::runtime_error("'" + *options.model +
                             "' holds no geometry (it may only refer to other files)");
  }
  DescribeModel(model, report);
  report.tolerance = ResolveTolerance(options, model.report.diagonal);
  const MPipelineSettings settings = Settings(options, model, report.tolerance);
  report.stitchTolerance = settings.stitchTolerance;
  report.threads = settings.threads == 0 ? std::thread::hardware_concurrency() : settings.threads;

  // 2. Meshed, improved, stitched and checked.
  const std::vector<MModelFace> faces = PipelineFaces(model);
  MPipelineProgress progress;
  progress.faceCount = faces.size();
  MPipelineResult result;
  {
    const MProgressBar bar(progress, !options.quiet && isatty(STDERR_FILENO));
    result = RunPipeline(faces, settings, progress, cancel);
  }
  if (result.cancelled || cancel.load())
    return kExitCancelled;
  DescribeMesh(model, result, report);

  // 3. Written and reported.
  if (!options.outputs.empty()) {
    start = Clock::now();
    Write(options, result, faces);
    report.writeSeconds = Since(start);
    report.outputs = options.outputs;
  }
  if (!options.quiet)
    PrintReport(report, stdout);
  if (options.report)
    WriteReportJson(report, *options.report);
  return 0;
}
#else
int RunStepModel(const Options&, std::atomic<bool>&) {
  throw std::runtime_error(
      "this build has no STEP importer (Open CASCADE was not found when it "
      "was configured)");
}
#endif

}  // namespace oxlen_mesh
