// Inner triangle selection and the validator of trimmed quads on hand-made meshes.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "trim_fixtures.h"

namespace {

using namespace trimmer_test;
using Flags = std::vector<bool>;

// The unit square fanned around its centre 4: (0, 1, 4), (1, 2, 4), (2, 3, 4), (3, 0, 4).
MTrimmer::MTriangles Fan() {
  MTrimmer::MTriangles mesh;
  const Corners c = UnitSquareCorners();
  mesh.vertices = {c[0], c[1], c[2], c[3], MPoint(0.5, 0.5, 0.0)};
  mesh.triangles = {{0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}};
  return mesh;
}

TEST(SelectInnerTriangles, FlipsAcrossEdgesWithAnOddNumberOfSegments) {
  MTrimmer::MTriangles mesh = Fan();
  EXPECT_EQ(MTrimmer::SelectInnerTriangles(mesh, true), Flags(4, true));
  EXPECT_EQ(MTrimmer::SelectInnerTriangles(mesh, false), Flags(4, false));

  // Both triangles at vertex 0 take its status, even with a loop edge between them.
  mesh.segments = {{4, 0, 1}};
  EXPECT_EQ(MTrimmer::SelectInnerTriangles(mesh, true), Flags(4, true));

  // One loop edge flips the neighbour; the first path that reaches a triangle decides.
  mesh.segments = {{1, 4, 1}};
  EXPECT_EQ(MTrimmer::SelectInnerTriangles(mesh, true), Flags({true, false, true, true}));
  EXPECT_EQ(MTrimmer::SelectInnerTriangles(mesh, false), Flags({false, true, false, false}));

  // An edge run twice by loops, whatever the directions, does not flip.
  mesh.segments = {{1, 4, 1}, {4, 1, 2}};
  EXPECT_EQ(MTrimmer::SelectInnerTriangles(mesh, true), Flags(4, true));
  mesh.segments = {{1, 4, 1}, {1, 4, 1}, {4, 1, std::nullopt}};
  EXPECT_EQ(MTrimmer::SelectInnerTriangles(mesh, true), Flags({true, false, true, true}));
}

TEST(SelectInnerTriangles, NeverReachesATriangleJoinedOnlyInTheSameDirection) {
  MTrimmer::MTriangles mesh;
  mesh.vertices = {MPoint(0.0, 0.0, 0.0), MPoint(1.0, 0.0, 0.0), MPoint(1.0, 1.0, 0.0),
                   MPoint(0.0, 1.0, 0.0)};
  mesh.triangles = {{0, 1, 3}, {1, 3, 2}};
  EXPECT_EQ(MTrimmer::SelectInnerTriangles(mesh, true), Flags({true, false}));
  // Without a triangle at vertex 0 nothing is reached.
  mesh.triangles = {{3, 1, 2}};
  EXPECT_EQ(MTrimmer::SelectInnerTriangles(mesh, true), Flags({false}));
  EXPECT_TRUE(MTrimmer::SelectInnerTriangles(MTrimmer::MTriangles{}, true).empty());
}

// The validator finds each kind of broken mesh.
TEST(TrimmedQuadValidation, ReportsTheFirstBrokenProperty) {
  const auto expectInvalid = [](const MTrimmer::MTriangles& mesh, const std::string& reason) {
    std::string why = "unchanged";
    EXPECT_FALSE(MTrimmer::IsValid(mesh, &why));
    EXPECT_NE(why.find(reason), std::string::npos) << why;
  };
  const MTrimmer::MTriangles fan = Fan();
  std::string why = "unchanged";
  EXPECT_TRUE(MTrimmer::IsValid(fan, &why));
  EXPECT_EQ(why, "unchanged");

  MTrimmer::MTriangles mesh = fan;
  mesh.vertices.resize(3);
  expectInvalid(mesh, "fewer than four vertices");
  mesh = fan;
  mesh.vertices[4][2] = std::numeric_limits<double>::quiet_NaN();
  expectInvalid(mesh, "vertex 4 is not finite");
  mesh = fan;
  mesh.vertices[2] = mesh.vertices[1];
  mesh.vertices[3] = mesh.vertices[0];
  expectInvalid(mesh, "the quad has no area");
  mesh = fan;
  mesh.triangles[1][0] = 5;
  expectInvalid(mesh, "triangle 1 has a vertex index out of range");
  mesh = fan;
  mesh.triangles[2] = {2, 2, 4};
  expectInvalid(mesh, "triangle 2 repeats a vertex");
  mesh = fan;
  mesh.triangles[3] = {0, 3, 4};
  expectInvalid(mesh, "triangle 3 is degenerate or wound against the quad");
  mesh = fan;
  mesh.triangles.pop_back();
  expectInvalid(mesh, "the triangle areas sum to");
  mesh = fan;
  mesh.triangles = {{0, 1, 2}, {0, 1, 2}};
  expectInvalid(mesh, "edge (0, 1) is used twice in the same direction");
  mesh = fan;
  mesh.triangles = {{0, 1, 3}, {3, 4, 2}, {4, 1, 2}};  // vertex 4 hangs on the diagonal
  expectInvalid(mesh, "edge (1, 3) has no neighbour and is not on the quad border");
  mesh = fan;
  mesh.segments = {{0, 4, 1}, {4, 0, 1}, {1, 0, 1}};
  expectInvalid(mesh, "segment 2 is not an edge of a triangle in its direction");
  EXPECT_FALSE(MTrimmer::IsValid(mesh));  // without a reason
}

}  // namespace
