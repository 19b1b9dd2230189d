#pragma once

#include <string>

#include <Oxlen/Cad/Triangulation.h>

namespace oxlen_mesh {

/// Writes a mesh to `path` in the format its extension names: `.stl` (binary STL), `.obj`
/// (Wavefront OBJ) or `.ply` (binary little-endian PLY).
/// @throws std::runtime_error when the extension is unknown or the file cannot be written.
void WriteMesh(const Oxlen::Geometry::triangle_surface& mesh, const std::string& path);

/// True when `path` ends with an extension that `WriteMesh` knows.
bool IsSupportedMeshPath(const std::string& path);

}  // namespace oxlen_mesh
