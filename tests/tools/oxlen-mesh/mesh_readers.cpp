#include "mesh_readers.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>

namespace oxlen_mesh_testing {
namespace {

std::string Contents(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot read " + file.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Reads a little-endian value at `offset` of `bytes` and moves the offset past it.
template <class T>
T Take(const std::string& bytes, std::size_t& offset) {
  if (offset + sizeof(T) > bytes.size())
    throw std::runtime_error("file ends early");
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof(T));
  offset += sizeof(T);
  return value;
}

std::array<double, 3> TakeFloats(const std::string& bytes, std::size_t& offset) {
  std::array<double, 3> p{};
  for (double& c : p)
    c = Take<float>(bytes, offset);
  return p;
}

std::array<double, 3> ReadTriple(std::istringstream& line) {
  std::array<double, 3> p{};
  if (!(line >> p[0] >> p[1] >> p[2]))
    throw std::runtime_error("a line lacks three numbers");
  return p;
}

// The id in a name `face_<id>`.
std::size_t FaceId(const std::string& name) {
  if (name.rfind("face_", 0) != 0)
    throw std::runtime_error("unexpected face name '" + name + "'");
  return std::stoul(name.substr(5));
}

// Adds a triangle of three new vertices.
void AddLooseTriangle(MReadMesh& mesh, const std::array<std::array<double, 3>, 3>& corners) {
  const std::size_t first = mesh.vertices.size();
  mesh.vertices.insert(mesh.vertices.end(), corners.begin(), corners.end());
  mesh.triangles.push_back({first, first + 1, first + 2});
}

// The vertex index of an OBJ corner `a` or `a//n`, checking that n names the same index.
std::size_t ObjCorner(const std::string& corner) {
  const std::size_t slashes = corner.find("//");
  const std::size_t v = std::stoul(corner.substr(0, slashes));
  if (slashes != std::string::npos && std::stoul(corner.substr(slashes + 2)) != v)
    throw std::runtime_error("normal index differs from vertex index");
  return v - 1;
}

}  // namespace

MReadMesh ReadBinaryStl(const std::filesystem::path& file) {
  const std::string bytes = Contents(file);
  std::size_t offset = 80;
  const auto count = Take<std::uint32_t>(bytes, offset);
  if (bytes.size() != 84 + 50 * std::size_t{count})
    throw std::runtime_error("binary STL of the wrong size");
  MReadMesh mesh;
  for (std::uint32_t t = 0; t < count; ++t) {
    mesh.normals.push_back(TakeFloats(bytes, offset));
    std::array<std::array<double, 3>, 3> corners;
    for (auto& c : corners)
      c = TakeFloats(bytes, offset);
    AddLooseTriangle(mesh, corners);
    if (Take<std::uint16_t>(bytes, offset) != 0)
      throw std::runtime_error("non-zero attribute word");
  }
  return mesh;
}

MReadMesh ReadAsciiStl(const std::filesystem::path& file) {
  std::istringstream text(Contents(file));
  MReadMesh mesh;
  std::size_t face = 0;
  std::array<std::array<double, 3>, 3> corners;
  std::size_t corner = 0;
  for (std::string line; std::getline(text, line);) {
    std::istringstream words(line);
    std::string keyword, name;
    words >> keyword;
    if (keyword == "solid" && words >> name) {
      face = name == "mesh" ? 0 : FaceId(name);
    } else if (keyword == "facet" && words >> name && name == "normal") {
      mesh.normals.push_back(ReadTriple(words));
      corner = 0;
    } else if (keyword == "vertex" && corner < 3) {
      corners[corner++] = ReadTriple(words);
    } else if (keyword == "endloop" && corner == 3) {
      AddLooseTriangle(mesh, corners);
      mesh.faceOfTriangle.push_back(face);
    } else if (keyword != "outer" && keyword != "endfacet" && keyword != "endsolid") {
      throw std::runtime_error("unexpected ASCII STL line '" + line + "'");
    }
  }
  return mesh;
}

MReadMesh ReadObj(const std::filesystem::path& file) {
  std::istringstream text(Contents(file));
  MReadMesh mesh;
  std::size_t face = 0;
  for (std::string line; std::getline(text, line);) {
    std::istringstream words(line);
    std::string keyword, name, a, b, c;
    words >> keyword;
    if (keyword == "v") {
      mesh.vertices.push_back(ReadTriple(words));
    } else if (keyword == "vn") {
      mesh.normals.push_back(ReadTriple(words));
    } else if (keyword == "g" && words >> name) {
      face = FaceId(name);
    } else if (keyword == "f" && words >> a >> b >> c && !(words >> name)) {
      mesh.triangles.push_back({ObjCorner(a), ObjCorner(b), ObjCorner(c)});
      mesh.faceOfTriangle.push_back(face);
    } else if (!keyword.empty() && keyword[0] != '#') {
      throw std::runtime_error("unexpected OBJ line '" + line + "'");
    }
  }
  return mesh;
}

MReadMesh ReadPly(const std::filesystem::path& file) {
  const std::string bytes = Contents(file);
  const std::size_t end = bytes.find("end_header\n");
  if (bytes.rfind("ply\nformat binary_little_endian 1.0\n", 0) != 0 || end == std::string::npos)
    throw std::runtime_error("not a binary little-endian PLY file");
  const std::string header = bytes.substr(0, end);
  std::size_t vertices = 0, faces = 0;
  std::istringstream lines(header);
  for (std::string line; std::getline(lines, line);) {
    std::sscanf(line.c_str(), "element vertex %zu", &vertices);
    std::sscanf(line.c_str(), "element face %zu", &faces);
  }
  const bool normals =
      header.find("property double nx\nproperty double ny\nproperty double nz\n") !=
      std::string::npos;
  if (header.find("property list uchar uint vertex_indices\nproperty uint face_id\n") ==
      std::string::npos)
    throw std::runtime_error("PLY faces without vertex_indices and face_id");
  MReadMesh mesh;
  std::size_t offset = end + 11;
  for (std::size_t v = 0; v < vertices; ++v) {
    mesh.vertices.push_back(
        {Take<double>(bytes, offset), Take<double>(bytes, offset), Take<double>(bytes, offset)});
    if (normals)
      mesh.normals.push_back(
          {Take<double>(bytes, offset), Take<double>(bytes, offset), Take<double>(bytes, offset)});
  }
  for (std::size_t f = 0; f < faces; ++f) {
    if (Take<std::uint8_t>(bytes, offset) != 3)
      throw std::runtime_error("a PLY face that is not a triangle");
    std::array<std::size_t, 3> triangle{};
    for (std::size_t& v : triangle)
      v = Take<std::uint32_t>(bytes, offset);
    mesh.triangles.push_back(triangle);
    mesh.faceOfTriangle.push_back(Take<std::uint32_t>(bytes, offset));
  }
  if (offset != bytes.size())
    throw std::runtime_error("PLY file longer than its header says");
  return mesh;
}

}  // namespace oxlen_mesh_testing
