#pragma once

// Small meshes built by hand for the passes of the border post-processing, and the validity
// check every pass must pass.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <set>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"
#include "triangulator/face_fixtures.h"

namespace postprocess_test {

using pipeline_test::Point3;
using pipeline_test::Result;
using Map = Oxlen::Geometry::vertex_triangles_map;
using Edge = std::pair<std::size_t, std::size_t>;

/// A mesh from its lists.
inline Result MakeResult(std::vector<Point3> vertices,
                         std::vector<std::array<std::size_t, 3>> triangles,
                         std::vector<MCadTriangulator::border_edge> borderEdges = {}) {
  Result result;
  result.vertices = std::move(vertices);
  result.triangles = std::move(triangles);
  result.border_edges = std::move(borderEdges);
  return result;
}

/// The border edges as (first, second) pairs, in list order.
inline std::vector<Edge> BorderPairs(const Result& result) {
  std::vector<Edge> pairs;
  for (const auto& edge : result.border_edges)
    pairs.emplace_back(edge.first, edge.second);
  return pairs;
}

/// The border edges as (first, second, tag), in list order.
inline std::vector<std::tuple<std::size_t, std::size_t, int>> BorderRecords(const Result& result) {
  std::vector<std::tuple<std::size_t, std::size_t, int>> records;
  for (const auto& edge : result.border_edges)
    records.emplace_back(edge.first, edge.second, edge.tag);
  return records;
}

/// The total length of the border edges.
inline double BorderLength(const Result& result) {
  double length = 0.0;
  for (const auto& edge : result.border_edges)
    length += distance(result.vertices[edge.first], result.vertices[edge.second]);
  return length;
}

/// Expects a mesh as every pass must leave it: the map equal to a rebuilt one, no removal marker
/// left (NaN x, SIZE_MAX index), every border edge between two different existing vertices and,
/// with `covered`, every boundary edge of the mesh listed as a border edge in its direction.
inline void ExpectValidMesh(const Result& result, const Map& map, bool covered) {
  ASSERT_EQ(map.size(), result.vertices.size());
  for (const auto& triangle : result.triangles)
    for (const std::size_t v : triangle)
      ASSERT_LT(v, result.vertices.size());
  EXPECT_EQ(map, Oxlen::Geometry::get_vertex_to_triangles_map(result));
  for (const Point3& p : result.vertices)
    EXPECT_FALSE(std::isnan(p[0]));
  std::set<Edge> listed;
  for (const auto& edge : result.border_edges) {
    ASSERT_LT(edge.first, result.vertices.size());
    ASSERT_LT(edge.second, result.vertices.size());
    EXPECT_NE(edge.first, edge.second);
    listed.emplace(edge.first, edge.second);
  }
  if (!covered)
    return;
  for (const Edge& boundary : pipeline_test::CountEdges(result).boundary) {
    EXPECT_TRUE(listed.count(boundary) != 0)
        << "boundary edge " << boundary.first << " -> " << boundary.second << " is no border edge";
  }
}

}  // namespace postprocess_test
