#include "quad_projection.h"

#include <array>
#include <limits>

#include "Oxlen/Cad/Triangulation/geometry/MTriangle.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"

namespace loops::detail {

namespace {

using Point3 = Oxlen::Math::point<double, 3>;
using Triangle = MTriangle<double, 3>;

// The nearest point to x of the nearer of two triangles (the first on equal distances), formed
// from its barycentric weights.
Point3 NearestOfTwo(const Point3& x, const Triangle& first, const Triangle& second) {
  double best = std::numeric_limits<double>::max();
  const Triangle* winner = &first;
  std::array<double, 3> weights{1.0, 0.0, 0.0};
  for (const Triangle* triangle : {&first, &second}) {
    std::array<double, 3> w{};
    const double squared =
        geometry::ComputeSquaredDistanceBetweenPointAndTriangle(x, *triangle, w.data());
    if (squared < best) {
      best = squared;
      winner = triangle;
      weights = w;
    }
  }
  return weights[0] * winner->A() + weights[1] * winner->B() + weights[2] * winner->C();
}

}  // namespace

Point3 ProjectOntoQuad(const MCadTriangulator::MQuads& quads,
                       const MCadTriangulator::MQuads::MQuadIndex& quad, const Point3& x) {
  const auto corners = quads.GetQuadVertices(quad);
  const Point3& c0 = quads.GetVertex3d(corners[0]);
  const Point3& c1 = quads.GetVertex3d(corners[1]);
  const Point3& c2 = quads.GetVertex3d(corners[2]);
  const Point3& c3 = quads.GetVertex3d(corners[3]);
  const Point3 first = NearestOfTwo(x, Triangle(c0, c1, c3), Triangle(c3, c1, c2));
  const Point3 second = NearestOfTwo(x, Triangle(c1, c2, c3), Triangle(c1, c3, c0));
  return (first + second) * 0.5;
}

}  // namespace loops::detail
