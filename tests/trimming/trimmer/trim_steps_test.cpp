// The steps of the trimmer on small hand-made inputs, with their tie rules: the initial
// splitting, the 2- and 3-splittings, TrimTriangle, the inner triangle selection and the
// validator.
#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "trim_fixtures.h"
#include "trimming/M2SplittingGenerator.h"
#include "trimming/M3SplittingGenerator.h"

namespace {

using namespace trimmer_test;
using MTriangleToTrim = MTrimmer::MTriangleToTrim;
using M2 = MTrimmer::M2SplittingGenerator;
using M3 = MTrimmer::M3SplittingGenerator;
using Triangle = std::array<std::int32_t, 3>;
using Indices = std::vector<std::int32_t>;
using Segments = std::vector<MTrimmer::MSegmentFromLoop>;

MTriangleToTrim Tri(std::int32_t a, std::int32_t b, std::int32_t c) {
  MTriangleToTrim t;
  t.vertices = {a, b, c};
  return t;
}

// The triangle (0, 0), (4, 0), (0, 4) as vertices 0, 1, 2, followed by `more`.
MTrimmer::MTriangles Mesh(std::vector<MPoint> more) {
  MTrimmer::MTriangles mesh;
  mesh.vertices = {MPoint(0, 0, 0), MPoint(4, 0, 0), MPoint(0, 4, 0)};
  mesh.vertices.insert(mesh.vertices.end(), more.begin(), more.end());
  return mesh;
}

TEST(TrimQuad, InitialSplittingPlacesPointsAndCutsSegmentsAtTheDiagonal) {
  // An inner loop of one repeated point carries no segment and leaves no vertex.
  MTrimmer::MQuadToTrim quad;
  quad.corners = UnitSquareCorners();
  quad.innerLoops.push_back({{MPoint(0.2, 0.3, 0), MPoint(0.2, 0.3, 0)}, std::nullopt});
  const MTrimmer::MTriangles plain = MTrimmer::TrimQuad(quad);
  EXPECT_EQ(plain.vertices.size(), 4u);
  EXPECT_EQ(plain.triangles, (std::vector<Triangle>{{0, 1, 3}, {3, 1, 2}}));
  EXPECT_TRUE(plain.segments.empty());

  MTrimmer::MTriangles result;
  MTrimmer::MInitialSplitting splitting = MTrimmer::SplitQuadToInitialSplitting(quad, result);
  // On the diagonal the tie goes to B; a point off the quad lands on its nearest point.
  EXPECT_EQ(MTrimmer::PutLoopPointToInitialSplitting(MPoint(0.5, 0.5, 0), splitting, result),
            std::make_pair(4, 1));
  EXPECT_EQ(MTrimmer::PutLoopPointToInitialSplitting(MPoint(0.2, 0.4, 3), splitting, result),
            std::make_pair(5, 0));
  EXPECT_NEAR(distance(result.vertices[5], MPoint(0.2, 0.4, 0)), 0.0, 1e-15);
  // A segment from A to B meets the diagonal x + y = 1 at (0.5, 0.5): two pieces with its tag.
  MTrimmer::PutLoopPointToInitialSplitting(MPoint(0.8, 0.6, 0), splitting, result);
  MTrimmer::PutSegmentToInitialSplitting({5, 6, 9}, splitting[0], splitting[1], result);
  ASSERT_EQ(result.vertices.size(), 8u);
  EXPECT_NEAR(distance(result.vertices[7], MPoint(0.5, 0.5, 0)), 0.0, 1e-15);
  EXPECT_EQ(splitting[0].edgePoints[1], Indices({7}));  // A's (1, 3)
  EXPECT_EQ(splitting[1].edgePoints[0], Indices({7}));  // B's (3, 1)
  EXPECT_EQ(splitting[0].segments, Segments({{5, 7, 9}}));
  EXPECT_EQ(splitting[1].segments, Segments({{7, 6, 9}}));
}

TEST(TwoSplitting, CutsThroughTheBestEdgePoint) {
  // One edge point and nothing else: two children, no vertex; none, no splitting.
  const MTrimmer::MTriangles mesh =
      Mesh({MPoint(2, 0, 0), MPoint(2, 2, 0), MPoint(0, 2, 0), MPoint(1, 0, 0)});
  bool found = false;
  MTriangleToTrim single = Tri(0, 1, 2);
  single.edgePoints[1] = {4};
  MTrimmer::MSplitting s = M2::SelectBest(single, mesh, found);
  EXPECT_TRUE(found);
  ASSERT_EQ(s.children.size(), 2u);
  EXPECT_EQ(s.children[0].vertices, Triangle({1, 4, 0}));
  EXPECT_EQ(s.children[1].vertices, Triangle({4, 2, 0}));
  EXPECT_TRUE(s.newVertices.empty());
  M2::SelectBest(Tri(0, 1, 2), mesh, found);
  EXPECT_FALSE(found);

  // Of equal cuts the earliest edge point of the lowest edge wins...
  MTriangleToTrim t = Tri(0, 1, 2);
  t.edgePoints[0] = {6, 3};
  t.edgePoints[1] = {4};
  EXPECT_EQ(M2::SelectBest(t, mesh, found).children[1].vertices, Triangle({6, 1, 2}));
  // ... unless a segment from an edge point to its opposite corner makes that cut a mesh edge.
  t.segments = {{0, 4, 2}};
  s = M2::SelectBest(t, mesh, found);
  EXPECT_EQ(s.children[0].vertices, Triangle({1, 4, 0}));
  EXPECT_EQ(s.addedSegments, Segments({{0, 4, 2}}));
  EXPECT_TRUE(s.children[0].segments.empty() && s.children[1].segments.empty());

  // A segment crossing the cut adds a vertex, an edge point of the cut in both children.
  t = Tri(0, 1, 2);
  t.edgePoints = {Indices{3}, Indices{4}, Indices{5}};
  t.segments = {{5, 4, 8}};
  s = M2::Generate2Splitting(t, mesh, 0, 3);
  ASSERT_EQ(s.newVertices.size(), 1u);
  EXPECT_NEAR(distance(s.newVertices[0], MPoint(1, 2, 0)), 0.0, 1e-15);
  EXPECT_EQ(s.children[0].edgePoints[1], Indices({7}));
  EXPECT_EQ(s.children[1].edgePoints[2], Indices({7}));
  EXPECT_EQ(s.children[0].segments, Segments({{5, 7, 8}}));
  EXPECT_EQ(s.children[1].segments, Segments({{7, 4, 8}}));

  // A loop edge along the split edge is split only where it runs the triangle's way.
  MTrimmer::MTriangles withLoopEdges = mesh;
  withLoopEdges.segments = {{1, 0, 4}, {0, 1, std::nullopt}, {0, 1, 5}};
  t = Tri(0, 1, 2);
  t.edgePoints[0] = {3};
  s = M2::Generate2Splitting(t, withLoopEdges, 0, 3);
  EXPECT_EQ(s.addedSegments, Segments({{0, 3, std::nullopt}, {3, 1, std::nullopt}}));
  EXPECT_EQ(s.removedSegments, Segments({{0, 1, std::nullopt}}));
}

TEST(ThreeSplitting, JoinsAnInnerPointToTheCorners) {
  // Inner point 3 = (1, 1), edge points 4 = (2, 0), 5 = (2, 2), 6 = (0, 2) on edges 0, 1, 2.
  MTrimmer::MTriangles mesh =
      Mesh({MPoint(1, 1, 0), MPoint(2, 0, 0), MPoint(2, 2, 0), MPoint(0, 2, 0)});
  MTriangleToTrim t = Tri(0, 1, 2);
  t.innerPoints = {3};
  t.edgePoints = {Indices{4}, Indices{5}, Indices{6}};
  t.segments = {{3, 1, 7}, {4, 3, 8}};
  bool found = false;
  MTrimmer::MSplitting s = M3::Generate3Splitting(t, mesh, found);
  EXPECT_TRUE(found);
  ASSERT_EQ(s.children.size(), 3u);
  EXPECT_EQ(s.children[0].vertices, Triangle({0, 1, 3}));
  EXPECT_EQ(s.children[1].vertices, Triangle({1, 2, 3}));
  EXPECT_EQ(s.children[2].vertices, Triangle({2, 0, 3}));
  for (int k = 0; k < 3; ++k)
    EXPECT_EQ(s.children[k].edgePoints[0], t.edgePoints[k]);
  EXPECT_TRUE(s.newVertices.empty());
  // The spoke segment is a mesh edge now; the other stays in its child.
  EXPECT_EQ(s.addedSegments, Segments({{3, 1, 7}}));
  EXPECT_EQ(s.children[0].segments, Segments({{4, 3, 8}}));
  M3::Generate3Splitting(Tri(0, 1, 2), mesh, found);
  EXPECT_FALSE(found);

  // i = 3; 4 = (2.5, 0.3) lies in child 0, 5 = (0.3, 2.5) and 6 = (0.3, 0.5) in child 2. Around
  // the far side of i through child 1 is shorter: two crossings, on the spokes to corners 1 and
  // 2. Below i the direct way across the spoke to corner 0 is: one crossing.
  mesh = Mesh({MPoint(1, 1, 0), MPoint(2.5, 0.3, 0), MPoint(0.3, 2.5, 0), MPoint(0.3, 0.5, 0)});
  t = Tri(0, 1, 2);
  t.innerPoints = {3, 4, 5, 6};
  t.segments = {{4, 5, 1}};
  s = M3::Generate3Splitting(t, mesh, 3);
  ASSERT_EQ(s.newVertices.size(), 2u);
  EXPECT_NEAR(distance(s.newVertices[0], MPoint(2.2, 0.6, 0)), 0.0, 1e-14);
  EXPECT_NEAR(distance(s.newVertices[1], MPoint(0.6, 2.2, 0)), 0.0, 1e-14);
  EXPECT_EQ(s.children[0].segments, Segments({{4, 7, 1}}));
  EXPECT_EQ(s.children[1].segments, Segments({{7, 8, 1}}));
  EXPECT_EQ(s.children[2].segments, Segments({{8, 5, 1}}));
  EXPECT_EQ(s.children[1].edgePoints[2], Indices({7}));
  EXPECT_EQ(s.children[2].edgePoints[2], Indices({8}));
  t.segments = {{4, 6, 2}};
  s = M3::Generate3Splitting(t, mesh, 3);
  ASSERT_EQ(s.newVertices.size(), 1u);
  EXPECT_EQ(s.children[0].segments, Segments({{4, 7, 2}}));
  EXPECT_EQ(s.children[2].segments, Segments({{7, 6, 2}}));

  // Points on the spokes of i to corners 1, 0 and 2 go to the lower of their two children; of
  // candidates needing no vertex the first in the list is used.
  mesh = Mesh({MPoint(1, 1, 0), MPoint(2.5, 0.5, 0), MPoint(0.5, 0.5, 0), MPoint(0.5, 2.5, 0)});
  t = Tri(0, 1, 2);
  t.innerPoints = {3, 4, 5, 6};
  s = M3::Generate3Splitting(t, mesh, 3);
  EXPECT_EQ(s.children[0].innerPoints, Indices({4, 5}));
  EXPECT_EQ(s.children[1].innerPoints, Indices({6}));
  EXPECT_TRUE(s.children[2].innerPoints.empty());
  EXPECT_EQ(M3::Generate3Splitting(t, mesh, found).children[0].vertices, Triangle({0, 1, 3}));
  t.innerPoints = {5, 3, 4, 6};
  EXPECT_EQ(M3::Generate3Splitting(t, mesh, found).children[0].vertices, Triangle({0, 1, 5}));
}

TEST(ThreeSplitting, FromFiveInnerPointsPicksTheOneWhoseSpokesCrossFewestSegments) {
  // Segment A-B from (1, 6) to (6, 1): the spokes from corners 1 and 2 to Q = (3, 3) cross it,
  // and so does the spoke from corner 0 to R = (2, 7); those to P = (1, 1) pass beyond its ends.
  MTrimmer::MTriangles mesh;
  mesh.vertices = {MPoint(0, 0, 0), MPoint(10, 0, 0), MPoint(0, 10, 0), MPoint(1, 1, 0),
                   MPoint(3, 3, 0), MPoint(1, 6, 0),  MPoint(6, 1, 0),  MPoint(2, 7, 0)};
  MTriangleToTrim t = Tri(0, 1, 2);
  t.innerPoints = {4, 7, 5, 3, 6};  // Q, R, A, P, B
  t.segments = {{5, 6, 1}};
  EXPECT_EQ(M3::ComputeCrossingScores(t, mesh),
            (std::map<std::int32_t, long long>{{3, 0}, {4, 2}, {5, 0}, {6, 0}, {7, 1}}));
  bool found = false;
  EXPECT_EQ(M3::Generate3Splitting(t, mesh, found).children[0].vertices, Triangle({0, 1, 5}));
}

TEST(TrimTriangle, SplitsDepthFirstAndPrefersCutsWithoutNewVertices) {
  // A triangle whose only segments are its own edges is emitted unchanged.
  MTrimmer::MTriangles result = Mesh({MPoint(2, 0, 0)});
  result.segments = {{0, 1, 3}, {2, 0, std::nullopt}, {0, 1, 3}};
  MTriangleToTrim t = Tri(0, 1, 2);
  t.segments = {{1, 2, 3}, {0, 2, std::nullopt}};
  MTrimmer::TrimTriangle(t, result);
  EXPECT_EQ(result.triangles, std::vector<Triangle>({{0, 1, 2}}));
  // Splitting a loop edge removes every copy of it.
  t.segments.clear();
  t.edgePoints[0] = {3};
  MTrimmer::TrimTriangle(t, result);
  EXPECT_EQ(result.segments, Segments({{2, 0, std::nullopt}, {0, 3, 3}, {3, 1, 3}}));

  // Inner point 3 is cut first; 4 then lies in the first child (0, 1, 3), trimmed first.
  MTrimmer::MTriangles depth = Mesh({MPoint(1.2, 1.2, 0), MPoint(1.2, 0.4, 0)});
  t = Tri(0, 1, 2);
  t.innerPoints = {3, 4};
  MTrimmer::TrimTriangle(t, depth);
  EXPECT_EQ(depth.triangles,
            std::vector<Triangle>({{0, 1, 4}, {1, 3, 4}, {3, 0, 4}, {1, 2, 3}, {2, 0, 3}}));

  // The segment 4 -> 5 passes inner point 3 on the far side: the spokes to corners 1 and 2 would
  // cross it, while the cut from 4 to corner 2 crosses nothing. Without it, 3 is cut first.
  const MTrimmer::MTriangles base = Mesh({MPoint(1, 1, 0), MPoint(2, 0, 0), MPoint(0, 2, 0)});
  for (const bool withSegment : {true, false}) {
    MTrimmer::MTriangles mesh = base;
    t = Tri(0, 1, 2);
    t.innerPoints = {3};
    t.edgePoints[0] = {4};
    if (withSegment) {
      t.edgePoints[2] = {5};
      t.segments = {{4, 5, 1}};
    }
    MTrimmer::TrimTriangle(t, mesh);
    if (withSegment)
      EXPECT_EQ(mesh.triangles.back(), Triangle({4, 1, 2}));
    else
      EXPECT_EQ(mesh.triangles,
                std::vector<Triangle>({{0, 4, 3}, {4, 1, 3}, {1, 2, 3}, {2, 0, 3}}));
  }
}

TEST(SelectInnerTriangles, FlipsAcrossEdgesWithAnOddNumberOfSegments) {
  // The unit square fanned around its centre 4: (0, 1, 4), (1, 2, 4), (2, 3, 4), (3, 0, 4).
  MTrimmer::MTriangles fan;
  const Corners c = UnitSquareCorners();
  fan.vertices = {c[0], c[1], c[2], c[3], MPoint(0.5, 0.5, 0.0)};
  fan.triangles = {{0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}};
  using Flags = std::vector<bool>;
  const std::vector<std::pair<Segments, Flags>> cases{
      {{}, Flags(4, true)},
      // Both triangles at vertex 0 take its status, even with a loop edge between them.
      {{{4, 0, 1}}, Flags(4, true)},
      // One loop edge flips the neighbour; the first path that reaches a triangle decides.
      {{{1, 4, 1}}, {true, false, true, true}},
      // An edge run twice by loops, whatever the directions, does not flip; three times does.
      {{{1, 4, 1}, {4, 1, 2}}, Flags(4, true)},
      {{{1, 4, 1}, {1, 4, 1}, {4, 1, std::nullopt}}, {true, false, true, true}}};
  for (const auto& [segments, flags] : cases) {
    fan.segments = segments;
    EXPECT_EQ(MTrimmer::SelectInnerTriangles(fan, true), flags);
    Flags negated = flags;
    negated.flip();
    EXPECT_EQ(MTrimmer::SelectInnerTriangles(fan, false), negated);
  }
  // A triangle joined only through an edge run the same way is never reached, nor is anything
  // without a triangle at vertex 0.
  fan.segments.clear();
  fan.triangles = {{0, 1, 3}, {1, 3, 2}};
  EXPECT_EQ(MTrimmer::SelectInnerTriangles(fan, true), Flags({true, false}));
  fan.triangles = {{3, 1, 2}};
  EXPECT_EQ(MTrimmer::SelectInnerTriangles(fan, true), Flags({false}));
}

TEST(TrimmedQuadValidation, ReportsTheFirstBrokenProperty) {
  MTrimmer::MTriangles fan;
  const Corners c = UnitSquareCorners();
  fan.vertices = {c[0], c[1], c[2], c[3], MPoint(0.5, 0.5, 0.0)};
  fan.triangles = {{0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}};
  std::string why = "unchanged";
  EXPECT_TRUE(MTrimmer::IsValid(fan, &why));
  EXPECT_EQ(why, "unchanged");
  using Change = void (*)(MTrimmer::MTriangles&);
  const std::vector<std::pair<Change, std::string>> cases{
      {[](auto& m) { m.vertices.resize(3); }, "fewer than four vertices"},
      {[](auto& m) { m.vertices[4][2] = std::numeric_limits<double>::quiet_NaN(); },
       "vertex 4 is not finite"},
      {[](auto& m) {
         m.vertices[2] = m.vertices[1];
         m.vertices[3] = m.vertices[0];
       },
       "the quad has no area"},
      {[](auto& m) { m.triangles[1][0] = 5; }, "triangle 1 has a vertex index out of range"},
      {[](auto& m) {
         m.triangles[2] = {2, 2, 4};
       },
       "triangle 2 repeats a vertex"},
      {[](auto& m) {
         m.triangles[3] = {0, 3, 4};
       },
       "triangle 3 is degenerate or wound against the quad"},
      {[](auto& m) { m.triangles.pop_back(); }, "the triangle areas sum to"},
      {[](auto& m) {
         m.triangles = {{0, 1, 2}, {0, 1, 2}};
       },
       "edge (0, 1) is used twice in the same direction"},
      {[](auto& m) {
         m.triangles = {{0, 1, 3}, {3, 4, 2}, {4, 1, 2}};
       },  // 4 on the diagonal
       "edge (1, 3) has no neighbour and is not on the quad border"},
      {[](auto& m) {
         m.segments = {{0, 4, 1}, {4, 0, 1}, {1, 0, 1}};
       },
       "segment 2 is not an edge of a triangle in its direction"}};
  for (const auto& [change, reason] : cases) {
    MTrimmer::MTriangles mesh = fan;
    change(mesh);
    EXPECT_FALSE(MTrimmer::IsValid(mesh, &why));
    EXPECT_NE(why.find(reason), std::string::npos) << why;
  }
}

}  // namespace
