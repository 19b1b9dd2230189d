// Appending one quad's local mesh to the face mesh.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "triangulator/MInternal.h"

namespace {

using MInternal = MCadTriangulator::MInternal;
using Point3 = Oxlen::Math::point<double, 3>;
using Triangle = std::array<std::size_t, 3>;
using BorderEdges = std::map<std::pair<std::size_t, std::size_t>, int>;
constexpr std::size_t kRemoved = std::numeric_limits<std::size_t>::max();

Point3 P(int k) {
  return {1.0 * k, 0.5 * k * k, -2.0 * k};
}

// A face mesh that already holds one triangle, so that appended indices are offset.
MCadTriangulator::triangulation_result StartedFaceMesh() {
  MCadTriangulator::triangulation_result face;
  face.vertices = {P(100), P(101), P(102)};
  face.triangles = {{0, 1, 2}};
  face.border_edges = {{1, 2, 42}};
  return face;
}

// Local vertices 0 to 5; vertex 2 is used only by a border edge, vertex 5 by nothing, and a
// removed triangle names vertex 1 first.
Oxlen::Geometry::triangle_surface LocalMesh() {
  Oxlen::Geometry::triangle_surface local;
  local.vertices = {P(0), P(1), P(2), P(3), P(4), P(5)};
  local.triangles = {{3, 1, 4}, {kRemoved, 1, 5}, {1, 0, 3}};
  return local;
}

const BorderEdges kBorder{{{4, 3}, 9}, {{2, 0}, 7}};  // iterated in key order: (2, 0) first

TEST(AppendTriangles, MapsVerticesInFirstMetOrderAndSkipsRemovedTriangles) {
  MCadTriangulator::triangulation_result face = StartedFaceMesh();
  MInternal::AppendTriangles(face, LocalMesh(), kBorder, false);

  // Triangles first, corners in order: 3, 1, 4, then 0; then the border edges add 2.
  const std::vector<Point3> vertices{P(100), P(101), P(102), P(3), P(1), P(4), P(0), P(2)};
  EXPECT_EQ(face.vertices, vertices);
  const std::vector<Triangle> triangles{{0, 1, 2}, {3, 4, 5}, {4, 6, 3}};
  EXPECT_EQ(face.triangles, triangles);
  ASSERT_EQ(face.border_edges.size(), 3u);
  EXPECT_EQ(face.border_edges[0].tag, 42);  // earlier edges stay as they were
  EXPECT_EQ(face.border_edges[1].first, 7u);
  EXPECT_EQ(face.border_edges[1].second, 6u);
  EXPECT_EQ(face.border_edges[1].tag, 7);
  EXPECT_EQ(face.border_edges[2].first, 5u);
  EXPECT_EQ(face.border_edges[2].second, 3u);
  EXPECT_EQ(face.border_edges[2].tag, 9);

  // Each call maps afresh: the same local mesh appended again gets new vertices.
  MInternal::AppendTriangles(face, LocalMesh(), kBorder, false);
  EXPECT_EQ(face.vertices.size(), 13u);
  EXPECT_EQ(face.triangles.back(), (Triangle{9, 11, 8}));
  EXPECT_EQ(face.border_edges.back().first, 10u);
}

TEST(AppendTriangles, ReversedTurnsEveryTriangleAndBorderEdge) {
  MCadTriangulator::triangulation_result forward = StartedFaceMesh();
  MCadTriangulator::triangulation_result reversed = StartedFaceMesh();
  MInternal::AppendTriangles(forward, LocalMesh(), kBorder, false);
  MInternal::AppendTriangles(reversed, LocalMesh(), kBorder, true);

  EXPECT_EQ(reversed.vertices, forward.vertices);  // the same first-met order
  ASSERT_EQ(reversed.triangles.size(), forward.triangles.size());
  EXPECT_EQ(reversed.triangles[0], forward.triangles[0]);  // not appended by this call
  for (std::size_t t = 1; t < forward.triangles.size(); ++t) {
    const Triangle& f = forward.triangles[t];
    EXPECT_EQ(reversed.triangles[t], (Triangle{f[2], f[1], f[0]}));
  }
  ASSERT_EQ(reversed.border_edges.size(), forward.border_edges.size());
  for (std::size_t e = 1; e < forward.border_edges.size(); ++e) {
    EXPECT_EQ(reversed.border_edges[e].first, forward.border_edges[e].second);
    EXPECT_EQ(reversed.border_edges[e].second, forward.border_edges[e].first);
    EXPECT_EQ(reversed.border_edges[e].tag, forward.border_edges[e].tag);
  }
}

TEST(AppendTriangles, EmptyLocalMeshAppendsNothing) {
  MCadTriangulator::triangulation_result face = StartedFaceMesh();
  Oxlen::Geometry::triangle_surface local;
  local.vertices = {P(0), P(1), P(2)};
  local.triangles = {{kRemoved, 1, 2}};
  MInternal::AppendTriangles(face, local, {}, true);
  EXPECT_EQ(face.vertices.size(), 3u);
  EXPECT_EQ(face.triangles.size(), 1u);
  EXPECT_EQ(face.border_edges.size(), 1u);
}

}  // namespace
