#pragma once

#include <ostream>

#include "mesh_writers.h"

namespace oxlen_mesh {

/// Writes `mesh` as binary little-endian PLY: per vertex `x y z` and, when normals are given,
/// `nx ny nz` (doubles); per triangle in mesh order its `vertex_indices` (a list of three uint)
/// and its `face_id` (uint).
void WritePly(const MOutputMesh& mesh, std::ostream& out);

}  // namespace oxlen_mesh
