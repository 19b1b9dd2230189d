#pragma once

#include <cstddef>
#include <vector>

namespace oxlen_mesh {

/// The triangles of one face of a mesh.
struct MFaceTriangles {
  std::size_t face;                    ///< the face's id
  std::vector<std::size_t> triangles;  ///< indices of its triangles, in mesh order
};

/// Groups triangles by the face each belongs to (`faceOfTriangle[t]` is the face of triangle t):
/// one group per face id that occurs, in ascending order of id, each listing its triangles in
/// increasing order.
std::vector<MFaceTriangles> TrianglesByFace(const std::vector<std::size_t>& faceOfTriangle);

}  // namespace oxlen_mesh
