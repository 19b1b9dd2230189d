#include "imported_faces.h"

#include <algorithm>

namespace oxlen_mesh {

std::vector<MModelFace> PipelineFaces(const Oxlen::Cad::MCadImport::MModel& model) {
  std::vector<MModelFace> faces;
  for (const auto& face : model.faces)
    faces.push_back({&face.face, face.finTags});
  return faces;
}

MPipelineSettings PipelineSettings(const Oxlen::Cad::MCadImport::MModel& model, double tolerance) {
  double fileTolerance = 0.0;
  for (const auto& face : model.faces)
    fileTolerance = std::max(fileTolerance, face.tolerance);
  MPipelineSettings settings;
  settings.tolerance = tolerance;
  settings.stitchTolerance = StitchTolerance(tolerance, fileTolerance);
  return settings;
}

}  // namespace oxlen_mesh
