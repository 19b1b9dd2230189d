// The border band pass and its contour distance query: which edges are left alone, where the
// crossing of the band's edge is found, and when a flip is taken instead of a split.
#include <gtest/gtest.h>

#include <random>

#include "Oxlen/Geometry/mesh_topology_queries.h"
#include "avoid_long_triangles_on_border.h"
#include "contour_distance_query.h"
#include "postprocess_fixtures.h"
#include "spatial/numeric_helpers.h"

namespace postprocess_test {
namespace {

TEST(ContourDistanceQuery, AnswersAsTheNearestSegmentWithTheRadiusIncluded) {
  long_edges::contour_distance_query none({});
  EXPECT_FALSE(none.is_within({0, 0, 0}, 1e300));
  long_edges::contour_distance_query one({{{0, 0, 0}, {2, 0, 0}}});
  EXPECT_TRUE(one.is_within({1, 3, 0}, 9.0));
  EXPECT_FALSE(one.is_within({1, 3, 0}, 8.999));
  // 1000 segments and more build the tree in parallel; the answers do not change.
  std::mt19937 random(5);
  std::uniform_real_distribution<double> coordinate(-50.0, 50.0);
  std::vector<long_edges::segment> segments;
  for (int k = 0; k < 1500; ++k) {
    const Point3 a{coordinate(random), coordinate(random), coordinate(random)};
    segments.push_back({a, a + Point3{0.5, 0.25, -0.5}});
  }
  long_edges::contour_distance_query query(segments);
  for (int k = 0; k < 500; ++k) {
    const Point3 p{coordinate(random), coordinate(random), coordinate(random)};
    double nearest = std::numeric_limits<double>::infinity();
    for (const auto& piece : segments)
      nearest = std::min(nearest,
                         geometry::detail::squared_distance_to_segment(p, piece.start, piece.end));
    for (const double radius : {1.0, 4.0, 9.0})
      EXPECT_EQ(query.is_within(p, radius), nearest <= radius);
  }
}

// The border b0 0 (-1,0) -> v 1 (0,0) -> b1 2 (1,0) (tag 1) and the far vertex w 3 (0,10),
// joined to v by the triangles (b0, v, w) and (v, b1, w); `extra` border segments elsewhere.
Result Spike(std::vector<std::pair<Point3, Point3>> extra = {}) {
  Result result = MakeResult({{-1, 0, 0}, {0, 0, 0}, {1, 0, 0}, {0, 10, 0}}, {{0, 1, 3}, {1, 2, 3}},
                             {{0, 1, 1}, {1, 2, 1}});
  for (const auto& [a, b] : extra) {
    result.vertices.push_back(a);
    result.vertices.push_back(b);
    result.border_edges.push_back({result.vertices.size() - 2, result.vertices.size() - 1, 9});
  }
  return result;
}

Map Avoid(Result& result, double L) {
  Map map = Oxlen::Geometry::get_vertex_to_triangles_map(result);
  long_edges::avoid_long_triangles_on_border(result, map, L);
  ExpectValidMesh(result, map, false);
  return map;
}

// The edge v-w leaves the band of width 2 at y = 2: one new vertex lies on it, within L/5 beyond
// (the edges b0-w and b1-w leave the band too and get theirs off the line x = 0).
void ExpectSplitAtTheBandEdge(Result result) {
  const std::size_t before = result.vertices.size();
  const Map map = Avoid(result, 2.0);
  std::vector<std::size_t> onEdge;
  for (std::size_t k = before; k < result.vertices.size(); ++k) {
    if (result.vertices[k][0] == 0.0)
      onEdge.push_back(k);
  }
  ASSERT_EQ(onEdge.size(), 1u);
  const Point3 split = result.vertices[onEdge[0]];
  EXPECT_GT(split[1], 2.0);
  EXPECT_LE(split[1], 2.4);
  EXPECT_GE(map[onEdge[0]].size(), 2u);  // in both triangles of v-w
}

TEST(AvoidLongTrianglesOnBorder, AnEdgeLeavingTheBandIsSplitWhereItLeavesIt) {
  ExpectSplitAtTheBandEdge(Spike());
}

// w lies near the border again and the middle of the edge too: the crossing is searched in the
// first half.
TEST(AvoidLongTrianglesOnBorder, WithTheFarEndNearTheBorderTheCrossingIsSearchedInTheFirstHalf) {
  ExpectSplitAtTheBandEdge(Spike({{{-1, 11, 0}, {1, 11, 0}}, {{1, 6.2, 0}, {3, 6.2, 0}}}));
}

// The edge leaves the band, comes back near a border segment around its middle and leaves it
// again: the crossing is the first one, where the walk left the band.
TEST(AvoidLongTrianglesOnBorder, AnEdgeComingBackIntoTheBandIsSplitWhereItFirstLeftIt) {
  ExpectSplitAtTheBandEdge(Spike({{{1, 6.2, 0}, {3, 6.2, 0}}}));
}

TEST(AvoidLongTrianglesOnBorder, EdgesShortEndingNearTheirOwnBorderOrInTheBandStay) {
  Result unbordered = Spike();
  unbordered.border_edges.clear();
  const Result cases[] = {
      unbordered,
      Spike({{{-1, 11, 0}, {1, 11, 0}},
             {{-1, 9, 0}, {1, 9, 0}},
             {{1, 5, 0}, {1, 7, 0}},
             {{1, 3, 0}, {1, 5, 0}}}),  // segments along the whole edge
  };
  for (Result result : cases) {
    const Result before = result;
    Avoid(result, 2.0);
    EXPECT_EQ(result.vertices, before.vertices);
    EXPECT_EQ(result.triangles, before.triangles);
  }
  Result shortEdge = Spike();
  Avoid(shortEdge, 10.5);
  EXPECT_EQ(shortEdge.vertices.size(), 4u);
  // w within L of v's own segment v->b1 (with L = 9.99 the edge is longer than L).
  Result nearOwn = Spike();
  nearOwn.vertices[3] = {1.5, 9.9, 0};
  Avoid(nearOwn, 9.95);
  EXPECT_EQ(nearOwn.vertices.size(), 4u);
}

// A fan around v from b1 over c0 (1.5, 1.5), w and c1 (-0.1, 2.2) to b0, and a triangle (c0, d, w)
// so that w has three triangles: c1 lies within L/10 of the crossing at y = 2.1875, so the edge
// v-w is flipped onto c0-c1 instead of split. With w in two triangles it is split.
TEST(AvoidLongTrianglesOnBorder, AFlipOntoAVertexAtTheCrossingIsPreferredToASplit) {
  for (const bool wInThree : {true, false}) {
    Result result = MakeResult(
        {{-1, 0, 0}, {0, 0, 0}, {1, 0, 0}, {0, 10, 0}, {1.5, 1.5, 0}, {-0.1, 2.2, 0}, {2, 10, 0}},
        {{1, 2, 4}, {1, 4, 3}, {1, 3, 5}, {1, 5, 0}}, {{0, 1, 1}, {1, 2, 1}});
    if (wInThree)
      result.triangles.push_back({4, 6, 3});
    Avoid(result, 2.0);
    EXPECT_EQ(result.vertices.size(), wInThree ? 7u : 8u);
    const Map map = Oxlen::Geometry::get_vertex_to_triangles_map(result);
    EXPECT_EQ(Oxlen::Geometry::triangle_indices_from_edge({1, 3}, result, map, false).empty(),
              true);
    EXPECT_EQ(Oxlen::Geometry::triangle_indices_from_edge({4, 5}, result, map, false).size(),
              wInThree ? 2u : 0u);
  }
}

}  // namespace
}  // namespace postprocess_test
