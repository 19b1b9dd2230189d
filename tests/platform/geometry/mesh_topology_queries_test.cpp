#include "Oxlen/Geometry/mesh_topology_queries.h"

#include "Oxlen/Geometry/vertex_to_triangles_map.h"
#include "platform/geometry/mesh_test_support.h"

namespace {

using namespace Oxlen::Geometry;
using Indices = std::vector<size_t>;

TEST(MeshTopologyQueries, EdgesTrianglesAndNeighboursOnAGrid) {
  const std::array<size_t, 3> t{4, 7, 9};
  EXPECT_TRUE(has_edge({9, 4}, t, true) && has_edge({4, 9}, t, false) &&
              !has_edge({4, 9}, t, true));
  // 3 x 3 vertices around the centre 4; triangle 7 wound the other way and one more triangle on
  // the side 0-4 (non-manifold). Triangles: 0 (0,1,4) 1 (0,4,3) 2 (1,2,5) 3 (1,5,4) 4 (3,4,7)
  // 5 (3,7,6) 6 (4,5,8) 7 (8,4,7) 8 (0,4,2).
  triangle_surface mesh = mesh_test::MakeGrid(3, 3);
  std::swap(mesh.triangles[7][0], mesh.triangles[7][1]);
  mesh.triangles.push_back({0, 4, 2});
  const vertex_triangles_map map = get_vertex_to_triangles_map(mesh);
  EXPECT_EQ(map[4], (boost::container::flat_set<size_t>{0, 1, 3, 4, 6, 7, 8}));
  EXPECT_EQ(triangle_indices_from_edge({0, 4}, mesh, map, false), (Indices{0, 1, 8}));
  EXPECT_EQ(triangle_indices_from_edge({0, 4}, mesh, map, true), (Indices{1, 8}));
  EXPECT_EQ(triangle_indices_from_edge({8, 4}, mesh, map, true), (Indices{6, 7}));
  EXPECT_TRUE(triangle_indices_from_edge({4, 8}, mesh, map, true).empty());
  EXPECT_EQ(triangle_neighbour_indices(mesh, map, 0), (Indices{1, 3, 8}));
  EXPECT_EQ(triangle_neighbour_indices(mesh, map, 7), (Indices{4, 6}));
  // Invalid indices, and a map listing triangles the mesh does not have, throw.
  EXPECT_THROW(triangle_indices_from_edge({0, 9}, mesh, map, false), std::invalid_argument);
  EXPECT_THROW(triangle_neighbour_indices(mesh, map, mesh.triangles.size()), std::invalid_argument);
  triangle_surface fewer = mesh;
  fewer.triangles.resize(2);
  EXPECT_THROW(triangle_indices_from_edge({4, 8}, fewer, map, false), std::invalid_argument);
  mesh.triangles.push_back({0, 1, 9});
  EXPECT_THROW(get_vertex_to_triangles_map(mesh), std::invalid_argument);
}

}  // namespace
