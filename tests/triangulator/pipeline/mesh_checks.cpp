#include "mesh_checks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <utility>

namespace pipeline_test {

double MeshDeviation(const triangle_surface& mesh, const SurfaceProbe& probe) {
  double worst = 0.0;
  for (const auto& t : mesh.triangles) {
    const Point3& a = mesh.vertices[t[0]];
    const Point3& b = mesh.vertices[t[1]];
    const Point3& c = mesh.vertices[t[2]];
    for (const Point3& sample : {(a + b + c) / 3.0, (a + b) / 2.0, (b + c) / 2.0, (c + a) / 2.0})
      worst = std::max(worst, distance(sample, probe.Nearest(sample)));
  }
  return worst;
}

double VertexResidual(const triangle_surface& mesh, const SurfaceProbe& probe) {
  double worst = 0.0;
  for (const Point3& p : mesh.vertices)
    worst = std::max(worst, distance(p, probe.Nearest(p)));
  return worst;
}

EdgeCensus CountEdges(const triangle_surface& mesh) {
  // Directed uses of every undirected edge (smaller index first): +1 along, -1 against.
  std::map<std::pair<std::size_t, std::size_t>, std::vector<int>> uses;
  std::set<std::size_t> used;
  for (const auto& t : mesh.triangles) {
    for (int k = 0; k < 3; ++k) {
      const std::size_t a = t[k];
      const std::size_t b = t[(k + 1) % 3];
      uses[{std::min(a, b), std::max(a, b)}].push_back(a < b ? 1 : -1);
      used.insert(a);
    }
  }
  EdgeCensus census;
  census.euler = static_cast<long>(used.size()) - static_cast<long>(uses.size()) +
                 static_cast<long>(mesh.triangles.size());
  std::map<std::size_t, std::vector<std::size_t>> next;  // boundary edges by start vertex
  std::map<std::size_t, int> incoming;
  for (const auto& [edge, directions] : uses) {
    if (directions.size() == 1) {
      ++census.boundaryEdges;
      const auto [from, to] = directions[0] > 0 ? edge : std::make_pair(edge.second, edge.first);
      next[from].push_back(to);
      ++incoming[to];
    } else if (directions.size() != 2 || directions[0] == directions[1]) {
      ++census.badEdges;
    }
  }
  // With one edge out and one in at every start vertex, every end is a start vertex too.
  for (const auto& [from, targets] : next)
    census.brokenBoundary |= targets.size() != 1 || incoming[from] != 1;
  std::set<std::size_t> visited;
  for (const auto& [start, targets] : next) {
    if (census.brokenBoundary || visited.count(start))
      continue;
    census.loops.emplace_back();
    for (std::size_t v = start; visited.insert(v).second; v = next.at(v)[0])
      census.loops.back().push_back(v);
  }
  return census;
}

std::size_t MalformedTriangles(const triangle_surface& mesh) {
  return static_cast<std::size_t>(
      std::count_if(mesh.triangles.begin(), mesh.triangles.end(), [&](const auto& t) {
        return std::any_of(t.begin(), t.end(),
                           [&](std::size_t v) { return v >= mesh.vertices.size(); }) ||
               t[0] == t[1] || t[1] == t[2] || t[2] == t[0];
      }));
}

Point3 TriangleNormal(const triangle_surface& mesh, std::size_t t) {
  const auto& c = mesh.triangles[t];
  return cross(mesh.vertices[c[1]] - mesh.vertices[c[0]],
               mesh.vertices[c[2]] - mesh.vertices[c[0]]);
}

double SmallestArea(const triangle_surface& mesh) {
  double smallest = std::numeric_limits<double>::infinity();
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t)
    smallest = std::min(smallest, 0.5 * length(TriangleNormal(mesh, t)));
  return smallest;
}

std::size_t VerticesNear(const triangle_surface& mesh, const Point3& p, double radius) {
  return static_cast<std::size_t>(
      std::count_if(mesh.vertices.begin(), mesh.vertices.end(),
                    [&](const Point3& q) { return distance(p, q) <= radius; }));
}

std::size_t TrianglesFacingAway(const triangle_surface& mesh, const SurfaceProbe& probe,
                                double side) {
  std::size_t count = 0;
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
    const auto& c = mesh.triangles[t];
    const Point3 centroid = (mesh.vertices[c[0]] + mesh.vertices[c[1]] + mesh.vertices[c[2]]) / 3.0;
    const Point3 normal = probe.Normal(probe.Parameters(centroid));
    if (!(side * dot(TriangleNormal(mesh, t), normal) > 0.0))
      ++count;
  }
  return count;
}

}  // namespace pipeline_test
