#pragma once

#include <atomic>
#include <cstddef>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <Oxlen/Cad/Triangulation.h>

namespace oxlen_mesh {

/// One face of a model to mesh, with the fin tags that pair it with its neighbours.
struct MModelFace {
  const MCADFace* face = nullptr;
  std::vector<int> finTags;
};

/// How the faces are meshed and joined.
struct MPipelineSettings {
  /// Chordal tolerance (model units).
  double tolerance = 0.01;
  double maxEdgeLength = std::numeric_limits<double>::infinity();
  std::size_t maxQuads = 200000;
  /// Worker threads; 0 takes every core.
  std::size_t threads = 0;
  /// Improve the border of each face mesh (flip long edges, split long border triangles).
  bool improve = true;
  /// Zip the faces into one surface along their paired fins.
  bool stitch = true;
  /// Measure each face mesh's deviation from its exact surface (on up to 256 triangles a face).
  bool measureDeviation = true;
  /// The largest distance at which the two fins of one model edge still count as one edge.
  double stitchTolerance = 0.02;
};

/// The width of the border band within which the post-processing wants a vertex on every mesh
/// edge that runs into the face: twenty chordal tolerances, so that triangles along the border
/// reach no deeper than that into the face.
double BorderBandWidth(double tolerance);
/// The distance below which a sliver corner on the border (not a model vertex) is removed: a tenth
/// of the chordal tolerance, so that the border moves by far less than the tolerance.
double CornerDistance(double tolerance);
/// The stitching tolerance: four chordal tolerances and twice the file's largest edge tolerance.
/// The border polylines of the two faces along an edge keep the middles of their chords within the
/// chordal tolerance of the edge, and around tight bends stray up to a few tolerances apart; the
/// file lets the two p-curves of an edge differ by its edge tolerance.
double StitchTolerance(double tolerance, double largestEdgeTolerance);

/// What the run is doing, for a progress display; read from any thread.
struct MPipelineProgress {
  std::atomic<std::size_t> facesDone{0};
  std::atomic<std::size_t> faceCount{0};
  std::atomic<int> stage{0};  ///< index into kStageNames
};
inline constexpr const char* kStageNames[] = {"import", "triangulate", "stitch",
                                              "check",  "write",       "done"};

/// The meshed model.
struct MPipelineResult {
  Oxlen::Geometry::triangle_surface mesh;
  /// The index (in the input list) of the face each triangle comes from.
  std::vector<std::size_t> faceOfTriangle;
  /// Triangles per face after the post-processing, and faces that came out empty.
  std::vector<std::size_t> trianglesPerFace;
  std::size_t emptyFaces = 0;
  /// Faces (by index in the input list) that could not be meshed, with the reason; they count as
  /// empty faces too.
  std::vector<std::pair<std::size_t, std::string>> failedFaces;
  /// The largest distance measured between a face mesh and its exact surface (model units).
  double largestDeviation = 0.0;
  /// Faces whose refinement stopped at the quad budget before the tolerance was met.
  std::size_t facesOverBudget = 0;
  geometry::stitched_surface_report check;
  bool cancelled = false;
  /// Seconds spent meshing the faces (triangulation, post-processing, measuring; wall time),
  /// post-processing alone (summed over the faces), stitching and checking.
  double meshSeconds = 0.0;
  double postprocessSeconds = 0.0;
  double stitchSeconds = 0.0;
};

/// Meshes every face (in parallel, each face on its own, the results gathered in face order so
/// that the output does not depend on the thread count), improves its border, measures its
/// deviation from the exact surface, gathers all faces into one surface and stitches them along
/// their paired fins, then checks the result.
/// @param[in]     faces    the faces; their surfaces must outlive the call.
/// @param[in]     settings see `MPipelineSettings`.
/// @param[out]    progress counters for a display.
/// @param[in]     cancel   raised from outside (Ctrl-C) to stop the run as soon as it can.
/// @return the mesh; `cancelled` when the flag was raised (the mesh is then incomplete).
MPipelineResult RunPipeline(const std::vector<MModelFace>& faces, const MPipelineSettings& settings,
                            MPipelineProgress& progress, const std::atomic<bool>& cancel);

}  // namespace oxlen_mesh
