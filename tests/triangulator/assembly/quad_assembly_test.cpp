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

namespace {

// A fan over a square a(0) b(1) d(3), e(4) with a T-vertex c(2) on the side a -> b: the flat
// triangle (a, b, c) closes the T-junction, (b, a, d) lies across its longest side.
MCadTriangulator::triangulation_result TJunction() {
  MCadTriangulator::triangulation_result mesh;
  mesh.vertices = {{0, 0, 0}, {4, 0, 0}, {1, 1e-9, 0}, {2, -3, 0}, {2, 3, 0}};
  mesh.triangles = {{0, 1, 2}, {1, 0, 3}, {0, 2, 4}, {2, 1, 4}};
  return mesh;
}

double Area(const MCadTriangulator::triangulation_result& mesh) {
  double area = 0.0;
  for (const auto& t : mesh.triangles)
    area += 0.5 * length(cross(mesh.vertices[t[1]] - mesh.vertices[t[0]],
                               mesh.vertices[t[2]] - mesh.vertices[t[0]]));
  return area;
}

TEST(MendFlatTriangles, SplitsTheTriangleAcrossOrDropsTheFlatOneOnTheBorder) {
  // Across the side: the neighbour is split at c, the flat triangle is gone, a border edge along
  // the side (a seam pair here) is split at c with its tag and direction.
  MCadTriangulator::triangulation_result mesh = TJunction();
  mesh.border_edges = {{1, 0, 5}, {0, 1, 6}, {3, 1, 7}};
  const double area = Area(mesh);
  MInternal::MendFlatTriangles(mesh);
  EXPECT_EQ(mesh.triangles, (std::vector<Triangle>{{1, 2, 3}, {2, 0, 3}, {0, 2, 4}, {2, 1, 4}}));
  EXPECT_NEAR(Area(mesh), area, 1e-12);
  const std::vector<std::array<std::size_t, 3>> expected{
      {1, 2, 5}, {2, 0, 5}, {0, 2, 6}, {2, 1, 6}, {3, 1, 7}};
  ASSERT_EQ(mesh.border_edges.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ((std::array<std::size_t, 3>{mesh.border_edges[i].first, mesh.border_edges[i].second,
                                          static_cast<std::size_t>(mesh.border_edges[i].tag)}),
              expected[i]);

  // On the border: the flat triangle is dropped and the boundary runs through c.
  mesh = TJunction();
  mesh.triangles.erase(mesh.triangles.begin() + 1);
  mesh.border_edges = {{0, 1, 4}};
  MInternal::MendFlatTriangles(mesh);
  EXPECT_EQ(mesh.triangles, (std::vector<Triangle>{{0, 2, 4}, {2, 1, 4}}));
  ASSERT_EQ(mesh.border_edges.size(), 2u);
  EXPECT_EQ(mesh.border_edges[0].second, 2u);
  EXPECT_EQ(mesh.border_edges[1].first, 2u);

  // A side shared by three triangles is left alone.
  mesh = TJunction();
  mesh.triangles.push_back({1, 0, 4});
  const auto before = mesh.triangles;
  MInternal::MendFlatTriangles(mesh);
  EXPECT_EQ(mesh.triangles, before);
}

}  // namespace
