// The steps of the trimmer on small hand-made inputs: the decisions a random scene cannot show
// (ties of the initial splitting, the 2- and 3-splittings and TrimTriangle, the inner triangle
// selection, the validator), and every failure they can be driven into, with its exact message.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "M2SplittingGenerator.h"
#include "M3SplittingGenerator.h"
#include "Oxlen/Cad/Triangulation/MTrimmer.h"

namespace {

using MTrimmer = MCadTriangulator::MTrimmer;
using MPoint = MTrimmer::MPoint;
using MTriangleToTrim = MTrimmer::MTriangleToTrim;
using M2 = MTrimmer::M2SplittingGenerator;
using M3 = MTrimmer::M3SplittingGenerator;
using Triangle = std::array<std::int32_t, 3>;
using Indices = std::vector<std::int32_t>;
using Segments = std::vector<MTrimmer::MSegmentFromLoop>;

MTriangleToTrim Tri(std::int32_t a, std::int32_t b, std::int32_t c, Indices inner = {},
                    std::array<Indices, 3> edgePoints = {}, Segments segments = {}) {
  return {{a, b, c}, std::move(edgePoints), std::move(inner), std::move(segments)};
}

const std::array<MPoint, 4> kSquare{MPoint(0, 0, 0), MPoint(1, 0, 0), MPoint(1, 1, 0),
                                    MPoint(0, 1, 0)};

// The triangle (0, 0), (4, 0), (0, 4) as vertices 0, 1, 2, followed by `more`.
MTrimmer::MTriangles Mesh(std::vector<MPoint> more) {
  MTrimmer::MTriangles mesh;
  mesh.vertices = {MPoint(0, 0, 0), MPoint(4, 0, 0), MPoint(0, 4, 0)};
  mesh.vertices.insert(mesh.vertices.end(), more.begin(), more.end());
  return mesh;
}

// The unit square fanned around its centre 4: (0, 1, 4), (1, 2, 4), (2, 3, 4), (3, 0, 4).
MTrimmer::MTriangles Fan() {
  MTrimmer::MTriangles fan;
  fan.vertices = {kSquare[0], kSquare[1], kSquare[2], kSquare[3], MPoint(0.5, 0.5, 0.0)};
  fan.triangles = {{0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}};
  return fan;
}

TEST(TrimQuad, InitialSplittingPlacesPointsAndCutsSegmentsAtTheDiagonal) {
  // An inner loop of one repeated point carries no segment and leaves no vertex.
  MTrimmer::MQuadToTrim quad;
  quad.corners = kSquare;
  quad.innerLoops.push_back({{MPoint(0.2, 0.3, 0), MPoint(0.2, 0.3, 0)}, std::nullopt});
  const MTrimmer::MTriangles plain = MTrimmer::TrimQuad(quad);
  EXPECT_EQ(plain.vertices.size(), 4u);
  EXPECT_TRUE(plain.segments.empty());
  MTrimmer::MTriangles result;
  MTrimmer::MInitialSplitting splitting = MTrimmer::SplitQuadToInitialSplitting(quad, result);
  // On the diagonal the tie goes to B; a point off the quad lands on its nearest point.
  EXPECT_EQ(MTrimmer::PutLoopPointToInitialSplitting(MPoint(0.5, 0.5, 0), splitting, result),
            std::make_pair(4, 1));
  EXPECT_EQ(MTrimmer::PutLoopPointToInitialSplitting(MPoint(0.2, 0.4, 3), splitting, result),
            std::make_pair(5, 0));
  EXPECT_NEAR(distance(result.vertices[5], MPoint(0.2, 0.4, 0)), 0.0, 1e-15);
}

TEST(TwoSplitting, CutsThroughTheBestEdgePoint) {
  const MTrimmer::MTriangles mesh =
      Mesh({MPoint(2, 0, 0), MPoint(2, 2, 0), MPoint(0, 2, 0), MPoint(1, 0, 0)});
  bool found = true;
  M2::SelectBest(Tri(0, 1, 2), mesh, found);
  EXPECT_FALSE(found);
  // Of equal cuts the earliest edge point of the lowest edge wins...
  MTriangleToTrim t = Tri(0, 1, 2, {}, {Indices{6, 3}, Indices{4}});
  EXPECT_EQ(M2::SelectBest(t, mesh, found).children[1].vertices, Triangle({6, 1, 2}));
  EXPECT_TRUE(found);
  // ... unless a segment from an edge point to its opposite corner makes that cut a mesh edge.
  t.segments = {{0, 4, 2}};
  MTrimmer::MSplitting s = M2::SelectBest(t, mesh, found);
  EXPECT_EQ(s.children[0].vertices, Triangle({1, 4, 0}));
  EXPECT_EQ(s.addedSegments, Segments({{0, 4, 2}}));
  EXPECT_TRUE(s.children[0].segments.empty());
  EXPECT_TRUE(s.children[1].segments.empty());
  // A loop edge along the split edge is split only where it runs the triangle's way.
  MTrimmer::MTriangles withLoopEdges = mesh;
  withLoopEdges.segments = {{1, 0, 4}, {0, 1, std::nullopt}, {0, 1, 5}};
  s = M2::Generate2Splitting(Tri(0, 1, 2, {}, {Indices{3}}), withLoopEdges, 0, 3);
  EXPECT_EQ(s.addedSegments, Segments({{0, 3, std::nullopt}, {3, 1, std::nullopt}}));
  EXPECT_EQ(s.removedSegments, Segments({{0, 1, std::nullopt}}));
}

TEST(ThreeSplitting, JoinsTheInnerPointWhoseSpokesCrossFewestSegments) {
  MTrimmer::MTriangles mesh =
      Mesh({MPoint(1, 1, 0), MPoint(2.5, 0.5, 0), MPoint(0.5, 0.5, 0), MPoint(0.5, 2.5, 0)});
  // Points on the spokes of i to corners 1, 0 and 2 go to the lower of their two children; of
  // candidates needing no vertex the first in the list is used.
  MTrimmer::MSplitting s = M3::Generate3Splitting(Tri(0, 1, 2, {3, 4, 5, 6}), mesh, 3);
  EXPECT_EQ(s.children[0].innerPoints, Indices({4, 5}));
  EXPECT_EQ(s.children[1].innerPoints, Indices({6}));
  bool found = true;
  EXPECT_EQ(M3::Generate3Splitting(Tri(0, 1, 2, {5, 3, 4, 6}), mesh, found).children[0].vertices,
            Triangle({0, 1, 5}));
  M3::Generate3Splitting(Tri(0, 1, 2), mesh, found);
  EXPECT_FALSE(found);
  // From five inner points the one whose spokes cross fewest segments: segment A-B from (1, 6)
  // to (6, 1); the spokes from corners 1 and 2 to Q = (3, 3) cross it, and so does the spoke
  // from corner 0 to R = (2, 7); those to P = (1, 1) pass beyond its ends.
  mesh.vertices = {MPoint(0, 0, 0), MPoint(10, 0, 0), MPoint(0, 10, 0), MPoint(1, 1, 0),
                   MPoint(3, 3, 0), MPoint(1, 6, 0),  MPoint(6, 1, 0),  MPoint(2, 7, 0)};
  const MTriangleToTrim t = Tri(0, 1, 2, {4, 7, 5, 3, 6}, {}, {{5, 6, 1}});  // Q, R, A, P, B
  EXPECT_EQ(M3::ComputeCrossingScores(t, mesh), (std::vector<std::pair<std::int32_t, long long>>{
                                                    {3, 0}, {4, 2}, {5, 0}, {6, 0}, {7, 1}}));
  EXPECT_EQ(M3::Generate3Splitting(t, mesh, found).children[0].vertices, Triangle({0, 1, 5}));
}

TEST(TrimTriangle, SplitsDepthFirstAndPrefersCutsWithoutNewVertices) {
  // Splitting a loop edge removes every copy of it.
  MTrimmer::MTriangles result = Mesh({MPoint(2, 0, 0)});
  result.segments = {{0, 1, 3}, {2, 0, std::nullopt}, {0, 1, 3}};
  MTrimmer::TrimTriangle(Tri(0, 1, 2, {}, {Indices{3}}), result);
  EXPECT_EQ(result.segments, Segments({{2, 0, std::nullopt}, {0, 3, 3}, {3, 1, 3}}));
  // Inner point 3 is cut first; 4 then lies in the first child (0, 1, 3), trimmed first.
  MTrimmer::MTriangles depth = Mesh({MPoint(1.2, 1.2, 0), MPoint(1.2, 0.4, 0)});
  MTrimmer::TrimTriangle(Tri(0, 1, 2, {3, 4}), depth);
  EXPECT_EQ(depth.triangles,
            std::vector<Triangle>({{0, 1, 4}, {1, 3, 4}, {3, 0, 4}, {1, 2, 3}, {2, 0, 3}}));
  // The segment 4 -> 5 passes inner point 3 on the far side: the spokes to corners 1 and 2 would
  // cross it, while the cut from 4 to corner 2 crosses nothing.
  MTrimmer::MTriangles mesh = Mesh({MPoint(1, 1, 0), MPoint(2, 0, 0), MPoint(0, 2, 0)});
  MTrimmer::TrimTriangle(Tri(0, 1, 2, {3}, {Indices{4}, {}, Indices{5}}, {{4, 5, 1}}), mesh);
  EXPECT_EQ(mesh.triangles.back(), Triangle({4, 1, 2}));
}

TEST(SelectInnerTriangles, FlipsAcrossEdgesWithAnOddNumberOfSegments) {
  MTrimmer::MTriangles fan = Fan();
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
  const MTrimmer::MTriangles fan = Fan();
  std::string why = "unchanged";
  EXPECT_TRUE(MTrimmer::IsValid(fan, &why));
  EXPECT_EQ(why, "unchanged");
  const auto with = [&fan](std::vector<Triangle> triangles, Segments segments = {}) {
    MTrimmer::MTriangles mesh = fan;
    mesh.triangles = std::move(triangles);
    mesh.segments = std::move(segments);
    return mesh;
  };
  MTrimmer::MTriangles few = fan, notFinite = fan, flat = fan;
  few.vertices.resize(3);
  notFinite.vertices[4][2] = std::numeric_limits<double>::quiet_NaN();
  flat.vertices = {fan.vertices[0], fan.vertices[1], fan.vertices[1], fan.vertices[0],
                   fan.vertices[4]};
  const std::vector<std::pair<MTrimmer::MTriangles, std::string>> cases{
      {few, "fewer than four vertices"},
      {notFinite, "vertex 4 is not finite"},
      {flat, "the quad has no area"},
      {with({{0, 1, 4}, {5, 2, 4}, {2, 3, 4}, {3, 0, 4}}),
       "triangle 1 has a vertex index out of range"},
      {with({{0, 1, 4}, {1, 2, 4}, {2, 2, 4}, {3, 0, 4}}), "triangle 2 repeats a vertex"},
      {with({{0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {0, 3, 4}}),
       "triangle 3 is degenerate or wound against the quad"},
      {with({{0, 1, 4}, {1, 2, 4}, {2, 3, 4}}), "the triangle areas sum to"},
      {with({{0, 1, 2}, {0, 1, 2}}), "edge (0, 1) is used twice in the same direction"},
      {with({{0, 1, 3}, {3, 4, 2}, {4, 1, 2}}),  // 4 on the diagonal
       "edge (1, 3) has no neighbour and is not on the quad border"},
      {with(fan.triangles, {{0, 4, 1}, {4, 0, 1}, {1, 0, 1}}),
       "segment 2 is not an edge of a triangle in its direction"}};
  for (const auto& [mesh, reason] : cases) {
    EXPECT_FALSE(MTrimmer::IsValid(mesh, &why));
    EXPECT_NE(why.find(reason), std::string::npos) << why;
  }
}

// A unit quad crossed by one part from the bottom to the top edge, changed by `change`.
MTrimmer::MQuadToTrim QuadWithPart(const std::function<void(MTrimmer::MQuadToTrim&)>& change) {
  MTrimmer::MQuadToTrim quad;
  quad.corners = kSquare;
  quad.parts = {{0, MPoint(0.5, 0, 0), {}, 2, MPoint(0.5, 1, 0), {}, {MPoint(0.4, 0.5, 0)}, {}}};
  change(quad);
  return quad;
}

TEST(TrimmerErrors, EveryFailureCarriesItsMessage) {
  // Vertices 0, 1, 2 of a right triangle and more points inside it.
  const MTrimmer::MTriangles mesh = Mesh(
      {MPoint(1, 1, 0), MPoint(2, 0, 0), MPoint(0.5, 2, 0), MPoint(2, 0.5, 0), MPoint(0, 2, 0)});
  MTrimmer::MTriangles result = mesh;
  using Case = std::pair<std::string, std::function<void()>>;
  const auto trimError = [&](const char* message, MTriangleToTrim t, std::size_t limit = 100) {
    return Case{message, [&, t, limit] { MTrimmer::TrimTriangle(t, result = mesh, limit); }};
  };
  const auto quadError = [](const char* message, auto change) {
    return Case{message, [change] { MTrimmer::TrimQuad(QuadWithPart(change)); }};
  };
  const MTriangleToTrim withEdgePoint = Tri(0, 1, 2, {}, {Indices{4}});
  const MTriangleToTrim withInnerPoint = Tri(0, 1, 2, {3});
  MTrimmer::MSplitting stray;
  stray.children = {Tri(0, 4, 2), Tri(5, 6, 7)};
  MTrimmer::MPartToTrim tagged = QuadWithPart([](auto&) {}).parts[0];
  tagged.tags = std::vector<std::int32_t>{1, 2};
  MTrimmer::MInitialSplitting splitting{Tri(0, 1, 3), Tri(3, 1, 2)};
  boost::container::static_vector<M3::MCrossing, 2> crossings;
  const std::vector<Case> cases{
      quadError("MTrimmer::PutLoopPartsIntoInitialSplitting: inconsistent parts/quad is given",
                [](auto& q) { q.parts[0].endEdge = 4; }),
      {"MTrimmer::PutSegmentToInitialSplitting: incorrect initial splitting is given",
       [&] {
         MTriangleToTrim a = Tri(0, 1, 3), b = Tri(2, 5, 7);
         MTrimmer::PutSegmentToInitialSplitting({3, 5, 1}, a, b, result);
       }},
      {"MTrimmer::SynchronizeEdgePointsOfParts: shared edge has different vertex sets in "
       "touching parts",
       [&] {
         MTriangleToTrim first = Tri(0, 1, 2, {}, {Indices{}, Indices{5, 6}});
         MTriangleToTrim second = Tri(2, 1, 3, {}, {Indices{6}});
         MTrimmer::SynchronizeEdgePointsOfParts(mesh, first, second);
       }},
      {"MTrimmer::FindCommonEdge: parts do not share one edge",
       [] { MTrimmer::FindCommonEdge(Tri(0, 1, 2), Tri(2, 0, 1)); }},
      {"MTrimmer::Generate2Splitting_DistributeEdgePointsBetweenParts: splitting point cannot be "
       "found on edge",
       [&] { M2::Generate2Splitting(withEdgePoint, mesh, 0, 7); }},
      {"MTrimmer::Generate2Splitting_DistributeEdgePointsBetweenParts: part doesn't touch any "
       "half of divided edge",
       [&] { M2::Generate2Splitting_DistributeEdgePointsBetweenParts(withEdgePoint, 4, stray); }},
      {"k: not an edge number", [&] { M2::Generate2Splitting(withEdgePoint, mesh, 3, 4); }},
      {"MTrimmer::Generate3Splitting: non-internal vertex is given",
       [&] { M3::Generate3Splitting(withInnerPoint, mesh, 2); }},
      // 6 is not a point of the triangle.
      {"MTrimmer::Generate3Splitting: a segment touches points outside of its triangle",
       [&] {
         M3::Generate3Splitting(Tri(0, 1, 2, {3}, {}, {{3, 6, 1}}), mesh, 3);
       }},
      // A segment between two corners of a triangle that still has an inner point, as a loop
      // running along a triangle edge gives.
      trimError("MTrimmer::Generate3Splitting: found a segment which is already covered by an edge",
                Tri(0, 1, 2, {3}, {}, {{1, 0, 1}})),
      {"MTrimmer::Generate3Splitting_SelectPartForVertex: non-vertex was given",
       [&] {
         M3::Generate3Splitting_SelectPartForVertex(withInnerPoint, mesh,
                                                    M3::Generate3Splitting(withInnerPoint, mesh, 3),
                                                    7, 5, 1, crossings);
       }},
      {"MTrimmer::Generate3Splitting_GetCommonEdge: triangles do not share an edge",
       [] { M3::Generate3Splitting_GetCommonEdge(Tri(0, 1, 3), Tri(2, 4, 5)); }},
      trimError("MTrimmer::TrimTriangle: splitting limit exceeded", Tri(0, 1, 2, {3, 6}), 1),
      quadError("quad: part tags do not match its points",
                [](auto& q) { q.parts[0].tags = std::vector<std::int32_t>{}; }),
      quadError("quad: inner loop tags do not match its points",
                [](auto& q) {
                  q.innerLoops.push_back({{q.corners[0]}, std::vector{1, 2}});
                }),
      quadError("quad: non-finite coordinate", [](auto& q) { q.corners[2][0] = INFINITY; }),
      {"part: tags do not match its points",
       [&] { MTrimmer::PutLoopPartsIntoInitialSplitting(tagged, splitting, result); }},
      {"loop: tags do not match its points",
       [&] {
         MTrimmer::PutInnerLoopIntoInitialSplitting({{MPoint(0.1, 0.1, 0)}, std::vector<int>{}},
                                                    splitting, result);
       }},
      trimError("triangle: vertex index out of range", Tri(0, 1, 2, {}, {}, {{3, 8, 1}})),
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
  const auto noStartTag = [](auto& q) { q.parts[0].tags = std::vector<std::int32_t>{1}; };
  EXPECT_THROW(MTrimmer::TrimQuad(QuadWithPart(noStartTag)), std::bad_optional_access);
}

}  // namespace
