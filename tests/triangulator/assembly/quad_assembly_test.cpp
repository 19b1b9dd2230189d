// Appending a quad's local mesh to the face mesh. (Which quads contribute, and the two triangles
// of an untouched quad, show in every face mesh of pipeline/ and trimmed/.)
#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <vector>

#include "triangulator/MInternal.h"

namespace {

using MInternal = MCadTriangulator::MInternal;
using Point3 = Oxlen::Math::point<double, 3>;
using Triangle = std::array<std::size_t, 3>;

Point3 P(int k) {
  return {1.0 * k, 0.5 * k * k, -2.0 * k};
}

TEST(AppendTriangles, MapsVerticesInFirstMetOrderSkipsRemovedTrianglesAndTurnsWhenReversed) {
  // Local vertices 0 to 5: vertex 2 is used only by a border edge, vertex 5 only by a removed
  // triangle. The border edges are iterated in key order: (2, 0) first.
  Oxlen::Geometry::triangle_surface local;
  local.vertices = {P(0), P(1), P(2), P(3), P(4), P(5)};
  local.triangles = {{3, 1, 4}, {std::numeric_limits<std::size_t>::max(), 1, 5}, {1, 0, 3}};
  const std::map<std::pair<std::size_t, std::size_t>, int> border{{{4, 3}, 9}, {{2, 0}, 7}};
  for (const bool reversed : {false, true}) {
    // A face mesh that already holds a triangle, so that appended indices are offset.
    MCadTriangulator::triangulation_result face;
    face.vertices = {P(100), P(101), P(102)};
    face.triangles = {{0, 1, 2}};
    face.border_edges = {{1, 2, 42}};
    MInternal::AppendTriangles(face, local, border, reversed);
    // Triangle corners in order first (3, 1, 4, then 0), then the border edges add 2.
    EXPECT_EQ(face.vertices,
              (std::vector<Point3>{P(100), P(101), P(102), P(3), P(1), P(4), P(0), P(2)}));
    const std::vector<Triangle> forward{{0, 1, 2}, {3, 4, 5}, {4, 6, 3}};
    const std::vector<Triangle> turned{{0, 1, 2}, {5, 4, 3}, {3, 6, 4}};
    EXPECT_EQ(face.triangles, reversed ? turned : forward);
    // (first, second, tag), with first and second swapped on a reversed face.
    const Triangle edges[] = {{1, 2, 42}, {7, 6, 7}, {5, 3, 9}};
    ASSERT_EQ(face.border_edges.size(), 3u);
    for (std::size_t e = 0; e < 3; ++e) {
      const bool swap = reversed && e > 0;
      EXPECT_EQ(face.border_edges[e].first, edges[e][swap ? 1 : 0]) << e;
      EXPECT_EQ(face.border_edges[e].second, edges[e][swap ? 0 : 1]) << e;
      EXPECT_EQ(face.border_edges[e].tag, static_cast<int>(edges[e][2])) << e;
    }
  }
}

}  // namespace
