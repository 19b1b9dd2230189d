// Planar faces whose loops are known polygons and circles: the mesh covers exactly the trimmed
// region, its boundary is exactly the segmented loops, and every border edge carries the tag of
// the fin it lies on and runs in the fin's direction.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "triangulator/pipeline/mesh_checks.h"
#include "trimmed_checks.h"
#include "trimmed_faces.h"

namespace trimmed_test {
namespace {

// A plane over [0, 100] x [0, 80], its frame turned and moved unless `plain`.
std::shared_ptr<MCADUVPlane> Plate(bool plain = false) {
  return std::make_shared<MCADUVPlane>(
      plain ? MCADFrame() : MCADFrame({5, -3, 2}, {1, 2, 2}, {2, -1, 0}), 0.0, 100.0, 0.0, 80.0);
}

const MMTransformMatrix kTurnedAndMoved = MMTransformMatrix::FromAxes(
    {0.36, 0.48, -0.8}, {-0.8, 0.6, 0.0}, {0.48, 0.64, 0.6}, {40, -25, 10});
const KnownLoop kPlateBorder = RectangleLoop({0, 0}, {100, 80});

struct PlanarCase {
  TrimmedFace face;
  std::size_t maxQuads = 1000000;
  double maxEdgeLength = std::numeric_limits<double>::infinity();
};

std::vector<PlanarCase> Cases() {
  return {
      // Loops crossing the grid in general position.
      {MakeFace("plate with round, square and star holes", Plate(),
                {kPlateBorder, CircleLoop({25, 25}, 10, true),
                 RectangleLoop({45, 15}, {70, 35}, true), StarLoop({50, 60}, 14, 6, 5, 0.3, true)},
                100.0, kTurnedAndMoved)},
      {MakeFace("L-shape", Plate(),
                {PolygonLoop({{0, 0}, {100, 0}, {100, 30}, {40, 30}, {40, 80}, {0, 80}})}, 100.0,
                kTurnedAndMoved)},
      {MakeFace("hexagon with two holes", Plate(),
                {PolygonLoop({{20, 5}, {80, 5}, {95, 40}, {80, 75}, {20, 75}, {5, 40}}),
                 PolygonLoop({{30, 20}, {30, 45}, {55, 20}}),
                 PolygonLoop({{50, 47}, {40, 57}, {50, 67}, {60, 57}})},
                100.0, kTurnedAndMoved)},
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
                {kPlateBorder, RectangleLoop({60, 20}, {80, 40}, true)}, 100.0)},
      // The corner (62.5, 30) is a grid vertex whose point lies in the quad on the left: the loop
      // enters that quad and leaves it at the same point. The side leaving the corner keeps its
      // own fin's tag.
      {MakeFace("triangle hole with corners on grid vertices", Plate(true),
                {kPlateBorder, PolygonLoop({{75, 30}, {75, 20}, {62.5, 30}})}, 100.0),
       1000000, 12.5},
  };
}

// The area is exact for polygons; round holes shrink by at most the tolerance when segmented.
TEST(PlanarTrimming, MeshCoversExactlyTheRegionAndItsBorderEdgesFollowTheirFins) {
  for (const PlanarCase& c : Cases()) {
    for (const double tolerance : {0.1, 0.01}) {
      SCOPED_TRACE(c.face.name + " @ tolerance " + std::to_string(tolerance));
      const Result mesh = MeshTrimmed(c.face, tolerance, true, c.maxQuads, c.maxEdgeLength);
      const double exact = UvArea(c.face);
      const double slack = CircleSlack(c.face, tolerance);
      EXPECT_GE(MeshArea(mesh), exact * (1.0 - 1e-9));
      EXPECT_LE(MeshArea(mesh), exact * (1.0 + 1e-9) + slack);
      EXPECT_GT(pipeline_test::SmallestArea(mesh), 1e-9 * c.face.scale * c.face.scale);
      ExpectFollowsLoops(c.face, mesh, 1e-9, slack > 0.0 ? tolerance : 1e-9);
    }
  }
}

}  // namespace
}  // namespace trimmed_test
