// Two triangles that share an edge agree on the points along it.
#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "trimming_helpers.h"

using MTrimmer = MCadTriangulator::MTrimmer;

namespace {

std::vector<std::int32_t> SortedUnique(std::vector<std::int32_t> list) {
  std::sort(list.begin(), list.end());
  list.erase(std::unique(list.begin(), list.end()), list.end());
  return list;
}

}  // namespace

void MTrimmer::SynchronizeEdgePointsOfParts(const MTriangles& result, MTriangleToTrim& first,
                                            MTriangleToTrim& second) {
  const int firstEdge = FindCommonEdgeNumber(first, second);
  const int secondEdge = FindCommonEdgeNumber(second, first);
  if (firstEdge < 0 || secondEdge < 0)
    return;
  std::vector<std::int32_t>& firstList = first.edgePoints[firstEdge];
  std::vector<std::int32_t>& secondList = second.edgePoints[secondEdge];
  if (SortedUnique(firstList) != SortedUnique(secondList))
    throw std::logic_error(
        "MTrimmer::SynchronizeEdgePointsOfParts: shared edge has different vertex sets in "
        "touching parts");
  trimming::detail::SortByDistanceFrom(
      firstList, trimming::detail::VertexAt(result, first.vertices[firstEdge]), result);
  // The shared edge runs the other way in the second triangle.
  secondList.assign(firstList.rbegin(), firstList.rend());
}
