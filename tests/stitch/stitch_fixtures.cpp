#include "stitch/stitch_fixtures.h"

#include <cmath>
#include <limits>
#include <map>
#include <tuple>

namespace stitch_testing {

MStitchInput Gather(const std::vector<MCadTriangulator::triangulation_result>& meshes) {
  MStitchInput input;
  for (std::size_t f = 0; f < meshes.size(); ++f) {
    const std::size_t offset = input.surface.vertices.size();
    const auto& mesh = meshes[f];
    input.surface.vertices.insert(input.surface.vertices.end(), mesh.vertices.begin(),
                                  mesh.vertices.end());
    for (const auto& t : mesh.triangles) {
      input.surface.triangles.push_back({t[0] + offset, t[1] + offset, t[2] + offset});
      input.perTriangle.push_back(f);
    }
    for (const auto& e : mesh.border_edges) {
      input.edges.push_back({e.first + offset, e.second + offset, e.tag});
    }
  }
  return input;
}

double Area(const Oxlen::Geometry::triangle_surface& surface) {
  double area = 0.0;
  for (const auto& t : surface.triangles) {
    const auto& a = surface.vertices[t[0]];
    area += 0.5 * length(cross(surface.vertices[t[1]] - a, surface.vertices[t[2]] - a));
  }
  return area;
}

double LargestMove(const Oxlen::Geometry::triangle_surface& before,
                   const Oxlen::Geometry::triangle_surface& after) {
  // A grid of cells a little larger than the moves to expect; each vertex of `after` looks in
  // its cell's neighbourhood, and beyond it only when nothing is near.
  const double cell = 0.05;
  using Key = std::tuple<long, long, long>;
  const auto key = [cell](const Oxlen::Math::point<double, 3>& p) {
    return Key{std::lround(std::floor(p[0] / cell)), std::lround(std::floor(p[1] / cell)),
               std::lround(std::floor(p[2] / cell))};
  };
  std::map<Key, std::vector<std::size_t>> grid;
  for (std::size_t i = 0; i < before.vertices.size(); ++i)
    grid[key(before.vertices[i])].push_back(i);
  double largest = 0.0;
  for (const auto& p : after.vertices) {
    double nearest = std::numeric_limits<double>::infinity();
    const auto [x, y, z] = key(p);
    for (long dx = -1; dx <= 1; ++dx) {
      for (long dy = -1; dy <= 1; ++dy) {
        for (long dz = -1; dz <= 1; ++dz) {
          const auto found = grid.find({x + dx, y + dy, z + dz});
          if (found == grid.end())
            continue;
          for (const std::size_t i : found->second) {
            nearest = std::min(nearest, distance(p, before.vertices[i]));
          }
        }
      }
    }
    if (nearest > cell) {
      for (const auto& q : before.vertices)
        nearest = std::min(nearest, distance(p, q));
    }
    largest = std::max(largest, nearest);
  }
  return largest;
}

}  // namespace stitch_testing
