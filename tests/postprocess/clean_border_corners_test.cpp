// The border corner cleanup: which sliver corners go, how their border edges are joined or
// dropped, where the remaining lonely corners are split, and the compaction.
#include <gtest/gtest.h>

#include "clean_border_corners.h"
#include "postprocess_fixtures.h"

namespace postprocess_test {
namespace {

using Records = std::vector<std::tuple<std::size_t, std::size_t, int>>;

// The square p 0 (0,0), n 1 (4,0), r 3 (4,4), s 4 (0,4) fanned around q 2 (2,2), with a sliver
// triangle (v, n, p) below the side p-n whose corner v 5 lies at (2, -height): v is the only
// lonely corner. Border edges v->n and p->v carry `out` and `in` (a missing one is -1); the
// square's sides n->r, r->s, s->p carry 20, 21, 22.
Result SquareWithSliver(double height, int out, int in) {
  Result result =
      MakeResult({{0, 0, 0}, {4, 0, 0}, {2, 2, 0}, {4, 4, 0}, {0, 4, 0}, {2, -height, 0}},
                 {{5, 1, 0}, {0, 1, 2}, {1, 3, 2}, {3, 4, 2}, {4, 0, 2}});
  if (out >= 0)
    result.border_edges.push_back({5, 1, out});
  result.border_edges.push_back({1, 3, 20});
  result.border_edges.push_back({3, 4, 21});
  result.border_edges.push_back({4, 0, 22});
  if (in >= 0)
    result.border_edges.push_back({0, 5, in});
  return result;
}

Map Clean(Result& result, double cornerDistance) {
  Map map = Oxlen::Geometry::get_vertex_to_triangles_map(result);
  geometry::clean_border_corners(result, map, cornerDistance);
  ExpectValidMesh(result, map, false);
  return map;
}

TEST(CleanBorderCorners, ASliverCornerWithinTheDistanceGoesAndItsBorderEdgesAreJoined) {
  for (const int tag : {7, 0}) {
    SCOPED_TRACE(tag);
    Result result = SquareWithSliver(0.05, tag, tag);
    const Map map = Clean(result, 0.1);
    EXPECT_EQ(result.vertices.size(), 5u);
    EXPECT_EQ(result.triangles.size(), 4u);
    EXPECT_EQ(BorderRecords(result), (Records{{1, 3, 20}, {3, 4, 21}, {4, 0, 22}, {0, 1, tag}}));
    ExpectValidMesh(result, map, true);
  }
}

TEST(CleanBorderCorners, AModelVertexStaysHoweverFlatAndItsSideIsSplitUnderIt) {
  for (const double height : {0.05, 0.0}) {
    Result result = SquareWithSliver(height, 7, 8);
    Clean(result, 1.0);
    ASSERT_EQ(result.vertices.size(), 7u);
    EXPECT_EQ(result.vertices[6], (Point3{2, 0, 0}));  // the foot of the perpendicular
    EXPECT_EQ(result.triangles.size(), 7u);            // the sliver and its neighbour split
    EXPECT_EQ(result.border_edges.size(), 5u);
  }
}

TEST(CleanBorderCorners, WithDistanceZeroOnlyACornerOnItsSideGoes) {
  Result onSide = SquareWithSliver(0.0, 7, 7);
  Clean(onSide, 0.0);
  EXPECT_EQ(onSide.vertices.size(), 5u);
  Result offSide = SquareWithSliver(1e-9, 7, 7);
  Clean(offSide, 0.0);
  EXPECT_EQ(offSide.vertices.size(), 7u);  // split instead
}

// Tag 0 with one edge missing: the remaining edge runs into the removed corner and cannot be
// joined with anything, so it goes; no border edge names a removed vertex.
TEST(CleanBorderCorners, AnEdgeIntoARemovedCornerThatCannotBeJoinedIsDropped) {
  for (const auto& [out, in] : {std::pair{0, -1}, std::pair{-1, 0}}) {
    Result result = SquareWithSliver(0.05, out, in);
    Clean(result, 0.1);
    EXPECT_EQ(result.vertices.size(), 5u);
    EXPECT_EQ(BorderRecords(result), (Records{{1, 3, 20}, {3, 4, 21}, {4, 0, 22}}));
  }
}

TEST(CleanBorderCorners, ASliverWithoutBorderEdgesGoesWithTheCornersItLeavesAlone) {
  Result result = MakeResult({{0, 0, 0}, {4, 0, 0}, {2, 0.01, 0}, {9, 9, 9}}, {{0, 1, 2}});
  Clean(result, 0.1);
  EXPECT_EQ(result.vertices, (std::vector<Point3>{{9, 9, 9}}));  // a vertex of no triangle stays
  EXPECT_TRUE(result.triangles.empty());
}

TEST(CleanBorderCorners, ALonelyCornerBeyondTheEndOfItsSideSplitsTheSidesMiddle) {
  Result result = SquareWithSliver(0.05, 7, 8);
  result.vertices[5] = {-1, -0.5, 0};
  Clean(result, 1.0);
  ASSERT_EQ(result.vertices.size(), 7u);
  EXPECT_EQ(result.vertices[6], (Point3{2, 0, 0}));
}

// An ear (v, n, p) = (2, 1, 0) whose three sides are border edges of different tags: its corner
// 0 is nearest its side 2->1, which is split at the foot of the perpendicular, and the border
// edge on it follows as 2->w, w->1 with its tag.
TEST(CleanBorderCorners, TheBorderEdgeOnASplitSideFollowsBothHalves) {
  Result result = MakeResult({{0, 0, 0}, {4, 0, 0}, {-1, -0.5, 0}}, {{2, 1, 0}},
                             {{2, 1, 1}, {1, 0, 2}, {0, 2, 3}});
  const Map map = Clean(result, 0.0);
  ASSERT_EQ(result.vertices.size(), 4u);
  const Point3 foot = result.vertices[3];
  EXPECT_NEAR(dot(foot - result.vertices[0], result.vertices[1] - result.vertices[2]), 0.0, 1e-12);
  EXPECT_NEAR(cross(foot - result.vertices[2], result.vertices[1] - result.vertices[2])[2], 0.0,
              1e-12);
  EXPECT_EQ(BorderRecords(result), (Records{{2, 3, 1}, {1, 0, 2}, {0, 2, 3}, {3, 1, 1}}));
  ExpectValidMesh(result, map, true);
}

}  // namespace
}  // namespace postprocess_test
