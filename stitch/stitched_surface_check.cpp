#include "Oxlen/Cad/Triangulation/geometry/stitched_surface_check.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

namespace geometry {
namespace {

// One side of a triangle, as the undirected edge it lies on and the way it runs along it.
struct directed_side {
  std::size_t low = 0;
  std::size_t high = 0;
  bool ascending = true;
  bool operator<(const directed_side& other) const {
    return std::tie(low, high, ascending) < std::tie(other.low, other.high, other.ascending);
  }
};

// Counts the edges by how many sides lie on them and how those sides run.
void count_edges(std::vector<directed_side>& sides, stitched_surface_report& report) {
  std::sort(sides.begin(), sides.end());
  for (std::size_t i = 0; i < sides.size();) {
    std::size_t j = i;
    std::size_t ascending = 0;
    while (j < sides.size() && sides[j].low == sides[i].low && sides[j].high == sides[i].high) {
      ascending += sides[j].ascending ? 1 : 0;
      ++j;
    }
    const std::size_t held = j - i;
    if (held == 1)
      ++report.boundary_edges;
    if (held >= 3)
      ++report.non_manifold_edges;
    if (held == 2 && ascending != 1)
      ++report.inconsistently_oriented_edges;
    i = j;
  }
}

}  // namespace

stitched_surface_report check_stitched_surface(const Oxlen::Geometry::triangle_surface& surface,
                                               const std::vector<std::size_t>& perTriangle) {
  stitched_surface_report report;
  report.vertices = surface.vertices.size();
  report.triangles = surface.triangles.size();
  report.per_triangle_parallel = perTriangle.size() == surface.triangles.size();
  for (const auto& v : surface.vertices) {
    if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2])) {
      ++report.non_finite_vertices;
    }
  }
  std::vector<directed_side> sides;
  sides.reserve(3 * surface.triangles.size());
  for (const auto& t : surface.triangles) {
    if (t[0] >= report.vertices || t[1] >= report.vertices || t[2] >= report.vertices) {
      ++report.invalid_triangles;
      continue;
    }
    if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2]) {
      ++report.degenerate_triangles;
      continue;
    }
    for (int k = 0; k < 3; ++k) {
      const std::size_t a = t[k];
      const std::size_t b = t[(k + 1) % 3];
      sides.push_back({std::min(a, b), std::max(a, b), a < b});
    }
  }
  count_edges(sides, report);
  return report;
}

}  // namespace geometry
