#include "surface_deviation.h"

#include <algorithm>

#include "Oxlen/CadEntity/internal_units.h"

namespace oxlen_mesh {
namespace {

using P3 = Oxlen::Math::point<double, 3>;
using Oxlen::CadEntity::kInternalUnitsPerModelUnit;
// Inversion is asked to be far more precise than any tolerance a mesh is made with.
constexpr double kInversionTolerance = 1e-9;

// Distance from a model-space point to the face's surface.
double DistanceToSurface(const MCADFace& face, const P3& p) {
  const MCADUVSurface& surface = *face.GetSurface();
  const MMTransformMatrix& placement = face.GetTransformationMatrix();
  P3 local = p;
  placement.InverseTransform(local, false);
  const auto uv = surface.InvertPoint(local * kInternalUnitsPerModelUnit,
                                      kInversionTolerance * kInternalUnitsPerModelUnit);
  P3 onSurface;
  surface.EvaluatePoint(uv, onSurface);
  placement.Transform(onSurface /= kInternalUnitsPerModelUnit, false);
  return Oxlen::Math::distance(p, onSurface);
}

}  // namespace

double MeasureSurfaceDeviation(const MCADFace& face, const Oxlen::Geometry::triangle_surface& mesh,
                               std::size_t maxTriangles) {
  const std::size_t count = mesh.triangles.size();
  const std::size_t stride =
      maxTriangles == 0 ? count + 1
                        : std::max<std::size_t>(1, (count + maxTriangles - 1) / maxTriangles);
  double worst = 0.0;
  for (std::size_t i = 0; i < count; i += stride) {
    const auto& t = mesh.triangles[i];
    const P3& a = mesh.vertices[t[0]];
    const P3& b = mesh.vertices[t[1]];
    const P3& c = mesh.vertices[t[2]];
    for (const P3& sample : {(a + b + c) / 3.0, (a + b) * 0.5, (b + c) * 0.5, (c + a) * 0.5})
      worst = std::max(worst, DistanceToSurface(face, sample));
  }
  return worst;
}

}  // namespace oxlen_mesh
