#include "stl_writer.h"

#include <cstdint>
#include <string>

#include "face_groups.h"
#include "little_endian.h"
#include "number_text.h"

namespace oxlen_mesh {
namespace {

using Point = Oxlen::Math::point<double, 3>;

Point FacetNormal(const Oxlen::Geometry::triangle_surface& mesh, std::size_t t) {
  const auto& [a, b, c] = mesh.triangles[t];
  const Point& p = mesh.vertices[a];
  return Oxlen::Math::normalized(cross(mesh.vertices[b] - p, mesh.vertices[c] - p));
}

void PutFloats(std::ostream& out, const Point& p) {
  for (int k = 0; k < 3; ++k)
    PutLittleEndian<float>(out, static_cast<float>(p[k]));
}

void AppendTriple(std::string& text, const char* keyword, const Point& p) {
  text += keyword;
  for (int k = 0; k < 3; ++k) {
    text += ' ';
    AppendNumber(text, p[k]);
  }
  text += '\n';
}

void AppendFacet(std::string& text, const Oxlen::Geometry::triangle_surface& mesh, std::size_t t) {
  AppendTriple(text, "  facet normal", FacetNormal(mesh, t));
  text += "    outer loop\n";
  for (const std::size_t v : mesh.triangles[t])
    AppendTriple(text, "      vertex", mesh.vertices[v]);
  text += "    endloop\n  endfacet\n";
}

}  // namespace

void WriteBinaryStl(const MOutputMesh& mesh, std::ostream& out) {
  char header[80] = "binary STL written by oxlen-mesh";
  out.write(header, sizeof(header));
  const auto& triangles = mesh.mesh.triangles;
  PutLittleEndian<std::uint32_t>(out, static_cast<std::uint32_t>(triangles.size()));
  for (std::size_t t = 0; t < triangles.size(); ++t) {
    PutFloats(out, FacetNormal(mesh.mesh, t));
    for (const std::size_t v : triangles[t])
      PutFloats(out, mesh.mesh.vertices[v]);
    PutLittleEndian<std::uint16_t>(out, 0);
  }
}

void WriteAsciiStl(const MOutputMesh& mesh, std::ostream& out) {
  const auto groups = TrianglesByFace(mesh.faceOfTriangle);
  if (groups.empty())
    out << "solid mesh\nendsolid mesh\n";
  for (const MFaceTriangles& group : groups) {
    const std::string name = "face_" + std::to_string(group.face);
    std::string text = "solid " + name + '\n';
    for (const std::size_t t : group.triangles)
      AppendFacet(text, mesh.mesh, t);
    text += "endsolid " + name + '\n';
    out << text;
  }
}

}  // namespace oxlen_mesh
