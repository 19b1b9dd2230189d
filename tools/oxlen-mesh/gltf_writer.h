#pragma once

#include <ostream>

#include "mesh_writers.h"

namespace oxlen_mesh {

/// Writes `mesh` as glTF 2.0, as GLB when `binary`, else as JSON with the buffer embedded as a
/// data URI. One scene with one node and one mesh; the mesh has one triangle primitive per face,
/// in ascending order of face id, whose extras hold `face_id`. All primitives share the POSITION
/// accessor and, when normals are given, the NORMAL accessor (32-bit floats over every vertex);
/// each has its own range of 32-bit indices in one index buffer view. Coordinates are written as
/// they are (no change of up axis or unit). A mesh without triangles gives a file
/// with nothing but its asset description (tinygltf writes an empty scene as null).
/// @throws std::runtime_error when tinygltf reports that it could not write the model.
void WriteGltf(const MOutputMesh& mesh, std::ostream& out, bool binary);

}  // namespace oxlen_mesh
