// The 2- and 3-splitting generators on small hand-made triangles.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <optional>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "trim_fixtures.h"
#include "trimming/M2SplittingGenerator.h"
#include "trimming/M3SplittingGenerator.h"

namespace {

using namespace trimmer_test;
using MTriangleToTrim = MTrimmer::MTriangleToTrim;
using MSegmentFromLoop = MTrimmer::MSegmentFromLoop;
using M2 = MTrimmer::M2SplittingGenerator;
using M3 = MTrimmer::M3SplittingGenerator;
using Triangle = std::array<std::int32_t, 3>;
using Indices = std::vector<std::int32_t>;
using Segments = std::vector<MSegmentFromLoop>;

// The triangle (0, 0), (4, 0), (0, 4) as vertices 0, 1, 2, followed by `more`.
MTrimmer::MTriangles Mesh(std::vector<MPoint> more) {
  MTrimmer::MTriangles mesh;
  mesh.vertices = {MPoint(0.0, 0.0, 0.0), MPoint(4.0, 0.0, 0.0), MPoint(0.0, 4.0, 0.0)};
  mesh.vertices.insert(mesh.vertices.end(), more.begin(), more.end());
  return mesh;
}

MTriangleToTrim Corners012() {
  MTriangleToTrim t;
  t.vertices = {0, 1, 2};
  return t;
}

TEST(TwoSplitting, CutsThroughAnEdgePointAndDistributesItsPoints) {
  const MTrimmer::MTriangles mesh = Mesh(
      {MPoint(1.0, 0.0, 0.0), MPoint(2.0, 0.0, 0.0), MPoint(3.0, 0.0, 0.0), MPoint(3.0, 1.0, 0.0),
       MPoint(0.0, 1.0, 0.0), MPoint(0.5, 0.5, 0.0), MPoint(2.5, 0.5, 0.0)});
  MTriangleToTrim t = Corners012();
  t.edgePoints[0] = {3, 4, 5};
  t.edgePoints[1] = {6};
  t.edgePoints[2] = {7};
  t.innerPoints = {8, 9};
  const MTrimmer::MSplitting s = M2::Generate2Splitting(t, mesh, 0, 4);
  ASSERT_EQ(s.children.size(), 2u);
  EXPECT_EQ(s.children[0].vertices, Triangle({0, 4, 2}));
  EXPECT_EQ(s.children[1].vertices, Triangle({4, 1, 2}));
  EXPECT_EQ(s.children[0].edgePoints[0], Indices({3}));
  EXPECT_EQ(s.children[1].edgePoints[0], Indices({5}));
  EXPECT_EQ(s.children[1].edgePoints[1], Indices({6}));
  EXPECT_EQ(s.children[0].edgePoints[2], Indices({7}));
  EXPECT_EQ(s.children[0].innerPoints, Indices({8}));
  EXPECT_EQ(s.children[1].innerPoints, Indices({9}));
  EXPECT_TRUE(s.newVertices.empty());

  // One edge point and nothing else: two children, no vertex.
  MTriangleToTrim single = Corners012();
  single.edgePoints[1] = {6};
  bool found = false;
  const MTrimmer::MSplitting best = M2::SelectBest(single, mesh, found);
  EXPECT_TRUE(found);
  ASSERT_EQ(best.children.size(), 2u);
  EXPECT_EQ(best.children[0].vertices, Triangle({1, 6, 0}));
  EXPECT_EQ(best.children[1].vertices, Triangle({6, 2, 0}));
  EXPECT_TRUE(best.newVertices.empty());

  // Without edge points there is nothing to cut.
  M2::SelectBest(Corners012(), mesh, found);
  EXPECT_FALSE(found);
}

TEST(TwoSplitting, AddsAVertexWhereASegmentCrossesTheCut) {
  // Edge points 3 = (2, 0) on edge 0, 4 = (2, 2) on edge 1, 5 = (0, 2) on edge 2.
  const MTrimmer::MTriangles mesh =
      Mesh({MPoint(2.0, 0.0, 0.0), MPoint(2.0, 2.0, 0.0), MPoint(0.0, 2.0, 0.0)});
  MTriangleToTrim t = Corners012();
  t.edgePoints = {Indices{3}, Indices{4}, Indices{5}};
  t.segments = {{5, 4, 8}};
  const MTrimmer::MSplitting s = M2::Generate2Splitting(t, mesh, 0, 3);
  ASSERT_EQ(s.newVertices.size(), 1u);
  EXPECT_NEAR(distance(s.newVertices[0], MPoint(1.0, 2.0, 0.0)), 0.0, 1e-15);
  EXPECT_EQ(s.children[0].edgePoints[1], Indices({6}));  // (3, 2) in a
  EXPECT_EQ(s.children[1].edgePoints[2], Indices({6}));  // (2, 3) in b
  EXPECT_EQ(s.children[0].segments, Segments({{5, 6, 8}}));
  EXPECT_EQ(s.children[1].segments, Segments({{6, 4, 8}}));

  // The cut from 4 to corner 0 runs along no segment but crosses none either: it wins.
  bool found = false;
  const MTrimmer::MSplitting best = M2::SelectBest(t, mesh, found);
  EXPECT_TRUE(best.newVertices.empty());
  EXPECT_EQ(best.children[0].vertices, Triangle({1, 4, 0}));
}

TEST(TwoSplitting, PrefersACutAlongASegmentThenTheEarliestOfEqualCuts) {
  const MTrimmer::MTriangles mesh =
      Mesh({MPoint(2.0, 0.0, 0.0), MPoint(2.0, 2.0, 0.0), MPoint(1.0, 0.0, 0.0)});
  MTriangleToTrim t = Corners012();
  t.edgePoints[0] = {5, 3};
  t.edgePoints[1] = {4};
  bool found = false;
  EXPECT_EQ(M2::SelectBest(t, mesh, found).children[1].vertices, Triangle({5, 1, 2}));

  // A segment from edge point 4 to its opposite corner makes that cut a mesh edge.
  t.segments = {{0, 4, 2}};
  const MTrimmer::MSplitting s = M2::SelectBest(t, mesh, found);
  EXPECT_EQ(s.children[0].vertices, Triangle({1, 4, 0}));
  EXPECT_EQ(s.addedSegments, Segments({{0, 4, 2}}));
  EXPECT_TRUE(s.children[0].segments.empty());
  EXPECT_TRUE(s.children[1].segments.empty());
}

TEST(TwoSplitting, SplitsALoopEdgeOnlyWhereItRunsTheTrianglesWay) {
  MTrimmer::MTriangles mesh = Mesh({MPoint(2.0, 0.0, 0.0)});
  MTriangleToTrim t = Corners012();
  t.edgePoints[0] = {3};
  mesh.segments = {{1, 0, 4}};
  MTrimmer::MSplitting s = M2::Generate2Splitting(t, mesh, 0, 3);
  EXPECT_TRUE(s.addedSegments.empty());
  EXPECT_TRUE(s.removedSegments.empty());

  mesh.segments = {{1, 0, 4}, {0, 1, std::nullopt}, {0, 1, 5}};
  s = M2::Generate2Splitting(t, mesh, 0, 3);
  EXPECT_EQ(s.addedSegments, Segments({{0, 3, std::nullopt}, {3, 1, std::nullopt}}));
  EXPECT_EQ(s.removedSegments, Segments({{0, 1, std::nullopt}}));
}

TEST(ThreeSplitting, JoinsTheInnerPointToTheCorners) {
  const MTrimmer::MTriangles mesh = Mesh(
      {MPoint(1.0, 1.0, 0.0), MPoint(2.0, 0.0, 0.0), MPoint(2.0, 2.0, 0.0), MPoint(0.0, 2.0, 0.0)});
  MTriangleToTrim t = Corners012();
  t.innerPoints = {3};
  t.edgePoints = {Indices{4}, Indices{5}, Indices{6}};
  t.segments = {{3, 1, 7}, {4, 3, 8}};
  bool found = false;
  const MTrimmer::MSplitting s = M3::Generate3Splitting(t, mesh, found);
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

  M3::Generate3Splitting(Corners012(), mesh, found);
  EXPECT_FALSE(found);
}

TEST(ThreeSplitting, CrossesTheSpokesAlongTheShorterWay) {
  // i = (1, 1); a = (2.5, 0.3) lies in child 0, b = (0.3, 2.5) in child 2, c = (0.3, 0.5) too.
  const MTrimmer::MTriangles mesh = Mesh(
      {MPoint(1.0, 1.0, 0.0), MPoint(2.5, 0.3, 0.0), MPoint(0.3, 2.5, 0.0), MPoint(0.3, 0.5, 0.0)});
  MTriangleToTrim t = Corners012();
  t.innerPoints = {3, 4, 5, 6};
  t.segments = {{4, 5, 1}};
  // Around the far side of i through child 1: two crossings, on the spokes to corners 1 and 2.
  MTrimmer::MSplitting s = M3::Generate3Splitting(t, mesh, 3);
  ASSERT_EQ(s.newVertices.size(), 2u);
  EXPECT_NEAR(distance(s.newVertices[0], MPoint(2.2, 0.6, 0.0)), 0.0, 1e-14);
  EXPECT_NEAR(distance(s.newVertices[1], MPoint(0.6, 2.2, 0.0)), 0.0, 1e-14);
  EXPECT_EQ(s.children[0].segments, Segments({{4, 7, 1}}));
  EXPECT_EQ(s.children[1].segments, Segments({{7, 8, 1}}));
  EXPECT_EQ(s.children[2].segments, Segments({{8, 5, 1}}));
  EXPECT_EQ(s.children[0].edgePoints[1], Indices({7}));
  EXPECT_EQ(s.children[1].edgePoints[2], Indices({7}));
  EXPECT_EQ(s.children[1].edgePoints[1], Indices({8}));
  EXPECT_EQ(s.children[2].edgePoints[2], Indices({8}));

  // Below i the direct way across the spoke to corner 0 is shorter: one crossing.
  t.segments = {{4, 6, 2}};
  s = M3::Generate3Splitting(t, mesh, 3);
  ASSERT_EQ(s.newVertices.size(), 1u);
  EXPECT_EQ(s.children[0].segments, Segments({{4, 7, 2}}));
  EXPECT_EQ(s.children[2].segments, Segments({{7, 6, 2}}));
  EXPECT_EQ(s.children[0].edgePoints[2], Indices({7}));
  EXPECT_EQ(s.children[2].edgePoints[1], Indices({7}));
}

TEST(ThreeSplitting, GivesTiesToTheLowerChildAndTheEarlierPoint) {
  // On the spokes of i = (1, 1): to corner 1 (children 0, 1), to corner 0 (0, 2), to corner 2
  // (1, 2).
  const MTrimmer::MTriangles mesh = Mesh(
      {MPoint(1.0, 1.0, 0.0), MPoint(2.5, 0.5, 0.0), MPoint(0.5, 0.5, 0.0), MPoint(0.5, 2.5, 0.0)});
  MTriangleToTrim t = Corners012();
  t.innerPoints = {3, 4, 5, 6};
  const MTrimmer::MSplitting s = M3::Generate3Splitting(t, mesh, 3);
  EXPECT_EQ(s.children[0].innerPoints, Indices({4, 5}));
  EXPECT_EQ(s.children[1].innerPoints, Indices({6}));
  EXPECT_TRUE(s.children[2].innerPoints.empty());

  // Every candidate needs no vertex: the first inner point is used.
  bool found = false;
  EXPECT_EQ(M3::Generate3Splitting(t, mesh, found).children[0].vertices, Triangle({0, 1, 3}));
  t.innerPoints = {5, 3, 4, 6};
  EXPECT_EQ(M3::Generate3Splitting(t, mesh, found).children[0].vertices, Triangle({0, 1, 5}));
}

TEST(ThreeSplitting, FromFiveInnerPointsPicksTheOneWhoseSpokesCrossFewestSegments) {
  // Segment A-B from (1, 6) to (6, 1): the spokes from corners 1 and 2 to Q = (3, 3) cross it,
  // and so does the spoke from corner 0 to R = (2, 7); those to P = (1, 1) pass beyond its ends.
  MTrimmer::MTriangles mesh;
  mesh.vertices = {MPoint(0.0, 0.0, 0.0), MPoint(10.0, 0.0, 0.0), MPoint(0.0, 10.0, 0.0),
                   MPoint(1.0, 1.0, 0.0), MPoint(3.0, 3.0, 0.0),  MPoint(1.0, 6.0, 0.0),
                   MPoint(6.0, 1.0, 0.0), MPoint(2.0, 7.0, 0.0)};
  MTriangleToTrim t = Corners012();
  t.innerPoints = {4, 7, 5, 3, 6};  // Q, R, A, P, B
  t.segments = {{5, 6, 1}};
  const std::map<std::int32_t, long long> expected{{3, 0}, {4, 2}, {5, 0}, {6, 0}, {7, 1}};
  EXPECT_EQ(M3::ComputeCrossingScores(t, mesh), expected);
  bool found = false;
  const MTrimmer::MSplitting s = M3::Generate3Splitting(t, mesh, found);
  EXPECT_TRUE(found);
  EXPECT_EQ(s.children[0].vertices, Triangle({0, 1, 5}));  // the first point scoring 0

  // Segments at a corner are never counted.
  t.segments = {{0, 7, 1}, {3, 1, 2}};
  for (const auto& [point, score] : M3::ComputeCrossingScores(t, mesh))
    EXPECT_EQ(score, 0) << "point " << point;
}

}  // namespace
