#pragma once

#include <ostream>

#include "mesh_writers.h"

namespace oxlen_mesh {

/// Writes `mesh` as binary STL: an 80-byte header, the triangle count, then per triangle in mesh
/// order its unit normal (from its corners; zero for a degenerate one) and corners as 32-bit
/// floats and a zero attribute word. The faces are not kept: binary STL has no room for them.
void WriteBinaryStl(const MOutputMesh& mesh, std::ostream& out);

/// Writes `mesh` as ASCII STL, one `solid face_<id>` ... `endsolid face_<id>` block per face in
/// ascending order of id, each facet with its unit normal from its corners and the corners'
/// coordinates in shortest round-trip decimals. A mesh without triangles is one empty solid.
void WriteAsciiStl(const MOutputMesh& mesh, std::ostream& out);

}  // namespace oxlen_mesh
