#include "face_groups.h"

#include <algorithm>
#include <numeric>

namespace oxlen_mesh {

std::vector<MFaceTriangles> TrianglesByFace(const std::vector<std::size_t>& faceOfTriangle) {
  std::vector<std::size_t> order(faceOfTriangle.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return faceOfTriangle[a] < faceOfTriangle[b];
  });
  std::vector<MFaceTriangles> groups;
  for (const std::size_t t : order) {
    if (groups.empty() || groups.back().face != faceOfTriangle[t])
      groups.push_back({faceOfTriangle[t], {}});
    groups.back().triangles.push_back(t);
  }
  return groups;
}

}  // namespace oxlen_mesh
