#include "surface_deviation.h"

#include <algorithm>
#include <vector>

#include "Oxlen/CadEntity/internal_units.h"
#include "face_inversion.h"

namespace oxlen_mesh {
namespace {

using P3 = Oxlen::Math::point<double, 3>;
using Oxlen::CadEntity::kInternalUnitsPerModelUnit;

// The distances from model-space points to the face's surface, the points inverted all at once.
std::vector<double> DistancesToSurface(const MCADFace& face, const std::vector<P3>& points) {
  const MCADUVSurface& surface = *face.GetSurface();
  const MMTransformMatrix& placement = face.GetTransformationMatrix();
  const auto uvs = InvertOntoFace(face, points);
  std::vector<double> distances;
  distances.reserve(points.size());
  for (std::size_t k = 0; k < points.size(); ++k) {
    P3 onSurface;
    surface.EvaluatePoint(uvs[k], onSurface);
    placement.Transform(onSurface /= kInternalUnitsPerModelUnit, false);
    distances.push_back(Oxlen::Math::distance(points[k], onSurface));
  }
  return distances;
}

}  // namespace

double MeasureSurfaceDeviation(const MCADFace& face, const Oxlen::Geometry::triangle_surface& mesh,
                               std::size_t maxTriangles) {
  const std::size_t count = mesh.triangles.size();
  const std::size_t stride =
      maxTriangles == 0 ? count + 1
                        : std::max<std::size_t>(1, (count + maxTriangles - 1) / maxTriangles);
  std::vector<P3> samples;
  for (std::size_t i = 0; i < count; i += stride) {
    const auto& t = mesh.triangles[i];
    const P3& a = mesh.vertices[t[0]];
    const P3& b = mesh.vertices[t[1]];
    const P3& c = mesh.vertices[t[2]];
    for (const P3& sample : {(a + b + c) / 3.0, (a + b) * 0.5, (b + c) * 0.5, (c + a) * 0.5})
      samples.push_back(sample);
  }
  double worst = 0.0;
  for (double distance : DistancesToSurface(face, samples))
    worst = std::max(worst, distance);
  return worst;
}

}  // namespace oxlen_mesh
