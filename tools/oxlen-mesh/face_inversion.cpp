#include "face_inversion.h"

#include "Oxlen/CadEntity/internal_units.h"

namespace oxlen_mesh {
namespace {

using Oxlen::CadEntity::kInternalUnitsPerModelUnit;
// Inversion is asked to be far more precise than any tolerance a mesh is made with.
constexpr double kInversionTolerance = 1e-9;

}  // namespace

std::vector<Oxlen::Math::point<double, 2>> InvertOntoFace(
    const MCADFace& face, const std::vector<Oxlen::Math::point<double, 3>>& points) {
  const MMTransformMatrix& placement = face.GetTransformationMatrix();
  std::vector<Oxlen::Math::point<double, 3>> local;
  local.reserve(points.size());
  for (Oxlen::Math::point<double, 3> p : points) {
    placement.InverseTransform(p, false);
    local.push_back(p * kInternalUnitsPerModelUnit);
  }
  return face.GetSurface()->InvertPoints(local, kInversionTolerance * kInternalUnitsPerModelUnit);
}

}  // namespace oxlen_mesh
