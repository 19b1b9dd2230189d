#include "ply_writer.h"

#include <cstdint>
#include <string>

#include "little_endian.h"

namespace oxlen_mesh {
namespace {

std::string Header(const MOutputMesh& mesh) {
  std::string header = "ply\nformat binary_little_endian 1.0\ncomment written by oxlen-mesh\n";
  header += "element vertex " + std::to_string(mesh.mesh.vertices.size()) + '\n';
  header += "property double x\nproperty double y\nproperty double z\n";
  if (mesh.normals)
    header += "property double nx\nproperty double ny\nproperty double nz\n";
  header += "element face " + std::to_string(mesh.mesh.triangles.size()) + '\n';
  header += "property list uchar uint vertex_indices\nproperty uint face_id\nend_header\n";
  return header;
}

void PutDoubles(std::ostream& out, const Oxlen::Math::point<double, 3>& p) {
  for (int k = 0; k < 3; ++k)
    PutLittleEndian<double>(out, p[k]);
}

}  // namespace

void WritePly(const MOutputMesh& mesh, std::ostream& out) {
  out << Header(mesh);
  const auto& vertices = mesh.mesh.vertices;
  for (std::size_t v = 0; v < vertices.size(); ++v) {
    PutDoubles(out, vertices[v]);
    if (mesh.normals)
      PutDoubles(out, (*mesh.normals)[v]);
  }
  const auto& triangles = mesh.mesh.triangles;
  for (std::size_t t = 0; t < triangles.size(); ++t) {
    PutLittleEndian<std::uint8_t>(out, 3);
    for (const std::size_t v : triangles[t])
      PutLittleEndian<std::uint32_t>(out, static_cast<std::uint32_t>(v));
    PutLittleEndian<std::uint32_t>(out, static_cast<std::uint32_t>(mesh.faceOfTriangle[t]));
  }
}

}  // namespace oxlen_mesh
