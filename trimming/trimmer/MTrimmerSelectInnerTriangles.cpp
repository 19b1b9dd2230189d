// Which triangles of a trimmed quad lie inside the face.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <queue>
#include <tuple>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"

using MTrimmer = MCadTriangulator::MTrimmer;

namespace {

using MEdge = std::pair<std::int32_t, std::int32_t>;
// A triangle edge as the triangle runs it: (start, end, triangle).
using MHalfEdge = std::tuple<std::int32_t, std::int32_t, std::size_t>;

std::vector<MEdge> UndirectedSegmentEdges(const MTrimmer::MTriangles& mesh) {
  std::vector<MEdge> edges;
  edges.reserve(mesh.segments.size());
  for (const MTrimmer::MSegmentFromLoop& s : mesh.segments)
    edges.emplace_back(std::min(s.first, s.second), std::max(s.first, s.second));
  std::sort(edges.begin(), edges.end());
  return edges;
}

std::vector<MHalfEdge> SortedHalfEdges(const MTrimmer::MTriangles& mesh) {
  std::vector<MHalfEdge> halfEdges;
  halfEdges.reserve(3 * mesh.triangles.size());
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
    const auto& c = mesh.triangles[t];
    for (int k = 0; k < 3; ++k)
      halfEdges.emplace_back(c[k], c[(k + 1) % 3], t);
  }
  std::sort(halfEdges.begin(), halfEdges.end());
  return halfEdges;
}

bool HasVertex(const std::array<std::int32_t, 3>& triangle, std::int32_t vertex) {
  return triangle[0] == vertex || triangle[1] == vertex || triangle[2] == vertex;
}

}  // namespace

std::vector<bool> MTrimmer::SelectInnerTriangles(const MTriangles& triangles,
                                                 bool firstVertexInside) {
  const std::vector<MEdge> segmentEdges = UndirectedSegmentEdges(triangles);
  const std::vector<MHalfEdge> halfEdges = SortedHalfEdges(triangles);
  const std::size_t count = triangles.triangles.size();
  std::vector<bool> inside(count, false);
  std::vector<bool> visited(count, false);
  std::queue<std::size_t> queue;

  // The triangles at the quad's first corner take its known status.
  for (std::size_t t = 0; t < count; ++t) {
    if (HasVertex(triangles.triangles[t], 0)) {
      visited[t] = true;
      queue.push(t);
      inside[t] = firstVertexInside;
    }
  }
  while (!queue.empty()) {
    const std::size_t t = queue.front();
    queue.pop();
    const auto& c = triangles.triangles[t];
    for (int k = 0; k < 3; ++k) {
      const std::int32_t a = c[k];
      const std::int32_t b = c[(k + 1) % 3];
      // The neighbour runs the shared edge the other way.
      const auto neighbour =
          std::lower_bound(halfEdges.begin(), halfEdges.end(), MHalfEdge(b, a, 0));
      if (neighbour == halfEdges.end() || std::get<0>(*neighbour) != b ||
          std::get<1>(*neighbour) != a)
        continue;
      const std::size_t u = std::get<2>(*neighbour);
      if (visited[u])
        continue;
      visited[u] = true;
      queue.push(u);
      const auto [first, last] = std::equal_range(segmentEdges.begin(), segmentEdges.end(),
                                                  MEdge(std::min(a, b), std::max(a, b)));
      const bool odd = (std::distance(first, last) % 2) != 0;
      inside[u] = odd ? !inside[t] : inside[t];
    }
  }
  return inside;
}
