#pragma once

// Meshes and checks shared by the mesh tests.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <random>

#include "Oxlen/Geometry/triangle_surface.h"

namespace mesh_test {

using Oxlen::Geometry::triangle_surface;
using Point = Oxlen::Math::point<double, 3>;

/// A flat grid of nx * ny vertices in the plane z = 0, each cell cut into two counter-clockwise
/// triangles (seen from +z).
inline triangle_surface MakeGrid(std::size_t nx, std::size_t ny) {
  triangle_surface mesh;
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i)
      mesh.vertices.push_back(Point(0.37 * double(i), 0.29 * double(j), 0.0));
  for (std::size_t j = 0; j + 1 < ny; ++j) {
    for (std::size_t i = 0; i + 1 < nx; ++i) {
      const std::size_t a = j * nx + i, b = a + 1, c = a + nx, d = c + 1;
      mesh.triangles.push_back({a, b, d});
      mesh.triangles.push_back({a, d, c});
    }
  }
  return mesh;
}

/// Sum of the signed areas (z component) of all triangles of a mesh in the plane z = 0.
inline double SignedArea(const triangle_surface& mesh) {
  double area = 0.0;
  for (const auto& t : mesh.triangles) {
    const Point& a = mesh.vertices[t[0]];
    const Point& b = mesh.vertices[t[1]];
    const Point& c = mesh.vertices[t[2]];
    area += 0.5 * ((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]));
  }
  return area;
}

/// How often each directed side occurs. A consistently wound manifold mesh has every directed
/// side at most once.
inline std::map<std::array<std::size_t, 2>, int> DirectedSideCounts(const triangle_surface& m) {
  std::map<std::array<std::size_t, 2>, int> counts;
  for (const auto& t : m.triangles)
    for (int i = 0; i < 3; ++i)
      ++counts[{t[i], t[(i + 1) % 3]}];
  return counts;
}

/// A double in [0, 1) from the generator's bits, identical on every platform.
inline double Unit(std::mt19937_64& rng) {
  return double(rng() >> 11) * 0x1p-53;
}

}  // namespace mesh_test
