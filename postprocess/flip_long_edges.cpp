#include "flip_long_edges.h"

#include <array>
#include <cstddef>
#include <functional>

#include "Oxlen/Geometry/flip_edge_if.h"
#include "Oxlen/Math/get_normal.h"
#include "spatial/numeric_helpers.h"

namespace long_edges {

namespace {

using Point = Oxlen::Math::point<double, 3>;
using Edge = std::array<std::size_t, 2>;
using geometry::detail::kDegenerateSquaredLength;

// Whether the triangles (c0, c1, e0) and (c1, c0, e1) that a flip of (e0, e1) would make face
// the same way and are parallel: the flip then keeps the surface as it is.
bool NewTrianglesAreCoplanar(const Point& c0, const Point& c1, const Point& e0, const Point& e1) {
  const Point na = Oxlen::Math::get_normal(c0, c1, e0, false);
  const Point nb = Oxlen::Math::get_normal(c1, c0, e1, false);
  return dot(na, nb) > kDegenerateSquaredLength &&
         geometry::detail::overflow_safe_length(cross(na, nb)) < kDegenerateSquaredLength;
}

// The test a flip's new diagonal must pass: strictly shorter than the offered edge (e0, e1), and
// the two new triangles coplanar.
struct ShorterCoplanarDiagonal {
  const Oxlen::Geometry::triangle_surface& mesh;
  Point e0;
  Point e1;
  double squaredLength;

  bool operator()(const Edge& diagonal) const {
    const Point& c0 = mesh.vertices[diagonal[0]];
    const Point& c1 = mesh.vertices[diagonal[1]];
    return squared_distance(c0, c1) < squaredLength && NewTrianglesAreCoplanar(c0, c1, e0, e1);
  }
};

// Offers the edge to `flip_edge_if` with the test for a strictly shorter, coplanar diagonal.
bool FlipIfShorterOnFlatStretch(const Edge& edge, Oxlen::Geometry::triangle_surface& mesh,
                                Oxlen::Geometry::vertex_triangles_map& map) {
  const Point& e0 = mesh.vertices[edge[0]];
  const Point& e1 = mesh.vertices[edge[1]];
  const ShorterCoplanarDiagonal test{mesh, e0, e1, squared_distance(e0, e1)};
  // By reference: the predicate is wrapped without an allocation per offered edge.
  return Oxlen::Geometry::flip_edge_if(edge, mesh, map, std::cref(test));
}

// One pass over every side a->b with a < b; true when some edge was flipped.
bool FlipPass(Oxlen::Geometry::triangle_surface& mesh, Oxlen::Geometry::vertex_triangles_map& map) {
  bool flipped = false;
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
    for (std::size_t i = 0; i < 3; ++i) {
      const Edge edge{mesh.triangles[t][i], mesh.triangles[t][(i + 1) % 3]};
      if (edge[0] < edge[1] && FlipIfShorterOnFlatStretch(edge, mesh, map))
        flipped = true;
    }
  }
  return flipped;
}

}  // namespace

void flip_long_edges(Oxlen::Geometry::triangle_surface& mesh,
                     Oxlen::Geometry::vertex_triangles_map& map) {
  while (FlipPass(mesh, map)) {
  }
}

}  // namespace long_edges
