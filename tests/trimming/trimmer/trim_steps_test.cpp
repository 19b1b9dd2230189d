// The steps of TrimQuad and TrimTriangle on small hand-made inputs.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "trim_fixtures.h"

namespace {

using namespace trimmer_test;
using MTriangleToTrim = MTrimmer::MTriangleToTrim;
using MSegmentFromLoop = MTrimmer::MSegmentFromLoop;
using Triangle = std::array<std::int32_t, 3>;

MTriangleToTrim Tri(std::int32_t a, std::int32_t b, std::int32_t c) {
  MTriangleToTrim t;
  t.vertices = {a, b, c};
  return t;
}

MTrimmer::MQuadToTrim UnitQuad() {
  MTrimmer::MQuadToTrim quad;
  quad.corners = UnitSquareCorners();
  return quad;
}

TEST(TrimQuad, QuadWithoutUsableLoopsIsCutAlongItsDiagonal) {
  MTrimmer::MQuadToTrim quad = UnitQuad();
  const std::vector<Triangle> diagonalCut{{0, 1, 3}, {3, 1, 2}};
  MTrimmer::MTriangles result = MTrimmer::TrimQuad(quad);
  EXPECT_EQ(result.triangles, diagonalCut);

  // An inner loop of one repeated point carries no segment and leaves no vertex.
  quad.innerLoops.push_back({{MPoint(0.2, 0.3, 0.0), MPoint(0.2, 0.3, 0.0)}, std::nullopt});
  result = MTrimmer::TrimQuad(quad);
  EXPECT_EQ(result.vertices.size(), 4u);
  EXPECT_EQ(result.triangles, diagonalCut);
  EXPECT_TRUE(result.segments.empty());
  EXPECT_EQ(MTrimmer::SelectInnerTriangles(result, true), std::vector<bool>({true, true}));
}

TEST(InitialSplitting, PlacesLoopPointsOnTheNearerTriangle) {
  const MTrimmer::MQuadToTrim quad = UnitQuad();
  MTrimmer::MTriangles result;
  MTrimmer::MInitialSplitting splitting = MTrimmer::SplitQuadToInitialSplitting(quad, result);
  EXPECT_EQ(splitting[0].vertices, Triangle({0, 1, 3}));
  EXPECT_EQ(splitting[1].vertices, Triangle({3, 1, 2}));
  ASSERT_EQ(result.vertices.size(), 4u);

  // On the diagonal the tie goes to B; a point off the quad lands on its nearest point.
  EXPECT_EQ(MTrimmer::PutLoopPointToInitialSplitting(MPoint(0.5, 0.5, 0.0), splitting, result),
            std::make_pair(4, 1));
  EXPECT_EQ(MTrimmer::PutLoopPointToInitialSplitting(MPoint(0.2, 0.1, 3.0), splitting, result),
            std::make_pair(5, 0));
  EXPECT_EQ(MTrimmer::PutLoopPointToInitialSplitting(MPoint(0.9, 0.8, -1.0), splitting, result),
            std::make_pair(6, 1));
  EXPECT_EQ(result.vertices[4], MPoint(0.5, 0.5, 0.0));
  EXPECT_NEAR(distance(result.vertices[5], MPoint(0.2, 0.1, 0.0)), 0.0, 1e-15);
  EXPECT_NEAR(distance(result.vertices[6], MPoint(0.9, 0.8, 0.0)), 0.0, 1e-15);
  EXPECT_EQ(splitting[0].innerPoints, std::vector<std::int32_t>({5}));
  EXPECT_EQ(splitting[1].innerPoints, std::vector<std::int32_t>({4, 6}));
}

TEST(InitialSplitting, CutsASegmentCrossingTheDiagonalIntoTwoPiecesWithItsTag) {
  const MTrimmer::MQuadToTrim quad = UnitQuad();
  MTrimmer::MTriangles result;
  MTrimmer::MInitialSplitting splitting = MTrimmer::SplitQuadToInitialSplitting(quad, result);
  const auto [inA, a] =
      MTrimmer::PutLoopPointToInitialSplitting(MPoint(0.2, 0.4, 0.0), splitting, result);
  const auto [inB, b] =
      MTrimmer::PutLoopPointToInitialSplitting(MPoint(0.8, 0.6, 0.0), splitting, result);
  ASSERT_EQ(a, 0);
  ASSERT_EQ(b, 1);
  MTrimmer::PutSegmentToInitialSplitting(MSegmentFromLoop(inA, inB, 9), splitting[0], splitting[1],
                                         result);
  ASSERT_EQ(result.vertices.size(), 7u);
  // The straight segment meets the diagonal x + y = 1 at (0.5, 0.5).
  EXPECT_NEAR(distance(result.vertices[6], MPoint(0.5, 0.5, 0.0)), 0.0, 1e-15);
  EXPECT_EQ(splitting[0].edgePoints[1], std::vector<std::int32_t>({6}));  // A's (1, 3)
  EXPECT_EQ(splitting[1].edgePoints[0], std::vector<std::int32_t>({6}));  // B's (3, 1)
  EXPECT_EQ(splitting[0].segments, std::vector<MSegmentFromLoop>({{inA, 6, 9}}));
  EXPECT_EQ(splitting[1].segments, std::vector<MSegmentFromLoop>({{6, inB, 9}}));

  // Within one triangle the segment is kept whole.
  MTrimmer::PutSegmentToInitialSplitting(MSegmentFromLoop(inB, inB - 1, std::nullopt), splitting[1],
                                         splitting[1], result);
  EXPECT_EQ(splitting[1].segments.back(), MSegmentFromLoop(inB, inB - 1, std::nullopt));
  EXPECT_EQ(result.vertices.size(), 7u);
}

TEST(InitialSplitting, PartsBecomeBorderEdgePointsAndTaggedSegments) {
  MTrimmer::MQuadToTrim quad = UnitQuad();
  MTrimmer::MTriangles result;
  MTrimmer::MInitialSplitting splitting = MTrimmer::SplitQuadToInitialSplitting(quad, result);
  MTrimmer::MPartToTrim part;
  part.startEdge = 1;  // right, in B
  part.startPoint = MPoint(1.0, 0.7, 0.0);
  part.startTag = 4;
  part.points = {MPoint(0.8, 0.8, 0.0)};
  part.tags = std::vector<std::int32_t>{5};
  part.endEdge = 2;  // top, in B
  part.endPoint = MPoint(0.6, 1.0, 0.0);
  part.endTag = 6;
  MTrimmer::PutLoopPartsIntoInitialSplitting(part, splitting, result);
  // Points first, then the two crossings.
  EXPECT_EQ(result.vertices[4], MPoint(0.8, 0.8, 0.0));
  EXPECT_EQ(result.vertices[5], part.startPoint);
  EXPECT_EQ(result.vertices[6], part.endPoint);
  EXPECT_EQ(splitting[1].edgePoints[1], std::vector<std::int32_t>({5}));
  EXPECT_EQ(splitting[1].edgePoints[2], std::vector<std::int32_t>({6}));
  EXPECT_EQ(splitting[1].segments, std::vector<MSegmentFromLoop>({{5, 4, 4}, {4, 6, 5}}));
  EXPECT_TRUE(splitting[0].segments.empty());

  // An inner loop drops consecutive duplicates and its closing copy, with their tags.
  MCadTriangulator::MLoopsOnQuads::MInnerLoop loop;
  loop.points = {MPoint(0.1, 0.1, 0.0), MPoint(0.1, 0.1, 0.0), MPoint(0.3, 0.1, 0.0),
                 MPoint(0.1, 0.3, 0.0), MPoint(0.1, 0.1, 0.0)};
  loop.tags = std::vector<std::int32_t>{1, 2, 3, 4, 5};
  MTrimmer::PutInnerLoopIntoInitialSplitting(loop, splitting, result);
  EXPECT_EQ(result.vertices.size(), 10u);
  EXPECT_EQ(splitting[0].innerPoints, std::vector<std::int32_t>({7, 8, 9}));
  EXPECT_EQ(splitting[0].segments,
            std::vector<MSegmentFromLoop>({{7, 8, 1}, {8, 9, 3}, {9, 7, 4}}));
}

TEST(InitialSplitting, SynchronizesTheSharedEdgeFromTheFirstTriangle) {
  MTrimmer::MTriangles result;
  result.vertices = {MPoint(0.0, 0.0, 0.0), MPoint(1.0, 0.0, 0.0), MPoint(0.0, 1.0, 0.0),
                     MPoint(1.0, 1.0, 0.0), MPoint(0.5, 0.5, 0.0), MPoint(0.2, 0.8, 0.0),
                     MPoint(0.9, 0.1, 0.0)};
  MTriangleToTrim first = Tri(0, 1, 2);   // edge 1 runs 1 -> 2
  MTriangleToTrim second = Tri(2, 1, 3);  // edge 0 runs 2 -> 1
  first.edgePoints[1] = {5, 4, 6};
  second.edgePoints[0] = {6, 5, 4};
  MTrimmer::SynchronizeEdgePointsOfParts(result, first, second);
  EXPECT_EQ(first.edgePoints[1], std::vector<std::int32_t>({6, 4, 5}));
  EXPECT_EQ(second.edgePoints[0], std::vector<std::int32_t>({5, 4, 6}));

  // Triangles without a common edge are left alone.
  MTriangleToTrim apart = Tri(0, 5, 6);
  apart.edgePoints[0] = {4};
  MTrimmer::SynchronizeEdgePointsOfParts(result, first, apart);
  EXPECT_EQ(apart.edgePoints[0], std::vector<std::int32_t>({4}));
}

TEST(TrimTriangle, EmitsATriangleWhoseSegmentsAreItsEdges) {
  MTrimmer::MTriangles result;
  result.vertices = {MPoint(0.0, 0.0, 0.0), MPoint(1.0, 0.0, 0.0), MPoint(0.0, 1.0, 0.0)};
  result.segments = {{0, 1, 3}};
  MTriangleToTrim t = Tri(0, 1, 2);
  t.segments = {{1, 2, 3}, {0, 2, std::nullopt}};
  MTrimmer::TrimTriangle(t, result);
  EXPECT_EQ(result.triangles, std::vector<Triangle>({{0, 1, 2}}));
  EXPECT_EQ(result.segments, std::vector<MSegmentFromLoop>({{0, 1, 3}}));
  EXPECT_EQ(result.vertices.size(), 3u);
}

TEST(TrimTriangle, RemovesEveryCopyOfASplitLoopEdge) {
  MTrimmer::MTriangles result;
  result.vertices = {MPoint(0.0, 0.0, 0.0), MPoint(1.0, 0.0, 0.0), MPoint(0.0, 1.0, 0.0),
                     MPoint(0.5, 0.0, 0.0)};
  result.segments = {{0, 1, 7}, {2, 0, std::nullopt}, {0, 1, 7}};
  MTriangleToTrim t = Tri(0, 1, 2);
  t.edgePoints[0] = {3};
  MTrimmer::TrimTriangle(t, result);
  EXPECT_EQ(result.triangles, std::vector<Triangle>({{0, 3, 2}, {3, 1, 2}}));
  EXPECT_EQ(result.segments,
            std::vector<MSegmentFromLoop>({{2, 0, std::nullopt}, {0, 3, 7}, {3, 1, 7}}));
}

TEST(TrimTriangle, TrimsChildrenDepthFirst) {
  MTrimmer::MTriangles result;
  result.vertices = {MPoint(0.0, 0.0, 0.0), MPoint(1.0, 0.0, 0.0), MPoint(0.0, 1.0, 0.0),
                     MPoint(0.3, 0.3, 0.0), MPoint(0.3, 0.1, 0.0)};
  MTriangleToTrim t = Tri(0, 1, 2);
  t.innerPoints = {3, 4};  // 3 is cut first; 4 then lies in the first child (0, 1, 3)
  MTrimmer::TrimTriangle(t, result);
  EXPECT_EQ(result.triangles,
            std::vector<Triangle>({{0, 1, 4}, {1, 3, 4}, {3, 0, 4}, {1, 2, 3}, {2, 0, 3}}));
}

TEST(TrimTriangle, CutsAtAnEdgePointWhenTheInnerPointWouldAddVertices) {
  MTrimmer::MTriangles result;
  result.vertices = {MPoint(0.0, 0.0, 0.0), MPoint(4.0, 0.0, 0.0), MPoint(0.0, 4.0, 0.0),
                     MPoint(1.0, 1.0, 0.0), MPoint(2.0, 0.0, 0.0), MPoint(0.0, 2.0, 0.0)};
  // Inner point 3; the segment 4 -> 5 passes it on the far side, so the spokes to corners 1 and
  // 2 would cross it, while the cut from 4 to corner 2 crosses nothing.
  MTriangleToTrim t = Tri(0, 1, 2);
  t.innerPoints = {3};
  t.edgePoints[0] = {4};
  t.edgePoints[2] = {5};
  t.segments = {{4, 5, 1}};
  MTrimmer::TrimTriangle(t, result);
  ASSERT_FALSE(result.triangles.empty());
  EXPECT_EQ(result.triangles.back(), Triangle({4, 1, 2}));

  // Without the segment the inner point is cut first.
  MTrimmer::MTriangles plain;
  plain.vertices = result.vertices;
  plain.vertices.resize(6);
  t.segments.clear();
  t.edgePoints[2].clear();
  MTrimmer::TrimTriangle(t, plain);
  EXPECT_EQ(plain.triangles, std::vector<Triangle>({{0, 4, 3}, {4, 1, 3}, {1, 2, 3}, {2, 0, 3}}));
}

TEST(TrimTriangle, StopsAtTheSplittingLimit) {
  MTrimmer::MTriangles result;
  result.vertices = {MPoint(0.0, 0.0, 0.0), MPoint(1.0, 0.0, 0.0), MPoint(0.0, 1.0, 0.0),
                     MPoint(0.3, 0.3, 0.0), MPoint(0.3, 0.1, 0.0)};
  MTriangleToTrim t = Tri(0, 1, 2);
  t.innerPoints = {3, 4};  // two splittings
  EXPECT_EQ(MTrimmer::GetSplittingLimit(t), 4096u + 64u * 25u);
  MTrimmer::MTriangles limited = result;
  try {
    MTrimmer::TrimTriangle(t, limited, 1);
    ADD_FAILURE() << "the second splitting went beyond the limit";
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "MTrimmer::TrimTriangle: splitting limit exceeded");
  }
  MTrimmer::TrimTriangle(t, result, 2);
  EXPECT_EQ(result.triangles.size(), 5u);
}

}  // namespace
