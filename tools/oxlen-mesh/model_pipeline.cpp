#include "model_pipeline.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include <tbb/info.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include "surface_deviation.h"

namespace oxlen_mesh {
namespace {

using Clock = std::chrono::steady_clock;

// The deviation of a face is measured on at most this many of its triangles, spread over it:
// inverting points onto a NURBS surface costs far more than meshing it.
constexpr std::size_t kMeasuredTrianglesPerFace = 256;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// One face meshed on its own: triangulated, its border improved, its deviation measured.
struct MFaceMesh {
  MCadTriangulator::triangulation_result mesh;
  double deviation = 0.0;
  double postprocessSeconds = 0.0;
  bool overBudget = false;
  /// Why the face could not be meshed; empty when it could.
  std::string failure;
};

// Triangulates the face, improves its border and measures its deviation, into `result`.
void MeshFaceInto(const MModelFace& face, const MPipelineSettings& settings,
                  const std::atomic<bool>& cancel, MFaceMesh& result) {
  MCadTriangulator::MStatistics statistics;
  result.mesh = MCadTriangulator::Triangulate(
      *face.face, face.finTags, settings.tolerance, settings.maxEdgeLength, settings.maxQuads,
      [&cancel] { return cancel.load(std::memory_order_relaxed); }, &statistics);
  if (cancel.load() || result.mesh.triangles.empty())
    return;
  result.overBudget = !statistics.toleranceMet;
  const auto start = Clock::now();
  geometry::preprocess_triangulated_surface(result.mesh, settings.improve,
                                            BorderBandWidth(settings.tolerance),
                                            CornerDistance(settings.tolerance));
  result.postprocessSeconds = Since(start);
  if (settings.measureDeviation)
    result.deviation = MeasureSurfaceDeviation(*face.face, result.mesh, kMeasuredTrianglesPerFace);
}

MFaceMesh MeshFace(const MModelFace& face, const MPipelineSettings& settings,
                   const std::atomic<bool>& cancel) {
  MFaceMesh result;
  try {
    MeshFaceInto(face, settings, cancel, result);
  } catch (const std::exception& e) {
    // One face that cannot be meshed does not stop the model: it is left out and reported.
    result = MFaceMesh{};
    result.failure = e.what();
  }
  return result;
}

// Every face meshed, on `threads` workers; each result lands in its face's slot.
std::vector<MFaceMesh> MeshFaces(const std::vector<MModelFace>& faces,
                                 const MPipelineSettings& settings, MPipelineProgress& progress,
                                 const std::atomic<bool>& cancel) {
  std::vector<MFaceMesh> meshes(faces.size());
  const int threads =
      settings.threads == 0 ? tbb::info::default_concurrency() : static_cast<int>(settings.threads);
  tbb::task_arena arena(threads);
  arena.execute([&] {
    tbb::parallel_for(std::size_t{0}, faces.size(), [&](std::size_t i) {
      if (cancel.load())
        return;
      meshes[i] = MeshFace(faces[i], settings, cancel);
      ++progress.facesDone;
    });
  });
  return meshes;
}

// The face meshes in face order in one surface, their border edges as stitching records.
void Gather(const std::vector<MFaceMesh>& meshes, MPipelineResult& result,
            std::vector<geometry::edge_with_topology>& edges) {
  for (std::size_t f = 0; f < meshes.size(); ++f) {
    const auto& mesh = meshes[f].mesh;
    const std::size_t offset = result.mesh.vertices.size();
    result.mesh.vertices.insert(result.mesh.vertices.end(), mesh.vertices.begin(),
                                mesh.vertices.end());
    for (const auto& t : mesh.triangles) {
      result.mesh.triangles.push_back({t[0] + offset, t[1] + offset, t[2] + offset});
      result.faceOfTriangle.push_back(f);
    }
    for (const auto& e : mesh.border_edges) {
      edges.push_back({e.first + offset, e.second + offset, e.tag});
    }
    result.trianglesPerFace.push_back(mesh.triangles.size());
    if (!meshes[f].failure.empty())
      result.failedFaces.emplace_back(f, meshes[f].failure);
    result.emptyFaces += mesh.triangles.empty() ? 1 : 0;
    result.largestDeviation = std::max(result.largestDeviation, meshes[f].deviation);
    result.facesOverBudget += meshes[f].overBudget ? 1 : 0;
    result.postprocessSeconds += meshes[f].postprocessSeconds;
  }
}

// Passes the stitcher's cancellation polls on to the run's flag.
class MCancelDelegate : public Oxlen::Common::IProgressDelegate {
 public:
  explicit MCancelDelegate(const std::atomic<bool>& cancel) : m_cancel(cancel) {}
  void ReportProgress(double, const std::string&) override {}
  bool IsCancelled() override { return m_cancel.load(); }

 private:
  const std::atomic<bool>& m_cancel;
};

}  // namespace

double BorderBandWidth(double tolerance) {
  return 20.0 * tolerance;
}
double CornerDistance(double tolerance) {
  return 0.1 * tolerance;
}
double StitchTolerance(double tolerance, double largestEdgeTolerance) {
  return 4.0 * tolerance + 2.0 * largestEdgeTolerance;
}

MPipelineResult RunPipeline(const std::vector<MModelFace>& faces, const MPipelineSettings& settings,
                            MPipelineProgress& progress, const std::atomic<bool>& cancel) {
  MPipelineResult result;
  progress.faceCount = faces.size();
  // 1. Every face meshed on its own, in parallel.
  progress.stage = 1;
  auto start = Clock::now();
  const std::vector<MFaceMesh> meshes = MeshFaces(faces, settings, progress, cancel);
  result.meshSeconds = Since(start);
  if (cancel.load()) {
    result.cancelled = true;
    return result;
  }
  // 2. The faces gathered in face order.
  std::vector<geometry::edge_with_topology> edges;
  Gather(meshes, result, edges);
  // 3. Stitched along their paired fins.
  progress.stage = 2;
  start = Clock::now();
  if (settings.stitch) {
    const auto code =
        geometry::cad_stitch(result.mesh, result.faceOfTriangle, edges, settings.stitchTolerance,
                             std::make_shared<MCancelDelegate>(cancel));
    if (code == geometry::cad_stitch_return_code::cancelled) {
      result.cancelled = true;
      return result;
    }
  }
  result.stitchSeconds = Since(start);
  // 4. Checked.
  progress.stage = 3;
  result.check = geometry::check_stitched_surface(result.mesh, result.faceOfTriangle);
  return result;
}

}  // namespace oxlen_mesh
