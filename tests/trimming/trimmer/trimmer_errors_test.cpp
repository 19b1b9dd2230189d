// Every failure that the trimmer's operations can be driven into, with its exact message.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "trim_fixtures.h"
#include "trimming/M2SplittingGenerator.h"
#include "trimming/M3SplittingGenerator.h"

namespace {

using namespace trimmer_test;
using MTriangleToTrim = MTrimmer::MTriangleToTrim;
using M2 = MTrimmer::M2SplittingGenerator;
using M3 = MTrimmer::M3SplittingGenerator;

MTriangleToTrim Tri(std::int32_t a, std::int32_t b, std::int32_t c) {
  MTriangleToTrim t;
  t.vertices = {a, b, c};
  return t;
}

// A unit quad crossed by one part from the bottom to the top edge, changed by `change`.
MTrimmer::MQuadToTrim QuadWithPart(const std::function<void(MTrimmer::MQuadToTrim&)>& change) {
  MTrimmer::MQuadToTrim quad =
      MakeQuad(UnitSquareCorners(), {{{UV(0.5, 0.0), UV(0.4, 0.5), UV(0.5, 1.0)}, 0, 2, 1}},
               Lift::Bilinear, false);
  change(quad);
  return quad;
}

TEST(TrimmerErrors, EveryFailureCarriesItsMessage) {
  // Vertices 0, 1, 2 of a right triangle and more points inside it.
  MTrimmer::MTriangles mesh;
  mesh.vertices = {MPoint(0, 0, 0), MPoint(4, 0, 0),   MPoint(0, 4, 0),   MPoint(1, 1, 0),
                   MPoint(2, 0, 0), MPoint(0.5, 2, 0), MPoint(2, 0.5, 0), MPoint(0, 2, 0)};
  const auto withEdgePoint = [] {
    MTriangleToTrim t = Tri(0, 1, 2);
    t.edgePoints[0] = {4};
    return t;
  };
  // The triangle with inner point 3 and the given segments.
  const auto withInnerPoint = [](std::vector<MTrimmer::MSegmentFromLoop> segments) {
    MTriangleToTrim t = Tri(0, 1, 2);
    t.innerPoints = {3};
    t.segments = std::move(segments);
    return t;
  };
  const auto withSegment = [](MTrimmer::MSegmentFromLoop segment) {
    MTriangleToTrim t = Tri(0, 1, 2);
    t.segments = {segment};
    return t;
  };
  const auto trim = [&](const MTriangleToTrim& t, std::size_t limit) {
    MTrimmer::MTriangles copy = mesh;
    MTrimmer::TrimTriangle(t, copy, limit);
  };
  const auto quadError = [](const char* message, auto change) {
    return std::pair<std::string, std::function<void()>>{
        message, [change] { MTrimmer::TrimQuad(QuadWithPart(change)); }};
  };
  const auto part = QuadWithPart([](auto&) {}).parts[0];
  MTrimmer::MInitialSplitting splitting{Tri(0, 1, 3), Tri(3, 1, 2)};
  const std::vector<std::pair<std::string, std::function<void()>>> cases{
      quadError("MTrimmer::PutLoopPartsIntoInitialSplitting: inconsistent parts/quad is given",
                [](auto& q) { q.parts[0].endEdge = 4; }),
      quadError("MTrimmer::PutLoopPartsIntoInitialSplitting: inconsistent parts/quad is given",
                [](auto& q) { q.parts[0].startEdge = INT_MIN; }),
      {"MTrimmer::PutSegmentToInitialSplitting: incorrect initial splitting is given",
       [&] {
         MTriangleToTrim a = Tri(0, 1, 3);
         MTriangleToTrim b = Tri(2, 5, 7);
         MTrimmer::MTriangles result = mesh;
         MTrimmer::PutSegmentToInitialSplitting({3, 5, 1}, a, b, result);
       }},
      {"MTrimmer::SynchronizeEdgePointsOfParts: shared edge has different vertex sets in "
       "touching parts",
       [&] {
         MTriangleToTrim first = Tri(0, 1, 2);
         MTriangleToTrim second = Tri(2, 1, 3);
         first.edgePoints[1] = {5, 6};
         second.edgePoints[0] = {6};
         MTrimmer::SynchronizeEdgePointsOfParts(mesh, first, second);
       }},
      {"MTrimmer::FindCommonEdge: parts do not share one edge",
       [] { MTrimmer::FindCommonEdge(Tri(0, 1, 2), Tri(3, 4, 2)); }},
      {"MTrimmer::FindCommonEdge: parts do not share one edge",
       [] { MTrimmer::FindCommonEdge(Tri(0, 1, 2), Tri(2, 0, 1)); }},
      {"MTrimmer::Generate2Splitting_DistributeEdgePointsBetweenParts: splitting point cannot be "
       "found on edge",
       [&] { M2::Generate2Splitting(withEdgePoint(), mesh, 0, 7); }},
      {"MTrimmer::Generate2Splitting_DistributeEdgePointsBetweenParts: part doesn't touch any "
       "half of divided edge",
       [&] {
         MTrimmer::MSplitting stray;
         stray.children = {Tri(0, 4, 2), Tri(5, 6, 7)};
         M2::Generate2Splitting_DistributeEdgePointsBetweenParts(withEdgePoint(), 4, stray);
       }},
      {"k: not an edge number", [&] { M2::Generate2Splitting(withEdgePoint(), mesh, 3, 4); }},
      {"MTrimmer::Generate3Splitting: non-internal vertex is given",
       [&] { M3::Generate3Splitting(withInnerPoint({}), mesh, 2); }},
      // 6 is not a point of the triangle.
      {"MTrimmer::Generate3Splitting: a segment touches points outside of its triangle",
       [&] {
         M3::Generate3Splitting(withInnerPoint({{3, 6, 1}}), mesh, 3);
       }},
      // Between two corners of a triangle that still has an inner point, as a loop running along
      // a triangle edge gives.
      {"MTrimmer::Generate3Splitting: found a segment which is already covered by an edge",
       [&] {
         trim(withInnerPoint({{1, 0, 1}}), 100);
       }},
      {"MTrimmer::Generate3Splitting_SelectPartForVertex: non-vertex was given",
       [&] {
         const MTriangleToTrim t = withInnerPoint({});
         boost::container::static_vector<M3::MCrossing, 2> crossings;
         M3::Generate3Splitting_SelectPartForVertex(t, mesh, M3::Generate3Splitting(t, mesh, 3), 7,
                                                    5, 1, crossings);
       }},
      {"MTrimmer::Generate3Splitting_GetCommonEdge: triangles do not share an edge",
       [] { M3::Generate3Splitting_GetCommonEdge(Tri(0, 1, 3), Tri(2, 4, 5)); }},
      // Two inner points need two splittings.
      {"MTrimmer::TrimTriangle: splitting limit exceeded",
       [&] {
         MTriangleToTrim t = withInnerPoint({});
         t.innerPoints.push_back(6);
         trim(t, 1);
       }},
      quadError("quad: part tags do not match its points",
                [](auto& q) { q.parts[0].tags = std::vector<std::int32_t>{}; }),
      quadError("quad: inner loop tags do not match its points",
                [](auto& q) {
                  q.innerLoops.push_back({{MPoint(0.1, 0.1, 0)}, std::vector{1, 2}});
                }),
      quadError(
          "quad: non-finite coordinate",
          [](auto& q) { q.parts[0].points[0][1] = std::numeric_limits<double>::quiet_NaN(); }),
      quadError("quad: non-finite coordinate",
                [](auto& q) { q.corners[2][0] = std::numeric_limits<double>::infinity(); }),
      {"part: tags do not match its points",
       [&] {
         auto tagged = part;
         tagged.tags = std::vector<std::int32_t>{1, 2};
         MTrimmer::MTriangles result = mesh;
         MTrimmer::PutLoopPartsIntoInitialSplitting(tagged, splitting, result);
       }},
      {"loop: tags do not match its points",
       [&] {
         MTrimmer::MTriangles result = mesh;
         MTrimmer::PutInnerLoopIntoInitialSplitting({{MPoint(0.1, 0.1, 0)}, std::vector<int>{}},
                                                    splitting, result);
       }},
      {"triangle: vertex index out of range",
       [&] {
         trim(withSegment({3, 8, 1}), 100);
       }},
  };
  for (const auto& [message, call] : cases) {
    SCOPED_TRACE(message);
    try {
      call();
      ADD_FAILURE() << "nothing thrown";
    } catch (const std::logic_error& e) {
      EXPECT_EQ(std::string(e.what()), message);
      // Malformed input is an invalid argument named first; a failed trimming names its step.
      EXPECT_EQ(dynamic_cast<const std::invalid_argument*>(&e) != nullptr,
                message.rfind("MTrimmer::", 0) != 0);
    }
  }
  // A tagged part without its start tag.
  EXPECT_THROW(MTrimmer::TrimQuad(QuadWithPart([](auto& q) {
                 q.parts[0].tags = std::vector<std::int32_t>{1};
                 q.parts[0].endTag = 1;
               })),
               std::bad_optional_access);
}

}  // namespace
