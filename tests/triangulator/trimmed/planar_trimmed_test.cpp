// Planar faces whose loops are known polygons and circles: the mesh covers exactly the trimmed
// region, its boundary is exactly the segmented loops, and every border edge carries the tag of
// the fin it lies on and runs in the fin's direction.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "triangulator/pipeline/mesh_checks.h"
#include "trimmed_checks.h"
#include "trimmed_faces.h"

namespace trimmed_test {
namespace {

constexpr double kPi = std::numbers::pi;

// A plane over [0, 100] x [0, 80], its frame turned and moved, and the face placed again: every
// check goes through model space.
std::shared_ptr<MCADUVPlane> Plate() {
  return std::make_shared<MCADUVPlane>(MCADFrame({5, -3, 2}, {1, 2, 2}, {2, -1, 0}), 0.0, 100.0,
                                       0.0, 80.0);
}

MMTransformMatrix TurnedAndMoved() {
  return MMTransformMatrix::FromAxes({0.36, 0.48, -0.8}, {-0.8, 0.6, 0.0}, {0.48, 0.64, 0.6},
                                     {40, -25, 10});
}

// The exact area of the face: polygon loops exactly, circles as the disc (the caller allows for
// the inscribed polygon).
double ExactArea(const TrimmedFace& face) {
  double area = 0.0;
  for (const KnownLoop& loop : face.loops)
    area += SignedUvArea(loop);
  return area;
}

bool HasCircles(const TrimmedFace& face) {
  for (const KnownLoop& loop : face.loops)
    for (const KnownFin& fin : loop)
      if (fin.circle)
        return true;
  return false;
}

// The area a chordal polygon inscribed in the face's circles may lose or gain: a circle of
// radius r segmented with sagitta below the tolerance encloses the disc of radius r - tolerance.
double CircleSlack(const TrimmedFace& face, double tolerance) {
  double slack = 0.0;
  for (const KnownLoop& loop : face.loops)
    for (const KnownFin& fin : loop)
      if (fin.circle)
        slack +=
            kPi * (fin.radius * fin.radius - (fin.radius - tolerance) * (fin.radius - tolerance));
  return slack;
}

struct PlanarCase {
  TrimmedFace face;
  std::size_t maxQuads = 1000000;
  double maxEdgeLength = std::numeric_limits<double>::infinity();
};

Result MeshCase(const PlanarCase& c, double tolerance) {
  return MeshTrimmed(c.face, tolerance, true, c.maxQuads, c.maxEdgeLength);
}

// The mesh covers exactly the region within the loops: its area, its boundary (every boundary
// edge on a loop, as long as the loops), its edge structure (a disc with one hole per inner loop,
// consistently wound), no vertex outside the loops, no flat triangle.
void ExpectExactCoverage(const PlanarCase& c, double tolerance) {
  const TrimmedFace& face = c.face;
  SCOPED_TRACE(face.name + " @ tolerance " + std::to_string(tolerance));
  const Result mesh = MeshCase(c, tolerance);
  ASSERT_FALSE(mesh.triangles.empty());
  EXPECT_EQ(pipeline_test::MalformedTriangles(mesh), 0u);
  EXPECT_GT(pipeline_test::SmallestArea(mesh), 1e-9 * face.scale * face.scale);

  const double exact = ExactArea(face);
  const double area = MeshArea(mesh);
  if (HasCircles(face)) {
    // The mesh covers at least the exact region and at most the region whose (hole) circles
    // have shrunk by the tolerance.
    EXPECT_GE(area, exact * (1.0 - 1e-12)) << "exact " << exact;
    EXPECT_LE(area, exact + CircleSlack(face, tolerance)) << "exact " << exact;
  } else {
    EXPECT_NEAR(area, exact, 1e-9 * exact);
  }

  const pipeline_test::EdgeCensus census = pipeline_test::CountEdges(mesh);
  EXPECT_EQ(census.badEdges, 0u);
  EXPECT_FALSE(census.brokenBoundary);
  EXPECT_EQ(census.loops.size(), face.loops.size());
  EXPECT_EQ(census.euler, 2 - static_cast<long>(face.loops.size()));

  const SurfaceProbe probe(face.face);
  const std::vector<LiftedFin> fins = LiftFins(face, probe);
  const BoundaryMeasure boundary = MeasureBoundary(mesh, fins);
  EXPECT_LE(boundary.vertexOffLoop, 1e-9);
  if (HasCircles(face)) {
    EXPECT_LE(boundary.midpointOffLoop, tolerance);  // chords of the circles
  } else {
    EXPECT_LE(boundary.midpointOffLoop, 1e-9);
    double perimeter = 0.0;
    for (const KnownLoop& loop : face.loops)
      perimeter += UvPerimeter(loop);
    EXPECT_NEAR(boundary.length, perimeter, 1e-9 * perimeter);
  }
  EXPECT_EQ(VerticesOutsideLoops(mesh, face, fins, probe, 1e-9), 0u);
  EXPECT_EQ(TrianglesFacingAway(mesh, probe, 1.0), 0u);
}

// Every border edge lies on the fin whose tag it carries, runs in that fin's direction and along
// the mesh boundary (the triangles wind counter-clockwise seen from the surface normal, so the
// outer loop runs counter-clockwise and the holes clockwise), and together they cover the whole
// boundary once.
void ExpectTaggedBorder(const PlanarCase& c, double tolerance) {
  const TrimmedFace& face = c.face;
  SCOPED_TRACE(face.name + " @ tolerance " + std::to_string(tolerance));
  const Result mesh = MeshCase(c, tolerance);
  ASSERT_FALSE(mesh.triangles.empty());
  const SurfaceProbe probe(face.face);
  const std::vector<LiftedFin> fins = LiftFins(face, probe);
  const BorderMeasure border = MeasureBorderEdges(mesh, fins);
  EXPECT_EQ(border.edges, MeasureBoundary(mesh, fins).edges);
  EXPECT_EQ(border.invalid, 0u);
  EXPECT_EQ(border.unknownTag, 0u);
  EXPECT_LE(border.offFin, HasCircles(face) ? tolerance : 1e-9);
  EXPECT_EQ(border.againstFin, 0u);
  EXPECT_EQ(border.notOnBoundary, 0u);
  EXPECT_EQ(border.uncovered, 0u);
}

const KnownLoop kPlateBorder = RectangleLoop({0, 0}, {100, 80});

// Faces whose loops cross the grid in general position: every loop crosses a grid line.
std::vector<PlanarCase> CrossingCases() {
  return {
      {MakeFace("plate with round, square and star holes", Plate(),
                {kPlateBorder, CircleLoop({25, 25}, 10, true),
                 RectangleLoop({45, 15}, {70, 35}, true), StarLoop({50, 60}, 14, 6, 5, 0.3, true)},
                100.0, TurnedAndMoved())},
      {MakeFace("L-shape", Plate(),
                {PolygonLoop({{0, 0}, {100, 0}, {100, 30}, {40, 30}, {40, 80}, {0, 80}})}, 100.0,
                TurnedAndMoved())},
      {MakeFace("hexagon with two holes", Plate(),
                {PolygonLoop({{20, 5}, {80, 5}, {95, 40}, {80, 75}, {20, 75}, {5, 40}}),
                 PolygonLoop({{30, 20}, {30, 45}, {55, 20}}),
                 PolygonLoop({{50, 47}, {40, 57}, {50, 67}, {60, 57}})},
                100.0, TurnedAndMoved())},
      // The initial grid of a plane (U at the limits and the middle, V at the limits), kept by a
      // budget of zero quads: the outer loop passes the grid vertices in the middle of the long
      // sides, and each hole spans both quads.
      {MakeFace("initial grid with the outer loop through its vertices", Plate(),
                {PolygonLoop({{0, 0}, {50, 0}, {100, 0}, {100, 80}, {50, 80}, {0, 80}}),
                 RectangleLoop({40, 20}, {60, 35}, true), StarLoop({50, 55}, 12, 5, 4, 0.1, true)},
                100.0),
       0},
  };
}

// With an edge length limit of 12.5 the size refinement halves the strips of the loops' box down
// to U isolines at multiples of 12.5 and V isolines at multiples of 10: the staircase runs along
// grid edges, its corners and those of the holes are grid vertices, the square hole follows grid
// edges, the triangle's hypotenuse runs along the diagonal that the trimmer cuts its quad by
// (corner 1 to corner 3) and the diamond's sides along both diagonals.
PlanarCase StaircaseAlongGridLines() {
  return {
      MakeFace(
          "staircase along grid lines", Plate(),
          {PolygonLoop({{12.5, 10}, {87.5, 10}, {87.5, 40}, {62.5, 40}, {62.5, 70}, {12.5, 70}}),
           RectangleLoop({25, 50}, {50, 60}, true), PolygonLoop({{62.5, 30}, {75, 30}, {75, 20}}),
           PolygonLoop({{37.5, 20}, {25, 30}, {37.5, 40}, {50, 30}})},
          100.0),
      1000000, 12.5};
}

TEST(PlanarTrimming, MeshCoversExactlyTheRegionWithinTheLoops) {
  std::vector<PlanarCase> cases = CrossingCases();
  cases.push_back(StaircaseAlongGridLines());
  for (const PlanarCase& c : cases)
    for (const double tolerance : {0.1, 0.01})
      ExpectExactCoverage(c, tolerance);
}

TEST(PlanarTrimming, BorderEdgesCarryTheTagOfTheirFinAndRunAlongIt) {
  for (const PlanarCase& c : CrossingCases())
    for (const double tolerance : {0.1, 0.01})
      ExpectTaggedBorder(c, tolerance);
}

// A loop that lies wholly inside one quad repeats the junction point of two fins (once with each
// fin's tag); the edge leaving the point lies on the fin that starts there and carries its tag.
TEST(PlanarTrimming, BorderEdgesOfALoopInsideOneQuadCarryTheirFinsTag) {
  const PlanarCase c{MakeFace("square hole inside one quad", Plate(),
                              {kPlateBorder, RectangleLoop({60, 20}, {80, 40}, true)}, 100.0)};
  ExpectTaggedBorder(c, 0.1);
}

// A loop corner on a grid vertex where the loop only touches the neighbouring quad: the corner
// (62.5, 30) is a grid vertex whose point lies in the quad on the left, so the loop enters that
// quad and leaves it at the same point, and the two parts of the quad on the right cross there and
// are uncrossed at that point. The side leaving the corner keeps its own fin's tag.
TEST(PlanarTrimming, BorderEdgesAtALoopCornerOnAGridVertexCarryTheirFinsTag) {
  const auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 100.0, 0.0, 80.0);
  const PlanarCase c{MakeFace("triangle hole with corners on grid vertices", plane,
                              {kPlateBorder, PolygonLoop({{75, 30}, {75, 20}, {62.5, 30}})}, 100.0),
                     1000000, 12.5};
  ExpectTaggedBorder(c, 0.1);
  ExpectTaggedBorder(StaircaseAlongGridLines(), 0.1);
}

}  // namespace
}  // namespace trimmed_test
