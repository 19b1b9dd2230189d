// Degenerate and hostile quads: the trimmer answers each with a mesh or one of its own
// exceptions, never with a crash or a hang.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "trim_fixtures.h"

namespace {

using namespace trimmer_test;

// The failures the trimmer may report for consistent but degenerate input.
const std::set<std::string>& KnownFailures() {
  static const std::set<std::string> known{
      "MTrimmer::PutSegmentToInitialSplitting: incorrect initial splitting is given",
      "MTrimmer::SynchronizeEdgePointsOfParts: shared edge has different vertex sets in "
      "touching parts",
      "MTrimmer::TrimTriangle: triangle needs trimming but no possible splitting has been found",
      "MTrimmer::TrimTriangle: splitting limit exceeded",
      "MTrimmer::FindCommonEdge: parts do not share one edge",
      "MTrimmer::Generate2Splitting_DistributeEdgePointsBetweenParts: splitting point cannot be "
      "found on edge",
      "MTrimmer::Generate2Splitting_DistributeEdgePointsBetweenParts: part doesn't touch any "
      "half of divided edge",
      "MTrimmer::M2SplittingGenerator::SelectBest : child triangle contains more segments than "
      "parent",
      "MTrimmer::Generate3Splitting: a segment touches points outside of its triangle",
      "MTrimmer::Generate3Splitting: found a segment which is already covered by an edge",
      "MTrimmer::Generate3Splitting_PutSegments: no splitting points found",
      "MTrimmer::Generate3Splitting_SelectPartForVertex: non-vertex was given",
      "MTrimmer::Generate3Splitting_GetCommonEdge: triangles do not share an edge",
  };
  return known;
}

// Trims the quad and, when that succeeds, selects and validates; returns what happened.
std::string Outcome(const MTrimmer::MQuadToTrim& quad) {
  try {
    const MTrimmer::MTriangles result = MTrimmer::TrimQuad(quad);
    const std::vector<bool> keep = MTrimmer::SelectInnerTriangles(result, true);
    EXPECT_EQ(keep.size(), result.triangles.size());
    for (const auto& t : result.triangles)
      for (const std::int32_t v : t)
        EXPECT_TRUE(v >= 0 && static_cast<std::size_t>(v) < result.vertices.size());
    std::string why;
    return MTrimmer::IsValid(result, &why) ? "valid" : "degenerate";
  } catch (const std::logic_error& e) {
    EXPECT_EQ(KnownFailures().count(e.what()), 1u) << e.what();
    return "failed";
  }
}

UV SpecialPoint(Random& random) {
  static const UV kCorners[4] = {UV(0.0, 0.0), UV(1.0, 0.0), UV(1.0, 1.0), UV(0.0, 1.0)};
  switch (random.Below(8)) {
    case 0:
      return kCorners[random.Below(4)];
    case 1: {  // on the diagonal
      const double t = random.Unit();
      return UV(t, 1.0 - t);
    }
    case 2:  // a cluster of nearly coincident points
      return UV(0.3 + 1e-13 * random.Unit(), 0.4 + 1e-13 * random.Unit());
    case 3:
      return OnSquareEdge(random.Below(4), random.Unit());
    case 4:  // exactly repeated
      return UV(0.25, 0.25);
    case 5:  // next to corner 0
      return UV(1e-300 * random.Unit(), 1e-300 * random.Unit());
    default:
      return UV(random.Unit(), random.Unit());
  }
}

double BorderParameter(Random& random) {
  const double special[4] = {0.0, 1.0, 0.5, 1e-14};
  const int pick = random.Below(6);
  return pick < 4 ? special[pick] : random.Unit();
}

MTrimmer::MQuadToTrim HostileQuad(Random& random) {
  UVScene scene;
  int tag = 1;
  for (int p = random.Below(5); p > 0; --p) {
    UVPart part;
    part.startEdge = random.Below(4);
    part.endEdge = random.Below(4);
    part.start = OnSquareEdge(part.startEdge, BorderParameter(random));
    part.end = OnSquareEdge(part.endEdge, BorderParameter(random));
    if (random.Below(4) == 0) {  // leaves where it entered
      part.end = part.start;
      part.endEdge = part.startEdge;
    }
    for (int i = random.Below(6); i > 0; --i) {
      if (!part.points.empty() && random.Below(4) == 0)  // runs back along itself
        part.points.push_back(part.points[random.Below(static_cast<int>(part.points.size()))]);
      else
        part.points.push_back(SpecialPoint(random));
    }
    part.tag = tag++;
    scene.parts.push_back(part);
  }
  for (int l = random.Below(4); l > 0; --l) {
    UVLoop loop;
    const UV base = SpecialPoint(random);
    const double size = random.Below(2) == 0 ? 1e-9 : 0.05;  // tiny loops too
    for (int i = random.Below(6); i > 0; --i) {
      if (random.Below(3) == 0)
        loop.points.push_back(SpecialPoint(random));
      else if (!loop.points.empty() && random.Below(3) == 0)
        loop.points.push_back(loop.points.back());
      else
        loop.points.push_back(base + UV(size * random.Unit(), size * random.Unit()));
    }
    loop.tag = tag++;
    scene.loops.push_back(loop);
  }
  const Corners corners = random.Below(2) == 0 ? NonPlanarQuad() : UnitSquareCorners();
  return MakeQuad(corners, scene, random.Below(2) == 0 ? Lift::Bilinear : Lift::Piecewise,
                  random.Below(2) == 0);
}

TEST(TrimQuadAdversarial, RandomDegenerateLoopsGiveAMeshOrAKnownFailure) {
  Random random(314159);
  std::set<std::string> outcomes;
  for (int trial = 0; trial < 1500; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    outcomes.insert(Outcome(HostileQuad(random)));
  }
  EXPECT_EQ(outcomes.count("valid"), 1u);  // the generator also produces ordinary quads
}

TEST(TrimQuadAdversarial, CrossingLoopsGiveAMeshOrAKnownFailure) {
  Random random(2718);
  for (int trial = 0; trial < 200; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    // Parts and loops placed without regard to each other cross freely.
    const UVScene scene = RandomScene(random, 1 + random.Below(6), random.Below(4), -1.0);
    Outcome(MakeQuad(trial % 2 == 0 ? NonPlanarQuad() : UnitSquareCorners(), scene, Lift::Bilinear,
                     true));
  }
}

MTrimmer::MPartToTrim Part(int startEdge, const MPoint& start, std::vector<MPoint> points,
                           int endEdge, const MPoint& end) {
  MTrimmer::MPartToTrim part;
  part.startEdge = startEdge;
  part.startPoint = start;
  part.points = std::move(points);
  part.endEdge = endEdge;
  part.endPoint = end;
  return part;
}

TEST(TrimQuadAdversarial, HandPickedDegenerateQuads) {
  const Corners square = UnitSquareCorners();
  const MPoint centre(0.5, 0.5, 0.0);
  std::vector<MTrimmer::MQuadToTrim> quads;
  const auto add = [&](const Corners& corners, std::vector<MTrimmer::MPartToTrim> parts,
                       std::vector<std::vector<MPoint>> loops) {
    MTrimmer::MQuadToTrim quad;
    quad.corners = corners;
    quad.parts = std::move(parts);
    for (auto& points : loops)
      quad.innerLoops.push_back({std::move(points), std::nullopt});
    quads.push_back(quad);
  };
  // From corner to corner, through the centre on the diagonal.
  add(square, {Part(0, square[0], {centre}, 1, square[2])}, {});
  // Along the border edge it enters and leaves on, then with an inner loop in the way.
  add(square, {Part(0, MPoint(0.2, 0.0, 0.0), {}, 0, MPoint(0.8, 0.0, 0.0))}, {});
  add(square, {Part(0, MPoint(0.2, 0.0, 0.0), {}, 0, MPoint(0.8, 0.0, 0.0))},
      {{MPoint(0.5, 0.05, 0.0), MPoint(0.6, 0.1, 0.0), MPoint(0.4, 0.1, 0.0)}});
  // Entering and leaving at one point, running out and back along itself.
  add(square,
      {Part(3, MPoint(0.0, 0.5, 0.0), {MPoint(0.5, 0.2, 0.0), MPoint(0.5, 0.2, 0.0)}, 3,
            MPoint(0.0, 0.5, 0.0))},
      {});
  // Along the diagonal, and a loop whose points all lie on it.
  add(square, {Part(0, square[1], {MPoint(0.7, 0.3, 0.0), centre}, 3, square[3])},
      {{MPoint(0.2, 0.8, 0.0), MPoint(0.4, 0.6, 0.0), MPoint(0.6, 0.4, 0.0)}});
  // Nearly coincident points and a loop a billionth of the quad wide.
  add(square,
      {Part(0, MPoint(0.5, 0.0, 0.0),
            {MPoint(0.3, 0.3, 0.0), MPoint(0.3 + 1e-15, 0.3, 0.0), MPoint(0.3, 0.3 + 1e-15, 0.0)},
            2, MPoint(0.5, 1.0, 0.0))},
      {{MPoint(0.7, 0.2, 0.0), MPoint(0.7 + 1e-9, 0.2, 0.0), MPoint(0.7, 0.2 + 1e-9, 0.0)}});
  // A sliver quad, a quad collapsed to a segment and one collapsed to a point.
  const Corners sliver{MPoint(0.0, 0.0, 0.0), MPoint(1.0, 0.0, 0.0), MPoint(1.0, 1e-9, 0.0),
                       MPoint(0.0, 1e-9, 0.0)};
  add(sliver,
      {Part(0, MPoint(0.3, 0.0, 0.0), {MPoint(0.5, 5e-10, 0.0)}, 2, MPoint(0.7, 1e-9, 0.0))}, {});
  const Corners segment{MPoint(0.0, 0.0, 0.0), MPoint(1.0, 0.0, 0.0), MPoint(2.0, 0.0, 0.0),
                        MPoint(3.0, 0.0, 0.0)};
  add(segment, {Part(1, MPoint(1.5, 0.0, 0.0), {MPoint(1.0, 0.0, 0.0)}, 3, MPoint(0.5, 0.0, 0.0))},
      {{MPoint(0.2, 0.0, 0.0), MPoint(0.4, 0.0, 0.0), MPoint(2.0, 1.0, 0.0)}});
  const Corners point{centre, centre, centre, centre};
  add(point, {Part(0, centre, {centre, MPoint(1.0, 1.0, 1.0)}, 2, centre)}, {});
  // Huge and tiny coordinates.
  for (const double scale : {1e250, 1e-250}) {
    Corners scaled = square;
    for (MPoint& c : scaled)
      c *= scale;
    add(scaled,
        {Part(0, MPoint(0.5, 0.0, 0.0) * scale, {MPoint(0.4, 0.6, 0.0) * scale}, 2,
              MPoint(0.5, 1.0, 0.0) * scale)},
        {{MPoint(0.1, 0.1, 0.0) * scale, MPoint(0.2, 0.1, 0.0) * scale,
          MPoint(0.1, 0.2, 0.0) * scale}});
  }
  // A self-crossing loop of many points in one quad (the angular sweep from five on).
  Random random(5);
  std::vector<MPoint> star;
  for (int i = 0; i < 60; ++i)
    star.push_back(MPoint(random.Unit(), random.Unit(), 0.0));
  add(NonPlanarQuad(), {}, {star});

  for (std::size_t q = 0; q < quads.size(); ++q) {
    SCOPED_TRACE("quad " + std::to_string(q));
    Outcome(quads[q]);
  }
}

}  // namespace
