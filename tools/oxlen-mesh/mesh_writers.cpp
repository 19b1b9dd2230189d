#include "mesh_writers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace oxlen_mesh {
namespace {

using Oxlen::Geometry::triangle_surface;

std::string Extension(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
    return {};
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

// Binary formats are little-endian; this writes the bytes of a value in that order whatever the
// host's byte order.
template <class T>
void PutLittleEndian(std::ostream& out, T value) {
  unsigned char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  if constexpr (std::endian::native == std::endian::big)
    std::reverse(bytes, bytes + sizeof(T));
  out.write(reinterpret_cast<const char*>(bytes), sizeof(T));
}

void WriteStl(const triangle_surface& mesh, std::ostream& out) {
  char header[80] = "binary STL written by oxlen-mesh";
  out.write(header, sizeof(header));
  PutLittleEndian<std::uint32_t>(out, static_cast<std::uint32_t>(mesh.triangles.size()));
  for (const auto& t : mesh.triangles) {
    const auto& a = mesh.vertices[t[0]];
    const auto& b = mesh.vertices[t[1]];
    const auto& c = mesh.vertices[t[2]];
    const auto n = Oxlen::Math::normalized(cross(b - a, c - a));
    for (int k = 0; k < 3; ++k)
      PutLittleEndian<float>(out, static_cast<float>(n[k]));
    for (const auto* p : {&a, &b, &c})
      for (int k = 0; k < 3; ++k)
        PutLittleEndian<float>(out, static_cast<float>((*p)[k]));
    PutLittleEndian<std::uint16_t>(out, 0);
  }
}

void WriteObj(const triangle_surface& mesh, std::ostream& out) {
  out.precision(17);
  out << "# written by oxlen-mesh\n";
  for (const auto& v : mesh.vertices)
    out << "v " << v[0] << ' ' << v[1] << ' ' << v[2] << '\n';
  for (const auto& t : mesh.triangles)
    out << "f " << t[0] + 1 << ' ' << t[1] + 1 << ' ' << t[2] + 1 << '\n';
}

void WritePly(const triangle_surface& mesh, std::ostream& out) {
  out << "ply\nformat binary_little_endian 1.0\ncomment written by oxlen-mesh\n"
      << "element vertex " << mesh.vertices.size() << "\n"
      << "property double x\nproperty double y\nproperty double z\n"
      << "element face " << mesh.triangles.size() << "\n"
      << "property list uchar uint vertex_indices\nend_header\n";
  for (const auto& v : mesh.vertices)
    for (int k = 0; k < 3; ++k)
      PutLittleEndian<double>(out, v[k]);
  for (const auto& t : mesh.triangles) {
    PutLittleEndian<std::uint8_t>(out, 3);
    for (std::size_t i : t)
      PutLittleEndian<std::uint32_t>(out, static_cast<std::uint32_t>(i));
  }
}

}  // namespace

bool IsSupportedMeshPath(const std::string& path) {
  const std::string ext = Extension(path);
  return ext == "stl" || ext == "obj" || ext == "ply";
}

void WriteMesh(const triangle_surface& mesh, const std::string& path) {
  const std::string ext = Extension(path);
  if (!IsSupportedMeshPath(path))
    throw std::runtime_error("unknown mesh format '" + ext + "' (use .stl, .obj or .ply)");
  std::ofstream out(path, std::ios::binary);
  if (!out)
    throw std::runtime_error("cannot open '" + path + "' for writing");
  if (ext == "stl")
    WriteStl(mesh, out);
  else if (ext == "obj")
    WriteObj(mesh, out);
  else
    WritePly(mesh, out);
  out.flush();
  if (!out)
    throw std::runtime_error("cannot write '" + path + "'");
}

}  // namespace oxlen_mesh
