#include "surface_normals.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "face_inversion.h"

namespace oxlen_mesh {
namespace {

using P3 = Oxlen::Math::point<double, 3>;

// The surface's unit normal at uv, turned to the face's outward side, in model space; the zero
// vector where the surface's derivatives vanish.
P3 FaceNormal(const MCADFace& face, const Oxlen::Math::point<double, 2>& uv) {
  const MCADUVSurface& surface = *face.GetSurface();
  const MMTransformMatrix& placement = face.GetTransformationMatrix();
  // Central differences, a millionth of the parameter range across, kept within the limits.
  const auto& u = surface.GetExtremesUV(eInU);
  const auto& v = surface.GetExtremesUV(eInV);
  const double hu = 1e-6 * (u.GetMax() - u.GetMin());
  const double hv = 1e-6 * (v.GetMax() - v.GetMin());
  const double u0 = std::max(u.GetMin(), uv[0] - hu);
  const double u1 = std::min(u.GetMax(), uv[0] + hu);
  const double v0 = std::max(v.GetMin(), uv[1] - hv);
  const double v1 = std::min(v.GetMax(), uv[1] + hv);
  P3 a, b, c, d;
  surface.EvaluatePoint({u0, uv[1]}, a);
  surface.EvaluatePoint({u1, uv[1]}, b);
  surface.EvaluatePoint({uv[0], v0}, c);
  surface.EvaluatePoint({uv[0], v1}, d);
  P3 normal = cross(b - a, d - c);
  if (face.GetOrientation() == eFaceOrientationReversed)
    normal = normal * -1.0;
  placement.Transform(normal, true);
  const double length = Oxlen::Math::length(normal);
  return length > 0.0 && std::isfinite(length) ? normal / length : P3{0, 0, 0};
}

}  // namespace

std::vector<P3> ExactVertexNormals(const Oxlen::Geometry::triangle_surface& mesh,
                                   const std::vector<std::size_t>& faceOfTriangle,
                                   const std::vector<const MCADFace*>& faces) {
  const std::size_t none = std::numeric_limits<std::size_t>::max();
  std::vector<std::size_t> faceOfVertex(mesh.vertices.size(), none);
  std::vector<P3> weighted(mesh.vertices.size(), P3{0, 0, 0});
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
    const auto& tri = mesh.triangles[t];
    const P3 n = cross(mesh.vertices[tri[1]] - mesh.vertices[tri[0]],
                       mesh.vertices[tri[2]] - mesh.vertices[tri[0]]);
    for (const std::size_t v : tri) {
      if (faceOfVertex[v] == none)
        faceOfVertex[v] = faceOfTriangle[t];
      weighted[v] += n;
    }
  }
  // The vertices of each face, inverted onto its surface together.
  std::vector<std::vector<std::size_t>> verticesOfFace(faces.size());
  for (std::size_t v = 0; v < mesh.vertices.size(); ++v)
    if (faceOfVertex[v] != none)
      verticesOfFace[faceOfVertex[v]].push_back(v);
  std::vector<P3> normals(mesh.vertices.size(), P3{0, 0, 0});
  for (std::size_t f = 0; f < faces.size(); ++f) {
    std::vector<P3> points;
    points.reserve(verticesOfFace[f].size());
    for (std::size_t v : verticesOfFace[f])
      points.push_back(mesh.vertices[v]);
    const auto uvs = InvertOntoFace(*faces[f], points);
    for (std::size_t k = 0; k < uvs.size(); ++k)
      normals[verticesOfFace[f][k]] = FaceNormal(*faces[f], uvs[k]);
  }
  for (std::size_t v = 0; v < normals.size(); ++v)
    if (normals[v] == P3{0, 0, 0})
      normals[v] = Oxlen::Math::normalized(weighted[v]);
  return normals;
}

}  // namespace oxlen_mesh
