#include "Oxlen/Cad/Import.h"

#include "import_shape.h"
#include "step_file.h"

namespace Oxlen::Cad {

const char* MCadImport::KindName(ESurfaceKind kind) {
  switch (kind) {
    case eSurfacePlane:
      return "plane";
    case eSurfaceCylinder:
      return "cylinder";
    case eSurfaceCone:
      return "cone";
    case eSurfaceSphere:
      return "sphere";
    case eSurfaceTorus:
      return "torus";
    case eSurfaceBSpline:
      return "bspline";
    case eSurfaceBezier:
      return "bezier";
    case eSurfaceRevolution:
      return "revolution";
    case eSurfaceExtrusion:
      return "extrusion";
    case eSurfaceOffset:
      return "offset";
    default:
      return "other";
  }
}

MCadImport::MModel MCadImport::Import(const std::filesystem::path& file) {
  const detail::MStepFile step = detail::ReadStepFile(file);
  MModel model = detail::ImportShape(step.shape, step.faceNames);
  model.report.fileUnit = step.lengthUnit;
  return model;
}

}  // namespace Oxlen::Cad
