// Planar faces whose loops are known polygons and circles: the mesh covers exactly the trimmed
// region, its boundary is exactly the segmented loops, and every border edge carries the tag of
// the fin it lies on and runs in the fin's direction.
#include <gtest/gtest.h>

#include "trimmed_faces.h"

namespace trimmed_test {
namespace {

// A plane over [0, 100] x [0, 80], its frame turned and moved unless `plain`.
std::shared_ptr<MCADUVPlane> Plate(bool plain = false) {
  return std::make_shared<MCADUVPlane>(
      plain ? MCADFrame() : MCADFrame({5, -3, 2}, {1, 2, 2}, {2, -1, 0}), 0.0, 100.0, 0.0, 80.0);
}

struct PlanarCase {
  TrimmedFace face;
  std::size_t maxQuads = 1000000;
  double maxEdgeLength = std::numeric_limits<double>::infinity();
};

TEST(PlanarTrimming, MeshCoversExactlyTheRegionAndItsBorderEdgesFollowTheirFins) {
  const MMTransformMatrix moved = TurnedAndMoved({40, -25, 10});
  const KnownLoop border = RectangleLoop({0, 0}, {100, 80});
  const PlanarCase cases[] = {
      // Loops crossing the grid in general position.
      {MakeFace("plate with round, square and star holes", Plate(),
                {border, CircleLoop({25, 25}, 10, true), RectangleLoop({45, 15}, {70, 35}, true),
                 StarLoop({50, 60}, 14, 6, 5, 0.3, true)},
                100.0, moved)},
      // The initial grid of a plane (U at the limits and the middle, V at the limits), kept by a
      // budget of zero quads: the outer loop passes the grid vertices in the middle of the long
      // sides, and each hole spans both quads.
      {MakeFace("initial grid with the outer loop through its vertices", Plate(),
                {PolygonLoop({{0, 0}, {50, 0}, {100, 0}, {100, 80}, {50, 80}, {0, 80}}),
                 RectangleLoop({40, 20}, {60, 35}, true), StarLoop({50, 55}, 12, 5, 4, 0.1, true)},
                100.0),
       0},
      // With an edge length limit of 12.5 the size refinement leaves U isolines at multiples of
      // 12.5 and V isolines at multiples of 10: the staircase runs along grid edges, its corners
      // and those of the holes are grid vertices, the triangle's hypotenuse runs along the
      // diagonal that the trimmer cuts its quad by and the diamond's sides along both diagonals.
      {MakeFace(
           "staircase along grid lines", Plate(),
           {PolygonLoop({{12.5, 10}, {87.5, 10}, {87.5, 40}, {62.5, 40}, {62.5, 70}, {12.5, 70}}),
            RectangleLoop({25, 50}, {50, 60}, true), PolygonLoop({{62.5, 30}, {75, 30}, {75, 20}}),
            PolygonLoop({{37.5, 20}, {25, 30}, {37.5, 40}, {50, 30}})},
           100.0),
       1000000, 12.5},
      // A loop wholly inside one quad repeats the junction point of two fins (once with each
      // fin's tag); the edge leaving the point must carry the tag of the fin that starts there.
      {MakeFace("square hole inside one quad", Plate(),
                {border, RectangleLoop({60, 20}, {80, 40}, true)}, 100.0)},
      // The corner (62.5, 30) is a grid vertex whose point lies in the quad on the left: the loop
      // enters that quad and leaves it at the same point. The side leaving the corner keeps its
      // own fin's tag.
      {MakeFace("triangle hole with corners on grid vertices", Plate(true),
                {border, PolygonLoop({{75, 30}, {75, 20}, {62.5, 30}})}, 100.0),
       1000000, 12.5},
      // Loops along grid lines whose points the quads across the line do not share: the
      // T-junctions they leave must not be closed by flat triangles.
      {MakeFace("hole with a side along a grid line", Plate(true),
                {border, RectangleLoop({30, 20}, {45, 35}, true)}, 100.0),
       1000000, 5.0},
      {MakeFace("hole from a grid vertex along a grid line", Plate(true),
                {border, RectangleLoop({37.5, 20}, {45, 35}, true)}, 100.0)},
      {MakeFace("triangle hole on a grid line", Plate(true),
                {border, PolygonLoop({{20, 30}, {23, 34}, {27, 30}})}, 100.0),
       1000000, 12.5},
      {MakeFace("outer loop with a notch along grid lines", Plate(true),
                {PolygonLoop(
                    {{0, 0}, {40, 0}, {40, 10}, {60, 10}, {60, 0}, {100, 0}, {100, 80}, {0, 80}})},
                100.0),
       1000000, 12.5},
  };
  for (const PlanarCase& c : cases) {
    for (const double tolerance : {0.1, 0.01}) {
      SCOPED_TRACE(c.face.name + " @ tolerance " + std::to_string(tolerance));
      const Result mesh = MeshTrimmed(c.face, tolerance, c.maxEdgeLength, c.maxQuads);
      ExpectExactArea(c.face, mesh, tolerance);
      EXPECT_GT(Areas(mesh).first, 1e-9 * c.face.scale * c.face.scale);
      // Segmented circles and their crossings with the grid lie within the tolerance of the loop.
      ExpectFollowsLoops(c.face, mesh,
                         c.face.loops.size() > 1 && c.face.loops[1][0].circle ? tolerance : 1e-9);
    }
  }
}

}  // namespace
}  // namespace trimmed_test

namespace trimmed_test {
namespace {

// B-rep data often has loop directions wrong, so a single loop always bounds the face from
// outside, whatever its direction: a lone clockwise loop meshes the region it encloses, with its
// border edges along the loop as given. Inside a quad or across many, on a face marked reversed
// too.
TEST(PlanarTrimming, ALoneClockwiseLoopBoundsTheRegionItEncloses) {
  for (const double maxEdgeLength : {std::numeric_limits<double>::infinity(), 10.0}) {
    for (const bool reversed : {false, true}) {
      TrimmedFace face = MakeFace("lone clockwise star", Plate(true),
                                  {StarLoop({50, 40}, 30, 12, 5, 0.2, true)}, 100.0);
      face.face.SetOrientation(reversed ? eFaceOrientationReversed : eFaceOrientationForward);
      const Result mesh = MeshTrimmed(face, 0.01, maxEdgeLength);
      const TrimmedFace counterClockwise =
          MakeFace("star", Plate(true), {StarLoop({50, 40}, 30, 12, 5, 0.2, false)}, 100.0);
      const Result expected = MeshTrimmed(counterClockwise, 0.01, maxEdgeLength);
      EXPECT_NEAR(Areas(mesh).second, Areas(expected).second, 1e-9 * Areas(expected).second);
      EXPECT_EQ(CountEdges(mesh).loops, 1u);
      EXPECT_EQ(mesh.border_edges.size(), CountEdges(mesh).boundary.size());
    }
  }
}

}  // namespace
}  // namespace trimmed_test

namespace trimmed_test {
namespace {

// Loops that bound no part of the plate (outside it, touching its border from outside, a sliver
// thinner than the tolerance) give the empty result: no stray vertex of a loop edge.
TEST(PlanarTrimming, LoopsThatBoundNothingGiveTheEmptyResult) {
  const auto plate = std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 100.0, 0.0, 60.0);
  for (const KnownLoop& loop :
       {RectangleLoop({200, 200}, {300, 300}), RectangleLoop({101, 10}, {120, 30}),
        RectangleLoop({100, 10}, {120, 30}), RectangleLoop({10, 30}, {90, 30.0001})}) {
    const Result mesh = MeshTrimmed(MakeFace("nothing", plate, {loop}, 100.0), 0.01);
    EXPECT_EQ(mesh.vertices.size(), 0u);
    EXPECT_EQ(mesh.triangles.size(), 0u);
    EXPECT_EQ(mesh.border_edges.size(), 0u);
  }
}

}  // namespace
}  // namespace trimmed_test
