#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <Oxlen/Cad/Triangulation.h>

namespace oxlen_mesh {

/// A mesh to write, with the CAD face each triangle belongs to and, optionally, a normal per
/// vertex. It refers to the caller's data, which must outlive it.
struct MOutputMesh {
  /// The vertices and triangles (counter-clockwise seen from the front).
  const Oxlen::Geometry::triangle_surface& mesh;
  /// faceOfTriangle[t] is the id of the face that triangle t belongs to; one entry per triangle,
  /// ids below 2^31. Ids need not be contiguous; they are written as they are.
  const std::vector<std::size_t>& faceOfTriangle;
  /// When given, (*normals)[v] is the unit normal at vertex v; one entry per vertex.
  const std::vector<Oxlen::Math::point<double, 3>>* normals = nullptr;
};

/// Choices of the formats that have them.
struct MWriteOptions {
  bool asciiStl = false;  ///< `.stl` as ASCII text rather than binary
};

/// Writes `mesh` to `path` in the format its extension names (case-insensitive), keeping the
/// faces apart:
/// - `.stl`: binary STL by default, facet normals from the triangles' corners; it has no room
///   for faces. With options.asciiStl, ASCII STL with one `solid face_<id>` per face.
/// - `.obj`: Wavefront OBJ, the vertices shared, one group `g face_<id>` per face, `vn` normals
///   when given.
/// - `.ply`: binary little-endian PLY, vertex normals `nx ny nz` when given, and a face property
///   `face_id` per triangle.
/// - `.glb` / `.gltf`: glTF 2.0, binary or JSON with the buffer embedded: one mesh with one
///   triangle primitive per face (extras `face_id`) over one shared vertex buffer (POSITION, and
///   NORMAL when given; 32-bit floats), 32-bit indices.
/// Faces come in ascending order of id, the triangles of a face in mesh order. The same input
/// gives the same bytes. The file appears complete or not at all: it is written next to `path`
/// and renamed over it at the end, so a failure leaves any previous file untouched.
/// @throws std::invalid_argument when faceOfTriangle or normals have the wrong size, a triangle
///         names a missing vertex, a face id is 2^31 or more, or there are 2^32 vertices or
///         triangles or more.
/// @throws std::runtime_error, one line naming `path`, when the extension is unknown or the file
///         cannot be written.
void WriteMesh(const MOutputMesh& mesh, const std::string& path, const MWriteOptions& options = {});

/// Writes `mesh` as WriteMesh does, every triangle on face 0 and without normals.
void WriteMesh(const Oxlen::Geometry::triangle_surface& mesh, const std::string& path);

/// True when `path` ends with an extension that `WriteMesh` knows: .stl, .obj, .ply, .glb or
/// .gltf, in any case.
bool IsSupportedMeshPath(const std::string& path);

}  // namespace oxlen_mesh
