#pragma once

#include <ostream>

#include "mesh_writers.h"

namespace oxlen_mesh {

/// Writes `mesh` as Wavefront OBJ: every vertex once (`v`), then its normal (`vn`, same index)
/// when normals are given, then per face in ascending order of id a group `g face_<id>` with its
/// triangles (`f a b c`, or `f a//a b//b c//c` with normals; indices from 1). Numbers are the
/// shortest decimals that read back as the same doubles.
void WriteObj(const MOutputMesh& mesh, std::ostream& out);

}  // namespace oxlen_mesh
