#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <Oxlen/Cad/Triangulation.h>

namespace oxlen_mesh {

/// Everything a run of the tool reports on a model, on the terminal and as JSON.
struct MMeshReport {
  std::string model;
  std::string fileUnit;
  double diagonal = 0.0;
  double tolerance = 0.0;
  double stitchTolerance = 0.0;
  std::size_t threads = 0;
  /// Faces per surface kind as the file gives them.
  std::vector<std::pair<std::string, std::size_t>> facesByKind;
  std::size_t faces = 0;
  /// Faces lost in the import, with the reason.
  struct MLostFace {
    std::size_t index = 0;
    std::string kind;
    std::string reason;
  };
  std::vector<MLostFace> lostFaces;
  /// Faces that meshed to nothing, and faces whose quad budget stopped the refinement.
  std::size_t emptyFaces = 0;
  std::size_t facesOverBudget = 0;
  std::size_t triangles = 0;
  std::size_t vertices = 0;
  /// Seconds per stage.
  double importSeconds = 0.0;
  double triangulateSeconds = 0.0;
  double postprocessSeconds = 0.0;
  double stitchSeconds = 0.0;
  double writeSeconds = 0.0;
  double largestDeviation = 0.0;
  geometry::stitched_surface_report check;
  /// The mesh's enclosed volume and the exact volume of the model's closed solids (0 when it
  /// has none).
  double meshVolume = 0.0;
  double exactVolume = 0.0;
  std::vector<std::string> outputs;
};

/// The signed volume a closed triangle surface encloses (positive when its triangles face
/// outwards).
double EnclosedVolume(const Oxlen::Geometry::triangle_surface& mesh);

/// Prints the report for a reader.
void PrintReport(const MMeshReport& report, std::FILE* out);

/// Writes the report as JSON.
/// @throws std::runtime_error when the file cannot be written.
void WriteReportJson(const MMeshReport& report, const std::string& path);

}  // namespace oxlen_mesh
