#include <map>
#include <numeric>
#include <set>

#include "Oxlen/Geometry/flip_edge_if.h"
#include "Oxlen/Geometry/mesh_topology_queries.h"
#include "Oxlen/Geometry/remove_topologically_degenerate_triangles.h"
#include "Oxlen/Geometry/split_edge.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"
#include "platform/geometry/mesh_test_support.h"

namespace {

using namespace Oxlen::Geometry;
using mesh_test::Point;
using Edge = std::array<size_t, 2>;
using Triangles = std::vector<std::array<size_t, 3>>;

// Sum of the signed areas (z component) of the triangles of a mesh in the plane z = 0.
double SignedArea(const triangle_surface& mesh) {
  double area = 0.0;
  for (const auto& t : mesh.triangles)
    area += Oxlen::Math::cross(mesh.vertices[t[1]] - mesh.vertices[t[0]],
                               mesh.vertices[t[2]] - mesh.vertices[t[0]])[2] /
            2;
  return area;
}

TEST(MeshEditing, RandomFlipsAndSplitsKeepMapWindingPerTriangleValuesAndArea) {
  triangle_surface mesh = mesh_test::MakeGrid(20, 15);
  vertex_triangles_map map = get_vertex_to_triangles_map(mesh);
  std::vector<size_t> perTriangle(mesh.triangles.size());
  std::iota(perTriangle.begin(), perTriangle.end(), size_t{1000});
  std::vector<size_t> expected = perTriangle;
  const double area = SignedArea(mesh);
  std::mt19937_64 rng(20240611);
  for (int step = 0; step < 3000; ++step) {
    const auto& t = mesh.triangles[rng() % mesh.triangles.size()];
    const size_t k = rng() % 3;
    Edge edge{t[k], t[(k + 1) % 3]};
    if (rng() % 2 != 0)
      std::swap(edge[0], edge[1]);
    const auto holders = triangle_indices_from_edge(edge, mesh, map, false);
    const double w = double(1 + rng() % 999) / 1000.0;
    if (const size_t kind = rng() % 3; kind == 0) {
      const bool accept = rng() % 4 != 0;
      int calls = 0;
      const bool flipped = flip_edge_if(edge, mesh, map, [&](const Edge& diagonal) {
        ++calls;
        EXPECT_TRUE(triangle_indices_from_edge(diagonal, mesh, map, false).empty());
        return accept;
      });
      EXPECT_EQ(flipped, accept && calls == 1);
    } else {
      if (kind == 1) {
        const size_t m = split_edge(edge, w, mesh, map);
        ASSERT_EQ(mesh.vertices[m], mesh.vertices[edge[0]] * w + mesh.vertices[edge[1]] * (1 - w));
        for (const size_t h : holders)
          perTriangle.push_back(perTriangle[h]);  // this form keeps no list: extend it here
      } else {
        mesh.vertices.push_back(
            Oxlen::Math::lerp(mesh.vertices[edge[0]], mesh.vertices[edge[1]], w));
        map.emplace_back();
        split_edge(edge, mesh.vertices.size() - 1, mesh, map, perTriangle);
      }
      for (const size_t h : holders)
        expected.push_back(expected[h]);
    }
    if (step % 100 != 0 && step != 2999)
      continue;
    // The map equals one rebuilt from scratch, the per-triangle list is parallel, no directed
    // side repeats (consistent winding), no triangle repeats a corner, the area is unchanged.
    ASSERT_EQ(map, get_vertex_to_triangles_map(mesh));
    ASSERT_TRUE(perTriangle == expected);
    ASSERT_TRUE(perTriangle.size() == mesh.triangles.size());
    std::map<Edge, int> sides;
    for (const auto& tri : mesh.triangles) {
      ASSERT_TRUE(tri[0] != tri[1]);
      ASSERT_TRUE(tri[1] != tri[2]);
      ASSERT_TRUE(tri[2] != tri[0]);
      for (int i = 0; i < 3; ++i)
        ASSERT_EQ((++sides[Edge{tri[i], tri[(i + 1) % 3]}]), 1);
    }
    ASSERT_NEAR(SignedArea(mesh), area, 1e-9 * area);
  }
}

TEST(MeshEditing, FlipAndSplitCornerCases) {
  // Quadrilateral e0 = 0, c0 = 3 (below), e1 = 1, c1 = 2 (above), triangles in both rotations.
  const std::vector<Point> v = {Point(0, 0, 0), Point(2, 0, 0), Point(1, 1, 0), Point(1, -1, 0),
                                Point(1, 0, 1)};
  triangle_surface mesh{v, {{3, 1, 0}, {1, 2, 0}}};
  vertex_triangles_map map = get_vertex_to_triangles_map(mesh);
  Edge offered{};
  ASSERT_TRUE(flip_edge_if({0, 1}, mesh, map, [&](const Edge& e) { return offered = e, true; }));
  EXPECT_EQ(offered, (Edge{3, 2}));
  EXPECT_EQ(mesh.triangles, (Triangles{{2, 3, 1}, {3, 2, 0}}));
  // Refused without asking: a boundary edge, a non-manifold edge, both triangles running the
  // edge the same way, the same opposite corner, a repeated corner, the diagonal already
  // present, no triangle.
  const Triangles refused[] = {{{0, 1, 2}},
                               {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}},
                               {{0, 1, 2}, {0, 1, 3}},
                               {{0, 1, 2}, {1, 0, 2}},
                               {{0, 1, 2}, {1, 0, 0}},
                               {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}},
                               {{2, 3, 4}}};
  for (const Triangles& triangles : refused) {
    mesh = triangle_surface{v, triangles};
    map = get_vertex_to_triangles_map(mesh);
    EXPECT_FALSE(flip_edge_if({0, 1}, mesh, map, [](const Edge&) -> bool { throw 0; }));
    EXPECT_EQ(mesh.triangles, triangles);
  }
  // A predicate that declines, or throws, leaves the mesh as it was; invalid input throws.
  mesh = triangle_surface{v, {{0, 1, 2}, {1, 0, 3}}};
  map = get_vertex_to_triangles_map(mesh);
  EXPECT_FALSE(flip_edge_if({1, 0}, mesh, map, [&](const Edge& e) { return offered = e, false; }));
  EXPECT_EQ(offered, (Edge{2, 3}));  // c0 lies in the triangle running 0 -> 1 for the edge (1, 0)
  EXPECT_THROW(flip_edge_if({0, 1}, mesh, map, [](const Edge&) -> bool { throw 1.0; }), double);
  EXPECT_TRUE(mesh.triangles == (Triangles{{0, 1, 2}, {1, 0, 3}}) &&
              map == get_vertex_to_triangles_map(mesh));
  EXPECT_THROW(flip_edge_if({0, 9}, mesh, map, [](const Edge&) { return true; }),
               std::invalid_argument);
  EXPECT_THROW(flip_edge_if({0, 1}, mesh, map, {}), std::invalid_argument);

  // Both triangles on the edge are split; the halves are as documented.
  mesh = triangle_surface{{v.begin(), v.begin() + 4}, {{0, 1, 2}, {3, 1, 0}}};
  map = get_vertex_to_triangles_map(mesh);
  EXPECT_EQ(split_edge({1, 0}, 0.25, mesh, map), 4u);
  EXPECT_EQ(mesh.vertices[4], Point(0.5, 0, 0));  // 0.25 * p1 + 0.75 * p0
  const Triangles split = {{0, 4, 2}, {3, 1, 4}, {4, 1, 2}, {4, 0, 3}};
  EXPECT_EQ(mesh.triangles, split);
  // An edge no triangle holds only gets the vertex; the existing-vertex form with an end of the
  // edge as the vertex changes nothing; surplus per-triangle values stay behind.
  EXPECT_EQ(split_edge({2, 3}, 0.5, mesh, map), 5u);
  std::vector<size_t> values = {10, 11, 12, 13, 99};
  split_edge({0, 2}, 0, mesh, map, values);
  EXPECT_EQ(mesh.triangles, split);
  split_edge({0, 2}, 5, mesh, map, values);
  EXPECT_EQ(values, (std::vector<size_t>{10, 11, 12, 13, 10, 99}));
  EXPECT_EQ(map, get_vertex_to_triangles_map(mesh));
  // Invalid input throws and changes nothing.
  const triangle_surface before = mesh;
  vertex_triangles_map shortMap(map.begin(), map.end() - 1);
  EXPECT_THROW(split_edge({0, 99}, 0.5, mesh, map), std::invalid_argument);
  EXPECT_THROW(split_edge({0, 2}, 0.5, mesh, shortMap), std::invalid_argument);
  // A map entry naming a triangle that does not exist, under either end of the edge (the longer
  // or the shorter entry) or under the opposite corner of a triangle on the edge.
  // Every vertex whose entry the split of the edge (4, 2) edits: its ends and the corners of
  // the triangles that hold it.
  std::set<size_t> edited;
  for (const size_t t : triangle_indices_from_edge({4, 2}, mesh, map, false))
    edited.insert(mesh.triangles[t].begin(), mesh.triangles[t].end());
  ASSERT_EQ(edited.size(), 4u);
  for (const size_t vertex : edited) {
    vertex_triangles_map stale = map;
    stale[vertex].insert(mesh.triangles.size() + 3);
    SCOPED_TRACE(vertex);
    EXPECT_THROW(split_edge({4, 2}, 0.5, mesh, stale), std::invalid_argument);
    EXPECT_THROW(split_edge({4, 2}, 3, mesh, stale, values), std::invalid_argument);
  }
  EXPECT_TRUE(mesh.vertices.size() == before.vertices.size());
  EXPECT_TRUE(mesh.triangles == before.triangles);
  // Triangles that repeat a corner are removed, the order of the others kept.
  mesh.triangles = {{0, 1, 2}, {1, 1, 2}, {2, 3, 4}, {4, 3, 4}, {3, 3, 3}, {0, 2, 0}, {4, 0, 1}};
  EXPECT_EQ(remove_topologically_degenerate_triangles(mesh), 4u);
  EXPECT_EQ(mesh.triangles, (Triangles{{0, 1, 2}, {2, 3, 4}, {4, 0, 1}}));
}

// Splitting an edge at the opposite corner of one of its triangles would leave two triangles that
// repeat a corner: that triangle stays, the others on the edge are split.
TEST(MeshEditing, SplitAtAnExistingVertexLeavesTheTriangleItCorners) {
  const std::vector<Point> v = {Point(0, 0, 0), Point(2, 0, 0), Point(1, 1, 0), Point(1, -1, 0)};
  triangle_surface mesh{v, {{0, 1, 2}, {1, 0, 3}}};
  vertex_triangles_map map = get_vertex_to_triangles_map(mesh);
  std::vector<size_t> perTriangle{5, 6};
  split_edge({0, 1}, 2, mesh, map, perTriangle);
  EXPECT_EQ(mesh.triangles, (Triangles{{0, 1, 2}, {1, 2, 3}, {2, 0, 3}}));
  EXPECT_EQ(perTriangle, (std::vector<size_t>{5, 6, 6}));
  EXPECT_EQ(map, get_vertex_to_triangles_map(mesh));
}

}  // namespace
