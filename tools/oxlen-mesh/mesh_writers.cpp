#include "mesh_writers.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "atomic_file.h"
#include "gltf_writer.h"
#include "obj_writer.h"
#include "ply_writer.h"
#include "stl_writer.h"

namespace oxlen_mesh {
namespace {

using Oxlen::Geometry::triangle_surface;

void Stl(const MOutputMesh& mesh, const MWriteOptions& options, std::ostream& out) {
  if (options.asciiStl)
    WriteAsciiStl(mesh, out);
  else
    WriteBinaryStl(mesh, out);
}

void Obj(const MOutputMesh& mesh, const MWriteOptions&, std::ostream& out) {
  WriteObj(mesh, out);
}

void Ply(const MOutputMesh& mesh, const MWriteOptions&, std::ostream& out) {
  WritePly(mesh, out);
}

void Glb(const MOutputMesh& mesh, const MWriteOptions&, std::ostream& out) {
  WriteGltf(mesh, out, true);
}

void Gltf(const MOutputMesh& mesh, const MWriteOptions&, std::ostream& out) {
  WriteGltf(mesh, out, false);
}

// The formats by extension, each with its writer.
struct Format {
  const char* extension;
  void (*write)(const MOutputMesh&, const MWriteOptions&, std::ostream&);
};

constexpr Format kFormats[] = {
    {"stl", Stl}, {"obj", Obj}, {"ply", Ply}, {"glb", Glb}, {"gltf", Gltf}};

std::string Extension(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
    return {};
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

const Format* FindFormat(const std::string& path) {
  const std::string ext = Extension(path);
  for (const Format& format : kFormats)
    if (ext == format.extension)
      return &format;
  return nullptr;
}

// The binary formats count and index with 32 bits, and glTF keeps face ids as JSON integers.
void CheckOutputMesh(const MOutputMesh& m) {
  constexpr std::size_t kMaxCount = std::numeric_limits<std::uint32_t>::max();
  const std::size_t vertices = m.mesh.vertices.size();
  if (vertices > kMaxCount || m.mesh.triangles.size() > kMaxCount)
    throw std::invalid_argument("mesh too large: 2^32 vertices or triangles or more");
  if (m.faceOfTriangle.size() != m.mesh.triangles.size())
    throw std::invalid_argument("the face ids do not match the triangles one to one");
  if (m.normals && m.normals->size() != vertices)
    throw std::invalid_argument("the normals do not match the vertices one to one");
  for (const auto& triangle : m.mesh.triangles)
    for (const std::size_t v : triangle)
      if (v >= vertices)
        throw std::invalid_argument("a triangle names a vertex that does not exist");
  for (const std::size_t face : m.faceOfTriangle)
    if (face > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
      throw std::invalid_argument("face id " + std::to_string(face) + " is 2^31 or more");
}

}  // namespace

bool IsSupportedMeshPath(const std::string& path) {
  return FindFormat(path) != nullptr;
}

void WriteMesh(const MOutputMesh& mesh, const std::string& path, const MWriteOptions& options) {
  const Format* format = FindFormat(path);
  if (!format)
    throw std::runtime_error("cannot write '" + path + "': unknown mesh format '" +
                             Extension(path) + "' (use .stl, .obj, .ply, .glb or .gltf)");
  CheckOutputMesh(mesh);
  WriteFileAtomically(path, [&](std::ostream& out) {
    try {
      format->write(mesh, options, out);
    } catch (const std::runtime_error& e) {
      throw std::runtime_error("cannot write '" + path + "': " + e.what());
    }
  });
}

void WriteMesh(const triangle_surface& mesh, const std::string& path) {
  const std::vector<std::size_t> faceOfTriangle(mesh.triangles.size(), 0);
  WriteMesh(MOutputMesh{mesh, faceOfTriangle}, path);
}

}  // namespace oxlen_mesh
