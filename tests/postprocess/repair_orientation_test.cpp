// The orientation repair on small meshes: opposite border edge pairs, misoriented edges, and
// regions turned over or kept.
#include <gtest/gtest.h>

#include "find_misoriented_border_edges.h"
#include "postprocess_fixtures.h"
#include "remove_opposite_border_edges.h"
#include "repair_orientation.h"

namespace postprocess_test {
namespace {

// The unit square 0 (0,0), 1 (1,0), 2 (1,1), 3 (0,1) in two triangles wound clockwise, against
// the counter-clockwise border 0->1->2->3->0; and a separate triangle 4, 5, 6 wound along its
// border edge 4->5.
Result ClockwiseSquare(std::vector<MCadTriangulator::border_edge> borderEdges) {
  return MakeResult({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {5, 0, 0}, {6, 0, 0}, {5, 1, 0}},
                    {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}}, std::move(borderEdges));
}

TEST(RemoveOppositeBorderEdges, PairsWithOneTagGoAndEverythingElseKeepsItsOrder) {
  Result result = MakeResult({}, {}, {{0, 1, 3}, {1, 0, 3}, {1, 2, 3}, {2, 1, 4}, {5, 6, 3}});
  geometry::remove_opposite_border_edges(result);
  EXPECT_EQ(BorderRecords(result), (std::vector<std::tuple<std::size_t, std::size_t, int>>{
                                       {1, 2, 3}, {2, 1, 4}, {5, 6, 3}}));
}

TEST(RemoveOppositeBorderEdges, OfACopyTooManyAndItsReverseOneEdgeStays) {
  for (const auto& edges :
       {std::vector<MCadTriangulator::border_edge>{{7, 8, 2}, {8, 7, 2}, {8, 7, 2}},
        std::vector<MCadTriangulator::border_edge>{{8, 7, 2}, {7, 8, 2}, {8, 7, 2}}}) {
    Result result = MakeResult({}, {}, edges);
    geometry::remove_opposite_border_edges(result);
    EXPECT_EQ(BorderPairs(result), (std::vector<Edge>{{8, 7}}));
  }
}

TEST(FindMisorientedBorderEdges, ListsEdgesAgainstTheirOnlyTriangleSortedOnce) {
  const Result result =
      ClockwiseSquare({{2, 3, 1}, {0, 1, 1}, {0, 1, 1}, {0, 2, 1}, {4, 5, 1}, {3, 4, 1}});
  const Map map = Oxlen::Geometry::get_vertex_to_triangles_map(result);
  // 0->2 is held by two triangles, 4->5 runs along its triangle, 3->4 is held by none.
  EXPECT_EQ(geometry::find_misoriented_border_edges(result, map),
            (std::vector<geometry::vertex_pair>{{0, 1}, {2, 3}}));
}

TEST(RepairOrientation, ARegionAgainstItsWholeBorderIsTurnedOver) {
  Result result = ClockwiseSquare({{0, 1, 1}, {1, 2, 1}, {2, 3, 1}, {3, 0, 1}, {4, 5, 2}});
  Map map = Oxlen::Geometry::get_vertex_to_triangles_map(result);
  geometry::repair_orientation(result, map);
  EXPECT_EQ(result.triangles,
            (std::vector<std::array<std::size_t, 3>>{{2, 0, 1}, {3, 0, 2}, {4, 5, 6}}));
  EXPECT_EQ(result.border_edges.size(), 5u);
  EXPECT_TRUE(geometry::find_misoriented_border_edges(result, map).empty());
  ExpectValidMesh(result, map, false);
}

TEST(RepairOrientation, ARegionWithAnOpenSideOffTheBorderKeepsItsTrianglesAndLosesItsWrongEdges) {
  Result result = ClockwiseSquare({{0, 1, 1}, {4, 5, 2}, {1, 2, 1}});
  Map map = Oxlen::Geometry::get_vertex_to_triangles_map(result);
  const auto triangles = result.triangles;
  geometry::repair_orientation(result, map);
  EXPECT_EQ(result.triangles, triangles);
  EXPECT_EQ(BorderPairs(result), (std::vector<Edge>{{4, 5}}));
  ExpectValidMesh(result, map, false);
}

}  // namespace
}  // namespace postprocess_test
