#pragma once

// Small readers of the mesh files that oxlen-mesh writes, for its tests: just enough of each
// format to read back what the writers put in, and to fail loudly on anything else.

#include <array>
#include <cstddef>
#include <filesystem>
#include <vector>

namespace oxlen_mesh_testing {

/// A mesh as read back from a file.
struct MReadMesh {
  std::vector<std::array<double, 3>> vertices;
  std::vector<std::array<std::size_t, 3>> triangles;
  std::vector<std::size_t> faceOfTriangle;     ///< one per triangle; empty when the file has none
  std::vector<std::array<double, 3>> normals;  ///< per vertex; per triangle for STL; may be empty
};

/// Reads a binary STL file: three new vertices per triangle, its facet normal, no faces.
/// Throws std::runtime_error when the file is not binary STL of the size its count announces.
MReadMesh ReadBinaryStl(const std::filesystem::path& file);

/// Reads an ASCII STL file: three new vertices per facet, its facet normal, and the face id from
/// the name `face_<id>` of the solid that holds the facet. Throws std::runtime_error when a line
/// is not understood.
MReadMesh ReadAsciiStl(const std::filesystem::path& file);

/// Reads a Wavefront OBJ file of `v`, `vn`, `g face_<id>` and triangular `f` lines (`a` or
/// `a//n` corners, the normal index equal to the vertex index). Throws std::runtime_error on
/// anything else but comments.
MReadMesh ReadObj(const std::filesystem::path& file);

/// Reads a binary little-endian PLY file whose vertices have double x y z (and nx ny nz) and whose
/// faces have a `list uchar uint vertex_indices` of three and a `uint face_id`. Throws
/// std::runtime_error when the header or the size does not fit.
MReadMesh ReadPly(const std::filesystem::path& file);

/// Reads a .glb or .gltf file with tinygltf's loader: the POSITION and NORMAL accessors of the
/// first mesh's first primitive as the vertices and normals, and every primitive's indices as
/// triangles on the face named by its extras `face_id`. Throws std::runtime_error when the
/// loader fails or the file does not have that shape.
MReadMesh ReadGltf(const std::filesystem::path& file);

}  // namespace oxlen_mesh_testing
