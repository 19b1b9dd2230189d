// Flips of long edges: only to a strictly shorter diagonal, only where the surface is flat.
#include <gtest/gtest.h>

#include "flip_long_edges.h"
#include "postprocess_fixtures.h"

namespace postprocess_test {
namespace {

// The edge 0 (0,0) - 1 (4,0) between the triangles (0, 1, 2) and (1, 0, 3), with 2 at (2, 1)
// and 3 at (2, -1) raised by `bump`.
Result Kite(double bump) {
  return MakeResult({{0, 0, 0}, {4, 0, 0}, {2, 1, 0}, {2, -1, bump}}, {{0, 1, 2}, {1, 0, 3}});
}

TEST(FlipLongEdges, OnAFlatMeshTheLongEdgeGivesWayToTheShorterDiagonal) {
  Result result = Kite(0.0);
  Map map = Oxlen::Geometry::get_vertex_to_triangles_map(result);
  long_edges::flip_long_edges(result, map);
  EXPECT_EQ(result.triangles, (std::vector<std::array<std::size_t, 3>>{{3, 2, 0}, {2, 3, 1}}));
  ExpectValidMesh(result, map, false);
}

TEST(FlipLongEdges, WhereTheNewTrianglesWouldNotBeCoplanarNothingIsFlipped) {
  for (const double bump : {0.5, 1e-6}) {
    Result result = Kite(bump);
    Map map = Oxlen::Geometry::get_vertex_to_triangles_map(result);
    long_edges::flip_long_edges(result, map);
    EXPECT_EQ(result.triangles, Kite(bump).triangles) << bump;
  }
}

TEST(FlipLongEdges, AnEdgeOfTheSameLengthAsItsDiagonalIsNeverFlipped) {
  Result square = MakeResult({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
  Map map = Oxlen::Geometry::get_vertex_to_triangles_map(square);
  long_edges::flip_long_edges(square, map);
  EXPECT_EQ(square.triangles, (std::vector<std::array<std::size_t, 3>>{{0, 1, 2}, {0, 2, 3}}));
}

double TotalEdgeLength(const Result& result) {
  std::set<Edge> edges;
  for (const auto& t : result.triangles)
    for (std::size_t k = 0; k < 3; ++k)
      edges.emplace(std::min(t[k], t[(k + 1) % 3]), std::max(t[k], t[(k + 1) % 3]));
  double total = 0.0;
  for (const auto& [a, b] : edges)
    total += distance(result.vertices[a], result.vertices[b]);
  return total;
}

// A fan of thin triangles from 0 (0,0) to the far side of a flat strip: the passes go on until no
// edge can get shorter, so that a further call changes nothing.
TEST(FlipLongEdges, PassesRepeatUntilNoEdgeCanGetShorter) {
  std::vector<Point3> vertices{{0, 0, 0}};
  std::vector<std::array<std::size_t, 3>> triangles;
  for (int k = 0; k <= 8; ++k)
    vertices.push_back({1.0 * k, 1.0, 0.0});
  for (std::size_t k = 1; k < 9; ++k)
    triangles.push_back({0, k + 1, k});
  vertices.push_back({8.0, 0.0, 0.0});
  triangles.push_back({0, 10, 9});
  Result result = MakeResult(vertices, triangles);
  Map map = Oxlen::Geometry::get_vertex_to_triangles_map(result);
  const double before = TotalEdgeLength(result);
  long_edges::flip_long_edges(result, map);
  ExpectValidMesh(result, map, false);
  EXPECT_EQ(pipeline_test::CountEdges(result).badEdges, 0u);
  EXPECT_LT(TotalEdgeLength(result), before - 10.0);
  const auto settled = result.triangles;
  long_edges::flip_long_edges(result, map);
  EXPECT_EQ(result.triangles, settled);
}

}  // namespace
}  // namespace postprocess_test
