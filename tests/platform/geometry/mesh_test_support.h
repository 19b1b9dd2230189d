#pragma once

// Meshes shared by the mesh tests.

#include "Oxlen/Geometry/triangle_surface.h"
#include "platform/platform_test_support.h"

namespace mesh_test {

using Oxlen::Geometry::triangle_surface;
using Point = Oxlen::Math::point<double, 3>;
using platform_test::Uniform;

/// A flat grid of nx * ny vertices in the plane z = 0, each cell cut into two counter-clockwise
/// triangles (seen from +z).
inline triangle_surface MakeGrid(std::size_t nx, std::size_t ny) {
  triangle_surface mesh;
  for (std::size_t k = 0; k < nx * ny; ++k)
    mesh.vertices.push_back(Point(0.37 * double(k % nx), 0.29 * double(k / nx), 0.0));
  for (std::size_t a = 0; a + nx < nx * ny; ++a) {
    if ((a + 1) % nx != 0) {
      mesh.triangles.push_back({a, a + 1, a + nx + 1});
      mesh.triangles.push_back({a, a + nx + 1, a + nx});
    }
  }
  return mesh;
}

}  // namespace mesh_test
