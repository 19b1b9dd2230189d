// Every failure that the trimmer's operations can be driven into, with its exact message.
#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "trim_fixtures.h"
#include "trimming/M2SplittingGenerator.h"
#include "trimming/M3SplittingGenerator.h"

namespace {

using namespace trimmer_test;
using MTriangleToTrim = MTrimmer::MTriangleToTrim;
using M2 = MTrimmer::M2SplittingGenerator;
using M3 = MTrimmer::M3SplittingGenerator;

template <class Exception, class F>
void ExpectThrowsWith(F&& f, const std::string& message) {
  try {
    f();
    ADD_FAILURE() << "nothing thrown, expected \"" << message << "\"";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), message);
  }
}

MTriangleToTrim Tri(std::int32_t a, std::int32_t b, std::int32_t c) {
  MTriangleToTrim t;
  t.vertices = {a, b, c};
  return t;
}

// Vertices 0, 1, 2 of a right triangle and more points inside it.
MTrimmer::MTriangles Mesh() {
  MTrimmer::MTriangles mesh;
  mesh.vertices = {MPoint(0.0, 0.0, 0.0), MPoint(4.0, 0.0, 0.0), MPoint(0.0, 4.0, 0.0),
                   MPoint(1.0, 1.0, 0.0), MPoint(2.0, 0.0, 0.0), MPoint(0.5, 2.0, 0.0),
                   MPoint(2.0, 0.5, 0.0), MPoint(0.0, 2.0, 0.0)};
  return mesh;
}

MTrimmer::MQuadToTrim QuadWithPart() {
  MTrimmer::MQuadToTrim quad;
  quad.corners = UnitSquareCorners();
  MTrimmer::MPartToTrim part;
  part.startEdge = 0;
  part.startPoint = MPoint(0.5, 0.0, 0.0);
  part.endEdge = 2;
  part.endPoint = MPoint(0.5, 1.0, 0.0);
  part.points = {MPoint(0.4, 0.5, 0.0)};
  quad.parts = {part};
  return quad;
}

TEST(TrimmerErrors, InitialSplitting) {
  for (const int edge : {4, -1, INT_MAX, INT_MIN}) {
    MTrimmer::MQuadToTrim quad = QuadWithPart();
    quad.parts[0].endEdge = edge;
    ExpectThrowsWith<std::logic_error>(
        [&] { MTrimmer::TrimQuad(quad); },
        "MTrimmer::PutLoopPartsIntoInitialSplitting: inconsistent parts/quad is given");
  }
  MTrimmer::MTriangles mesh = Mesh();
  MTriangleToTrim a = Tri(0, 1, 3);
  MTriangleToTrim b = Tri(2, 5, 7);
  ExpectThrowsWith<std::logic_error>(
      [&] {
        MTrimmer::PutSegmentToInitialSplitting({3, 5, 1}, a, b, mesh);
      },
      "MTrimmer::PutSegmentToInitialSplitting: incorrect initial splitting is given");

  MTriangleToTrim first = Tri(0, 1, 2);
  MTriangleToTrim second = Tri(2, 1, 3);
  first.edgePoints[1] = {5, 6};
  second.edgePoints[0] = {6};
  ExpectThrowsWith<std::logic_error>(
      [&] { MTrimmer::SynchronizeEdgePointsOfParts(mesh, first, second); },
      "MTrimmer::SynchronizeEdgePointsOfParts: shared edge has different vertex sets in "
      "touching parts");
}

TEST(TrimmerErrors, TwoSplitting) {
  ExpectThrowsWith<std::logic_error>([] { MTrimmer::FindCommonEdge(Tri(0, 1, 2), Tri(3, 4, 2)); },
                                     "MTrimmer::FindCommonEdge: parts do not share one edge");
  ExpectThrowsWith<std::logic_error>([] { MTrimmer::FindCommonEdge(Tri(0, 1, 2), Tri(2, 0, 1)); },
                                     "MTrimmer::FindCommonEdge: parts do not share one edge");
  EXPECT_EQ(MTrimmer::FindCommonEdge(Tri(0, 1, 2), Tri(2, 1, 3)), std::make_pair(1, 2));

  const MTrimmer::MTriangles mesh = Mesh();
  MTriangleToTrim t = Tri(0, 1, 2);
  t.edgePoints[0] = {4};
  ExpectThrowsWith<std::logic_error>(
      [&] { M2::Generate2Splitting(t, mesh, 0, 7); },
      "MTrimmer::Generate2Splitting_DistributeEdgePointsBetweenParts: splitting point cannot be "
      "found on edge");
  MTrimmer::MSplitting stray;
  stray.children = {Tri(0, 4, 2), Tri(5, 6, 7)};
  ExpectThrowsWith<std::logic_error>(
      [&] { M2::Generate2Splitting_DistributeEdgePointsBetweenParts(t, 4, stray); },
      "MTrimmer::Generate2Splitting_DistributeEdgePointsBetweenParts: part doesn't touch any "
      "half of divided edge");
  ExpectThrowsWith<std::invalid_argument>([&] { M2::Generate2Splitting(t, mesh, 3, 4); },
                                          "k: not an edge number");
}

TEST(TrimmerErrors, ThreeSplitting) {
  const MTrimmer::MTriangles mesh = Mesh();
  MTriangleToTrim t = Tri(0, 1, 2);
  t.innerPoints = {3};
  ExpectThrowsWith<std::logic_error>([&] { M3::Generate3Splitting(t, mesh, 2); },
                                     "MTrimmer::Generate3Splitting: non-internal vertex is given");

  t.segments = {{3, 6, 1}};  // 6 is not a point of the triangle
  ExpectThrowsWith<std::logic_error>(
      [&] { M3::Generate3Splitting(t, mesh, 3); },
      "MTrimmer::Generate3Splitting: a segment touches points outside of its triangle");
  t.segments = {{5, 6, 1}};
  ExpectThrowsWith<std::logic_error>(
      [&] { M3::Generate3Splitting(t, mesh, 3); },
      "MTrimmer::Generate3Splitting: a segment touches points outside of its triangle");

  // A segment between two corners of a triangle that still has an inner point: reached through
  // TrimTriangle as well, as a loop running along a triangle edge does.
  t.segments = {{1, 0, 1}};
  MTrimmer::MTriangles result = mesh;
  ExpectThrowsWith<std::logic_error>(
      [&] { MTrimmer::TrimTriangle(t, result); },
      "MTrimmer::Generate3Splitting: found a segment which is already covered by an edge");
  t.segments = {{0, 6, 1}};
  ExpectThrowsWith<std::logic_error>(
      [&] { M3::Generate3Splitting(t, mesh, 3); },
      "MTrimmer::Generate3Splitting: found a segment which is already covered by an edge");

  t.segments.clear();
  const MTrimmer::MSplitting s = M3::Generate3Splitting(t, mesh, 3);
  boost::container::static_vector<M3::MCrossing, 2> crossings;
  ExpectThrowsWith<std::logic_error>(
      [&] { M3::Generate3Splitting_SelectPartForVertex(t, mesh, s, 7, 5, 1, crossings); },
      "MTrimmer::Generate3Splitting_SelectPartForVertex: non-vertex was given");
  ExpectThrowsWith<std::logic_error>(
      [&] { M3::Generate3Splitting_GetCommonEdge(Tri(0, 1, 3), Tri(2, 4, 5)); },
      "MTrimmer::Generate3Splitting_GetCommonEdge: triangles do not share an edge");
  EXPECT_EQ(M3::Generate3Splitting_GetCommonEdge(s.children[0], s.children[1]),
            std::make_pair(1, 3));
}

TEST(TrimmerErrors, MalformedInputIsRefused) {
  MTrimmer::MQuadToTrim quad = QuadWithPart();
  quad.parts[0].tags = std::vector<std::int32_t>{1};
  quad.parts[0].endTag = 1;
  EXPECT_THROW(MTrimmer::TrimQuad(quad), std::bad_optional_access);  // no start tag

  quad = QuadWithPart();
  quad.parts[0].tags = std::vector<std::int32_t>{};
  ExpectThrowsWith<std::invalid_argument>([&] { MTrimmer::TrimQuad(quad); },
                                          "quad: part tags do not match its points");
  quad = QuadWithPart();
  quad.innerLoops.push_back({{MPoint(0.1, 0.1, 0.0)}, std::vector<std::int32_t>{1, 2}});
  ExpectThrowsWith<std::invalid_argument>([&] { MTrimmer::TrimQuad(quad); },
                                          "quad: inner loop tags do not match its points");
  for (const double bad :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    quad = QuadWithPart();
    quad.parts[0].points[0][1] = bad;
    ExpectThrowsWith<std::invalid_argument>([&] { MTrimmer::TrimQuad(quad); },
                                            "quad: non-finite coordinate");
    quad = QuadWithPart();
    quad.corners[2][0] = bad;
    ExpectThrowsWith<std::invalid_argument>([&] { MTrimmer::TrimQuad(quad); },
                                            "quad: non-finite coordinate");
  }

  MTrimmer::MTriangles result = Mesh();
  MTrimmer::MInitialSplitting splitting{Tri(0, 1, 3), Tri(3, 1, 2)};
  MTrimmer::MPartToTrim part = QuadWithPart().parts[0];
  part.tags = std::vector<std::int32_t>{1, 2};
  ExpectThrowsWith<std::invalid_argument>(
      [&] { MTrimmer::PutLoopPartsIntoInitialSplitting(part, splitting, result); },
      "part: tags do not match its points");
  ExpectThrowsWith<std::invalid_argument>(
      [&] {
        MTrimmer::PutInnerLoopIntoInitialSplitting({{MPoint(0.1, 0.1, 0.0)}, std::vector<int>{}},
                                                   splitting, result);
      },
      "loop: tags do not match its points");

  for (const std::int32_t bad : {-1, 8, INT_MAX}) {
    MTriangleToTrim t = Tri(0, 1, 2);
    t.segments = {{3, bad, std::nullopt}};
    ExpectThrowsWith<std::invalid_argument>([&] { MTrimmer::TrimTriangle(t, result); },
                                            "triangle: vertex index out of range");
  }
  EXPECT_EQ(result.vertices.size(), Mesh().vertices.size());
}

}  // namespace
