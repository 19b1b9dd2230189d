#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "Oxlen/Geometry/flip_edge_if.h"
#include "Oxlen/Geometry/mesh_topology_queries.h"
#include "Oxlen/Geometry/remove_topologically_degenerate_triangles.h"
#include "Oxlen/Geometry/split_edge.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"
#include "tests/platform/geometry/mesh_test_support.h"

namespace {

using namespace Oxlen::Geometry;
using mesh_test::Point;
using Edge = std::array<size_t, 2>;

// Checks everything the editing operations promise to keep: the map equals one rebuilt from
// scratch, the per-triangle list is parallel and as expected, no directed side repeats (so every
// interior side occurs once in each direction), no triangle repeats a corner, and the total
// signed area of the flat mesh is unchanged.
void ExpectConsistent(const triangle_surface& mesh, const vertex_triangles_map& map,
                      const std::vector<size_t>& perTriangle,
                      const std::vector<size_t>& expectedPerTriangle, double area) {
  ASSERT_EQ(map, get_vertex_to_triangles_map(mesh));
  ASSERT_EQ(perTriangle.size(), mesh.triangles.size());
  ASSERT_EQ(perTriangle, expectedPerTriangle);
  for (const auto& [side, count] : mesh_test::DirectedSideCounts(mesh))
    ASSERT_EQ(count, 1);
  for (const auto& t : mesh.triangles)
    ASSERT_TRUE(t[0] != t[1] && t[1] != t[2] && t[2] != t[0]);
  ASSERT_NEAR(mesh_test::SignedArea(mesh), area, 1e-9 * area);
}

TEST(MeshEditing, RandomFlipsAndSplitsKeepMapWindingPerTriangleValuesAndArea) {
  triangle_surface mesh = mesh_test::MakeGrid(20, 15);
  vertex_triangles_map map = get_vertex_to_triangles_map(mesh);
  std::vector<size_t> perTriangle(mesh.triangles.size());
  std::iota(perTriangle.begin(), perTriangle.end(), size_t{1000});
  std::vector<size_t> expected = perTriangle;
  const double area = mesh_test::SignedArea(mesh);
  std::mt19937_64 rng(20240611);
  int flips = 0, refusals = 0, splitsT = 0, splitsV = 0;
  for (int step = 0; step < 3000; ++step) {
    const auto& t = mesh.triangles[rng() % mesh.triangles.size()];
    const size_t k = rng() % 3;
    Edge edge{t[k], t[(k + 1) % 3]};
    if (rng() % 2 != 0)
      std::swap(edge[0], edge[1]);
    const auto holders = triangle_indices_from_edge(edge, mesh, map, false);
    switch (rng() % 3) {
      case 0: {
        const bool accept = rng() % 4 != 0;
        int calls = 0;
        const bool flipped = flip_edge_if(edge, mesh, map, [&](const Edge& diagonal) {
          ++calls;
          EXPECT_TRUE(triangle_indices_from_edge(diagonal, mesh, map, false).empty());
          return accept;
        });
        EXPECT_LE(calls, 1);
        EXPECT_EQ(flipped, accept && calls == 1);
        flipped ? ++flips : ++refusals;
        break;
      }
      case 1: {
        const double w = double(1 + rng() % 999) / 1000.0;
        const size_t m = split_edge(edge, w, mesh, map);
        ASSERT_EQ(m + 1, mesh.vertices.size());
        const Point expectedPosition =
            mesh.vertices[edge[0]] * w + mesh.vertices[edge[1]] * (1.0 - w);
        ASSERT_EQ(mesh.vertices[m], expectedPosition);
        for (const size_t h : holders) {
          perTriangle.push_back(perTriangle[h]);  // this form keeps no list: extend it here
          expected.push_back(expected[h]);
        }
        ++splitsT;
        break;
      }
      default: {
        const double w = double(1 + rng() % 999) / 1000.0;
        mesh.vertices.push_back(
            Oxlen::Math::lerp(mesh.vertices[edge[0]], mesh.vertices[edge[1]], w));
        map.emplace_back();
        split_edge(edge, mesh.vertices.size() - 1, mesh, map, perTriangle);
        for (const size_t h : holders)
          expected.push_back(expected[h]);
        ++splitsV;
        break;
      }
    }
    if (step % 100 == 0 || step == 2999)
      ExpectConsistent(mesh, map, perTriangle, expected, area);
  }
  EXPECT_GT(flips, 300);
  EXPECT_GT(refusals, 100);
  EXPECT_GT(splitsT, 300);
  EXPECT_GT(splitsV, 300);
}

TEST(MeshEditing, FlipReplacesTheTwoTrianglesAsDocumented) {
  // Quadrilateral e0 = 0, c0 = 3 (below), e1 = 1, c1 = 2 (above), triangles in both rotations.
  triangle_surface mesh;
  mesh.vertices = {Point(0, 0, 0), Point(2, 0, 0), Point(1, 1, 0), Point(1, -1, 0)};
  mesh.triangles = {{3, 1, 0}, {1, 2, 0}};  // (e1, e0, c0) rotated, (e0, e1, c1) rotated
  vertex_triangles_map map = get_vertex_to_triangles_map(mesh);
  Edge offered{};
  ASSERT_TRUE(flip_edge_if({0, 1}, mesh, map, [&](const Edge& e) {
    offered = e;
    return true;
  }));
  EXPECT_EQ(offered, (Edge{3, 2}));
  EXPECT_EQ(mesh.triangles[1], (std::array<size_t, 3>{3, 2, 0}));  // ran 0 -> 1
  EXPECT_EQ(mesh.triangles[0], (std::array<size_t, 3>{2, 3, 1}));  // ran 1 -> 0
  EXPECT_EQ(map, get_vertex_to_triangles_map(mesh));
  EXPECT_NEAR(mesh_test::SignedArea(mesh), 2.0, 1e-15);
  // Flipping back from the other side restores the original diagonal.
  EXPECT_TRUE(flip_edge_if({3, 2}, mesh, map, [](const Edge&) { return true; }));
  EXPECT_TRUE(triangle_indices_from_edge({0, 1}, mesh, map, true).size() == 1);
  EXPECT_EQ(map, get_vertex_to_triangles_map(mesh));
}

TEST(MeshEditing, FlipRefusesUnflippableEdgesAndChangesNothing) {
  const std::vector<Point> v = {Point(0, 0, 0), Point(2, 0, 0), Point(1, 1, 0), Point(1, -1, 0),
                                Point(1, 0, 1)};
  struct Case {
    const char* what;
    std::vector<std::array<size_t, 3>> triangles;
  };
  const std::vector<Case> cases = {
      {"boundary edge", {{0, 1, 2}}},
      {"non-manifold edge", {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}}},
      {"both triangles run the edge the same way", {{0, 1, 2}, {0, 1, 3}}},
      {"same opposite corner", {{0, 1, 2}, {1, 0, 2}}},
      {"repeated corner", {{0, 1, 2}, {1, 0, 0}}},
      {"diagonal already present", {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}}},
      {"no triangle", {{2, 3, 4}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    triangle_surface mesh{v, c.triangles};
    vertex_triangles_map map = get_vertex_to_triangles_map(mesh);
    const triangle_surface before = mesh;
    const vertex_triangles_map mapBefore = map;
    int calls = 0;
    EXPECT_FALSE(flip_edge_if({0, 1}, mesh, map, [&](const Edge&) { return ++calls, true; }));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(mesh.triangles, before.triangles);
    EXPECT_EQ(map, mapBefore);
  }
  // A predicate that declines, or throws, leaves the mesh as it was.
  triangle_surface mesh{v, {{0, 1, 2}, {1, 0, 3}}};
  vertex_triangles_map map = get_vertex_to_triangles_map(mesh);
  const auto before = mesh.triangles;
  EXPECT_FALSE(flip_edge_if({1, 0}, mesh, map, [](const Edge& e) {
    EXPECT_EQ(e, (Edge{2, 3}));  // c0 lies in the triangle running 0 -> 1 for the edge (1, 0)
    return false;
  }));
  EXPECT_THROW(
      flip_edge_if({0, 1}, mesh, map, [](const Edge&) -> bool { throw std::runtime_error("no"); }),
      std::runtime_error);
  EXPECT_EQ(mesh.triangles, before);
  EXPECT_EQ(map, get_vertex_to_triangles_map(mesh));
  EXPECT_THROW(flip_edge_if({0, 9}, mesh, map, [](const Edge&) { return true; }),
               std::invalid_argument);
  EXPECT_THROW(flip_edge_if({0, 1}, mesh, map, {}), std::invalid_argument);
}

TEST(MeshEditing, SplitEdgeCornerCasesAndValidation) {
  const std::vector<Point> v = {Point(0, 0, 0), Point(2, 0, 0), Point(1, 1, 0), Point(1, -1, 0),
                                Point(5, 5, 0)};
  triangle_surface mesh{v, {{0, 1, 2}, {3, 1, 0}}};
  vertex_triangles_map map = get_vertex_to_triangles_map(mesh);

  // Both triangles on the edge are split; the halves are as documented.
  const size_t m = split_edge({1, 0}, 0.25, mesh, map);
  EXPECT_EQ(m, 5u);
  EXPECT_EQ(mesh.vertices[m], Point(0.5, 0, 0));  // 0.25 * p1 + 0.75 * p0
  const std::vector<std::array<size_t, 3>> expected = {{0, 5, 2}, {3, 1, 5}, {5, 1, 2}, {5, 0, 3}};
  EXPECT_EQ(mesh.triangles, expected);
  EXPECT_EQ(map, get_vertex_to_triangles_map(mesh));

  // An edge no triangle holds, or a side from a vertex to itself, only gets the vertex.
  const auto triangles = mesh.triangles;
  EXPECT_EQ(split_edge({2, 4}, 0.5, mesh, map), 6u);
  EXPECT_EQ(split_edge({2, 2}, 0.5, mesh, map), 7u);
  EXPECT_EQ(mesh.triangles, triangles);
  EXPECT_EQ(map.size(), mesh.vertices.size());
  EXPECT_EQ(map, get_vertex_to_triangles_map(mesh));

  // The existing-vertex form: an end of the edge as the vertex changes nothing; surplus values
  // of the per-triangle list stay behind the parallel part.
  std::vector<size_t> values = {10, 11, 12, 13, 99};
  split_edge({0, 2}, 0, mesh, map, values);
  EXPECT_EQ(mesh.triangles, triangles);
  split_edge({0, 2}, 6, mesh, map, values);
  EXPECT_EQ(mesh.triangles.size(), 5u);
  EXPECT_EQ(values, (std::vector<size_t>{10, 11, 12, 13, 10, 99}));
  EXPECT_EQ(map, get_vertex_to_triangles_map(mesh));

  // Invalid input throws and changes nothing.
  const triangle_surface before = mesh;
  std::vector<size_t> shortValues(mesh.triangles.size() - 1, 0);
  EXPECT_THROW(split_edge({0, 2}, 6, mesh, map, shortValues), std::invalid_argument);
  EXPECT_THROW(split_edge({0, 2}, 99, mesh, map, values), std::invalid_argument);
  EXPECT_THROW(split_edge({0, 99}, 6, mesh, map, values), std::invalid_argument);
  EXPECT_THROW(split_edge({0, 99}, 0.5, mesh, map), std::invalid_argument);
  EXPECT_THROW(split_edge({0, 2}, std::nan(""), mesh, map), std::invalid_argument);
  vertex_triangles_map shortMap(map.begin(), map.end() - 1);
  EXPECT_THROW(split_edge({0, 2}, 0.5, mesh, shortMap), std::invalid_argument);
  EXPECT_EQ(mesh.vertices.size(), before.vertices.size());
  EXPECT_EQ(mesh.triangles, before.triangles);
  EXPECT_EQ(values.size(), 6u);
}

TEST(MeshEditing, RemoveTopologicallyDegenerateTrianglesKeepsOrder) {
  triangle_surface mesh;
  mesh.vertices.resize(5);
  mesh.triangles = {{0, 1, 2}, {1, 1, 2}, {2, 3, 4}, {4, 3, 4}, {3, 3, 3}, {0, 2, 0}, {4, 0, 1}};
  EXPECT_EQ(remove_topologically_degenerate_triangles(mesh), 4u);
  EXPECT_EQ(mesh.triangles, (std::vector<std::array<size_t, 3>>{{0, 1, 2}, {2, 3, 4}, {4, 0, 1}}));
  EXPECT_EQ(mesh.vertices.size(), 5u);
  EXPECT_EQ(remove_topologically_degenerate_triangles(mesh), 0u);
}

}  // namespace
