// Which edges two triangles of a splitting share.
#include <stdexcept>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "trimming_helpers.h"

using MTrimmer = MCadTriangulator::MTrimmer;

int MTrimmer::FindCommonEdgeNumber(const MTriangleToTrim& triangle, const MTriangleToTrim& other) {
  for (int k = 0; k < 3; ++k) {
    if (trimming::detail::IsCorner(other, triangle.vertices[k]) &&
        trimming::detail::IsCorner(other, triangle.vertices[(k + 1) % 3]))
      return k;
  }
  return -1;
}

int MTrimmer::FindEdgeNumber(const MTriangleToTrim& triangle, std::int32_t a, std::int32_t b) {
  for (int k = 0; k < 3; ++k) {
    const std::int32_t start = triangle.vertices[k];
    const std::int32_t end = triangle.vertices[(k + 1) % 3];
    if ((start == a && end == b) || (start == b && end == a))
      return k;
  }
  return -1;
}

std::pair<std::int32_t, std::int32_t> MTrimmer::FindCommonEdge(const MTriangleToTrim& a,
                                                               const MTriangleToTrim& b) {
  std::int32_t kept[3];
  int count = 0;
  for (const std::int32_t corner : a.vertices) {
    if (trimming::detail::IsCorner(b, corner))
      kept[count++] = corner;
  }
  if (count != 2)
    throw std::logic_error("MTrimmer::FindCommonEdge: parts do not share one edge");
  return {kept[0], kept[1]};
}
