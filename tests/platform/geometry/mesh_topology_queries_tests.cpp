#include <gtest/gtest.h>

#include <stdexcept>

#include "Oxlen/Geometry/mesh_topology_queries.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"
#include "tests/platform/geometry/mesh_test_support.h"

namespace {

using namespace Oxlen::Geometry;
using Indices = std::vector<size_t>;

TEST(MeshTopologyQueries, HasEdgeDirectedAndUndirected) {
  const std::array<size_t, 3> t{4, 7, 9};
  for (const std::array<size_t, 2> e : {std::array<size_t, 2>{4, 7}, {7, 9}, {9, 4}}) {
    EXPECT_TRUE(has_edge(e, t, true));
    EXPECT_TRUE(has_edge(e, t, false));
    EXPECT_FALSE(has_edge({e[1], e[0]}, t, true));
    EXPECT_TRUE(has_edge({e[1], e[0]}, t, false));
  }
  EXPECT_FALSE(has_edge({4, 5}, t, false));
  EXPECT_FALSE(has_edge({4, 4}, t, false));
  EXPECT_TRUE(has_edge({4, 4}, {4, 4, 9}, true));
}

TEST(MeshTopologyQueries, TrianglesOfAnEdgeAndNeighboursOnAGrid) {
  // 3 x 3 vertices: vertex 4 is the centre; its six triangles surround it.
  triangle_surface mesh = mesh_test::MakeGrid(3, 3);
  // One triangle wound the other way and one more triangle on the side 0-4 (non-manifold).
  mesh.triangles[7] = {mesh.triangles[7][1], mesh.triangles[7][0], mesh.triangles[7][2]};
  mesh.triangles.push_back({0, 4, 2});
  const vertex_triangles_map map = get_vertex_to_triangles_map(mesh);
  ASSERT_EQ(map.size(), 9u);
  EXPECT_EQ(map[4], (boost::container::flat_set<size_t>{0, 1, 3, 4, 6, 7, 8}));

  // Triangles: 0 (0,1,4) 1 (0,4,3) 2 (1,2,5) 3 (1,5,4) 4 (3,4,7) 5 (3,7,6) 6 (4,5,8)
  // 7 (8,4,7) reversed, 8 (0,4,2) extra.
  EXPECT_EQ(triangle_indices_from_edge({0, 4}, mesh, map, false), (Indices{0, 1, 8}));
  EXPECT_EQ(triangle_indices_from_edge({0, 4}, mesh, map, true), (Indices{1, 8}));
  EXPECT_EQ(triangle_indices_from_edge({4, 0}, mesh, map, true), (Indices{0}));
  // Triangle 7, reversed, now runs 8 -> 4 like its neighbour 6.
  EXPECT_TRUE(triangle_indices_from_edge({4, 8}, mesh, map, true).empty());
  EXPECT_EQ(triangle_indices_from_edge({8, 4}, mesh, map, true), (Indices{6, 7}));
  EXPECT_EQ(triangle_indices_from_edge({4, 8}, mesh, map, false), (Indices{6, 7}));
  EXPECT_TRUE(triangle_indices_from_edge({0, 8}, mesh, map, false).empty());

  EXPECT_EQ(triangle_neighbour_indices(mesh, map, 0), (Indices{1, 3, 8}));
  EXPECT_EQ(triangle_neighbour_indices(mesh, map, 7), (Indices{4, 6}));
  EXPECT_EQ(triangle_neighbour_indices(mesh, map, 5), (Indices{4}));
}

TEST(MeshTopologyQueries, InvalidIndicesThrow) {
  triangle_surface mesh = mesh_test::MakeGrid(3, 3);
  const vertex_triangles_map map = get_vertex_to_triangles_map(mesh);
  EXPECT_THROW(triangle_indices_from_edge({0, 9}, mesh, map, false), std::invalid_argument);
  EXPECT_THROW(triangle_neighbour_indices(mesh, map, mesh.triangles.size()), std::invalid_argument);
  // A map that lists triangles the mesh does not have.
  triangle_surface fewer = mesh;
  fewer.triangles.resize(2);
  EXPECT_THROW(triangle_indices_from_edge({4, 8}, fewer, map, false), std::invalid_argument);
  EXPECT_THROW(triangle_neighbour_indices(fewer, map, 1), std::invalid_argument);
  mesh.triangles.push_back({0, 1, 9});
  EXPECT_THROW(get_vertex_to_triangles_map(mesh), std::invalid_argument);
}

}  // namespace
