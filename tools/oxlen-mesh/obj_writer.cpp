#include "obj_writer.h"

#include <string>

#include "face_groups.h"
#include "number_text.h"

namespace oxlen_mesh {
namespace {

void AppendPoints(std::string& text, const char* keyword,
                  const std::vector<Oxlen::Math::point<double, 3>>& points) {
  for (const auto& p : points) {
    text += keyword;
    for (int k = 0; k < 3; ++k) {
      text += ' ';
      AppendNumber(text, p[k]);
    }
    text += '\n';
  }
}

void AppendTriangle(std::string& text, const std::array<std::size_t, 3>& triangle,
                    bool withNormals) {
  text += 'f';
  for (const std::size_t v : triangle) {
    const std::string index = std::to_string(v + 1);
    text += ' ' + index;
    if (withNormals)
      text += "//" + index;
  }
  text += '\n';
}

}  // namespace

void WriteObj(const MOutputMesh& mesh, std::ostream& out) {
  std::string text = "# written by oxlen-mesh\n";
  AppendPoints(text, "v", mesh.mesh.vertices);
  if (mesh.normals)
    AppendPoints(text, "vn", *mesh.normals);
  out << text;
  for (const MFaceTriangles& group : TrianglesByFace(mesh.faceOfTriangle)) {
    text = "g face_" + std::to_string(group.face) + '\n';
    for (const std::size_t t : group.triangles)
      AppendTriangle(text, mesh.mesh.triangles[t], mesh.normals != nullptr);
    out << text;
  }
}

}  // namespace oxlen_mesh
