// Degenerate and hostile quads: the trimmer answers each with a mesh or one of its own
// exceptions, never with a crash or a hang.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "trim_fixtures.h"

namespace {

using namespace trimmer_test;

// Trims the quad and, when that succeeds, selects and validates; returns whether the mesh is
// valid. A failure must be one of the trimmer's own, which name the step that failed.
bool TrimsOrFailsKnowingly(const MTrimmer::MQuadToTrim& quad) {
  try {
    const MTrimmer::MTriangles result = MTrimmer::TrimQuad(quad);
    EXPECT_EQ(MTrimmer::SelectInnerTriangles(result, true).size(), result.triangles.size());
    for (const auto& t : result.triangles)
      for (const std::int32_t v : t)
        EXPECT_TRUE(v >= 0 && static_cast<std::size_t>(v) < result.vertices.size());
    return MTrimmer::IsValid(result);
  } catch (const std::logic_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("MTrimmer::", 0), 0u) << e.what();
    return false;
  }
}

// Corners, points on the diagonal or the border, clusters of nearly or exactly coincident
// points, points next to corner 0, and ordinary points.
UV SpecialPoint(Random& random) {
  switch (random.Below(8)) {
    case 0:
      return OnSquareEdge(random.Below(4), 0.0);
    case 1: {
      const double t = random.Unit();
      return UV(t, 1.0 - t);
    }
    case 2:
      return UV{0.3 + 1e-13 * random.Unit(), 0.4 + 1e-13 * random.Unit()};
    case 3:
      return OnSquareEdge(random.Below(4), random.Unit());
    case 4:
      return UV(0.25, 0.25);
    case 5:
      return UV{1e-300 * random.Unit(), 1e-300 * random.Unit()};
    default:
      return UV{random.Unit(), random.Unit()};
  }
}

TEST(TrimQuadAdversarial, RandomDegenerateLoopsGiveAMeshOrAKnownFailure) {
  Random random(314159);
  bool someValid = false;
  for (int trial = 0; trial < 500; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    UVScene scene;
    for (int p = random.Below(5); p > 0; --p) {  // parts, possibly leaving where they entered
      UVLine part;
      part.startEdge = random.Below(4);
      part.endEdge = random.Below(4);
      const double ends[6] = {0.0, 1.0, 0.5, 1e-14, random.Unit(), random.Unit()};
      part.points = {OnSquareEdge(part.startEdge, ends[random.Below(6)])};
      for (int i = random.Below(6); i > 0; --i)  // some running back along the part
        part.points.push_back(random.Below(4) == 0
                                  ? part.points[random.Below(static_cast<int>(part.points.size()))]
                                  : SpecialPoint(random));
      if (random.Below(4) == 0)
        part.endEdge = part.startEdge;
      part.points.push_back(OnSquareEdge(part.endEdge, ends[random.Below(6)]));
      scene.push_back(part);
    }
    for (int l = random.Below(4); l > 0; --l) {  // inner loops, some a billionth wide
      UVLine loop;
      const UV base = SpecialPoint(random);
      const double size = random.Below(2) == 0 ? 1e-9 : 0.05;
      for (int i = random.Below(6); i > 0; --i)
        loop.points.push_back(random.Below(3) == 0
                                  ? SpecialPoint(random)
                                  : base + UV{size * random.Unit(), size * random.Unit()});
      scene.push_back(loop);
    }
    for (std::size_t k = 0; k < scene.size(); ++k)
      scene[k].tag = static_cast<int>(k) + 1;
    const bool nonPlanar = random.Below(2) == 0;
    const Lift lift = random.Below(2) == 0 ? Lift::Bilinear : Lift::Piecewise;
    someValid |= TrimsOrFailsKnowingly(MakeQuad(nonPlanar ? NonPlanarQuad() : UnitSquareCorners(),
                                                scene, lift, random.Below(2) == 0));
  }
  EXPECT_TRUE(someValid);  // the generator also produces ordinary quads

  // Parts and loops placed without regard to each other cross freely.
  for (int trial = 0; trial < 100; ++trial) {
    const UVScene scene = RandomScene(random, 1 + random.Below(6), random.Below(4), -1.0);
    TrimsOrFailsKnowingly(MakeQuad(trial % 2 == 0 ? NonPlanarQuad() : UnitSquareCorners(), scene,
                                   Lift::Bilinear, true));
  }
}

TEST(TrimQuadAdversarial, CollapsedQuadsAndExtremeCoordinates) {
  const UVScene scene{{{UV(0.5, 0.0), UV(0.4, 0.6), UV(0.5, 1.0)}, 0, 2, 1},
                      {{UV(0.1, 0.1), UV(0.2, 0.1), UV(0.1, 0.2)}, -1, -1, 2}};
  const MPoint c(0.5, 0.5, 0.0);
  std::vector<Corners> quads{
      {MPoint(0, 0, 0), MPoint(1, 0, 0), MPoint(1, 1e-9, 0), MPoint(0, 1e-9, 0)},  // a sliver
      {MPoint(0, 0, 0), MPoint(1, 0, 0), MPoint(2, 0, 0),
       MPoint(3, 0, 0)},  // collapsed to a segment
      {c, c, c, c}};      // collapsed to a point
  for (const double scale : {1e250, 1e-250}) {
    quads.push_back(UnitSquareCorners());
    for (MPoint& corner : quads.back())
      corner *= scale;
  }
  for (const Corners& corners : quads)
    TrimsOrFailsKnowingly(MakeQuad(corners, scene, Lift::Bilinear, true));
  // A self-crossing loop of many points in one quad (the angular sweep from five on).
  Random random(5);
  UVLine star;
  for (int i = 0; i < 60; ++i)
    star.points.push_back(UV{random.Unit(), random.Unit()});
  TrimsOrFailsKnowingly(MakeQuad(NonPlanarQuad(), {star}, Lift::Bilinear, false));
}

}  // namespace
