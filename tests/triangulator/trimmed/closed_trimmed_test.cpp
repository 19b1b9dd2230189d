// Whole closed faces as B-rep models describe them: one loop along the whole domain border, the
// seam edge used twice (once up, once down) and a pole as an edge of zero length. They mesh as the
// same surface without loops would, in either orientation and at any period offset.
#include <gtest/gtest.h>

#include "trimmed_faces.h"

namespace trimmed_test {
namespace {

struct ClosedCase {
  TrimmedFace face;
  double area;                ///< the exact area
  double radius;              ///< the smallest radius of curvature
  long euler;                 ///< V - E + F of the closed or tube-shaped mesh
  std::size_t boundaryLoops;  ///< end circles left open
  std::vector<int> seamTags;  ///< the tags of the fins that run along the seam
  std::vector<int> poleTags;  ///< the tags of the fins that collapse into a pole
};

// The tags MakeFace gives the fins of the loops in order: 11, 14, 17, ...
int Tag(int fin) {
  return 11 + 3 * fin;
}

// A rational full circle of radius 1 from 7 poles (three arcs of 120 degrees) over [0, 3].
const std::vector<Point2> kCircle{{1, 0},  {1, std::sqrt(3.0)},      {-0.5, std::sqrt(0.75)},
                                  {-2, 0}, {-0.5, -std::sqrt(0.75)}, {1, -std::sqrt(3.0)},
                                  {1, 0}};
const std::vector<double> kCircleWeights{1, 0.5, 1, 0.5, 1, 0.5, 1};
const std::vector<double> kCircleKnots{0, 0, 0, 1, 1, 2, 2, 3, 3, 3};

// The circle swept along z from 0 to `height`: a tube closed in U, U in [0, 3], V in [0, 1].
std::shared_ptr<MCADUVNurbsSurface> NurbsTube(double height) {
  std::vector<Point3> points;
  std::vector<double> weights;
  for (std::size_t i = 0; i < kCircle.size(); ++i) {
    for (const double z : {0.0, height}) {
      points.push_back({kCircle[i][0], kCircle[i][1], z});
      weights.push_back(kCircleWeights[i]);
    }
  }
  return std::make_shared<MCADUVNurbsSurface>(
      M3dNurbsSurface(3, 2, 7, 2, kCircleKnots, {0, 0, 1, 1}, points, weights));
}

// A whole torus of radii 3 and 1, the circle swept around the circle: closed in U and in V.
std::shared_ptr<MCADUVNurbsSurface> NurbsTorus() {
  std::vector<Point3> points;
  std::vector<double> weights;
  for (std::size_t i = 0; i < kCircle.size(); ++i) {
    for (std::size_t j = 0; j < kCircle.size(); ++j) {
      const double radial = 3.0 + kCircle[j][0];
      points.push_back({radial * kCircle[i][0], radial * kCircle[i][1], kCircle[j][1]});
      weights.push_back(kCircleWeights[i] * kCircleWeights[j]);
    }
  }
  return std::make_shared<MCADUVNurbsSurface>(
      M3dNurbsSurface(3, 3, 7, 7, kCircleKnots, kCircleKnots, points, weights));
}

std::vector<ClosedCase> Cases() {
  const MCADFrame frame({1, 2, 3}, {0, 1, 1}, {1, 0, 0});
  std::vector<ClosedCase> cases;
  // Sphere: seam down at u = 0, the south pole, seam up at u = 2 pi, the north pole.
  auto sphere = std::make_shared<MCADUVSphere>(frame, 1.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2);
  cases.push_back(
      {MakeFace("whole sphere", sphere, {RectangleLoop({0, -kPi / 2}, {2 * kPi, kPi / 2})}, 1.0),
       4 * kPi,
       1.0,
       2,
       0,
       {Tag(1), Tag(3)},
       {Tag(0), Tag(2)}});
  // The same loop as a polygon starting with the seam going down.
  cases.push_back(
      {MakeFace(
           "whole sphere from the seam", sphere,
           {PolygonLoop({{0, kPi / 2}, {0, -kPi / 2}, {2 * kPi, -kPi / 2}, {2 * kPi, kPi / 2}})},
           1.0),
       4 * kPi,
       1.0,
       2,
       0,
       {Tag(0), Tag(2)},
       {Tag(1), Tag(3)}});
  // A sphere whose U range starts at -pi.
  auto shifted = std::make_shared<MCADUVSphere>(frame, 1.0, -kPi, kPi, -kPi / 2, kPi / 2);
  cases.push_back({MakeFace("whole sphere from -pi", shifted,
                            {RectangleLoop({-kPi, -kPi / 2}, {kPi, kPi / 2})}, 1.0),
                   4 * kPi,
                   1.0,
                   2,
                   0,
                   {Tag(1), Tag(3)},
                   {Tag(0), Tag(2)}});
  // Cylinder tubes: bottom circle, seam up, top circle, seam down.
  auto cylinder = std::make_shared<MCADUVCylinder>(frame, 1.0, 0.0, 2 * kPi, 0.0, 2.0);
  cases.push_back({MakeFace("whole cylinder", cylinder, {RectangleLoop({0, 0}, {2 * kPi, 2})}, 2.0),
                   4 * kPi,
                   1.0,
                   0,
                   2,
                   {Tag(1), Tag(3)},
                   {}});
  auto offset = std::make_shared<MCADUVCylinder>(frame, 1.0, kPi, 3 * kPi, -7.0, -5.954);
  cases.push_back(
      {MakeFace("whole cylinder from pi, drawn from the right side", offset,
                {PolygonLoop({{3 * kPi, -7}, {3 * kPi, -5.954}, {kPi, -5.954}, {kPi, -7}})}, 1.0),
       2 * kPi * 1.046,
       1.0,
       0,
       2,
       {Tag(0), Tag(2)},
       {}});
  auto cone = std::make_shared<MCADUVCone>(frame, 1.0, kPi / 6, 3 * kPi, 5 * kPi, 0.0, 2.0);
  const double slant = 2.0, top = 1.0 + slant * std::sin(kPi / 6);
  cases.push_back({MakeFace("frustum of a cone from 3 pi", cone,
                            {RectangleLoop({3 * kPi, 0}, {5 * kPi, 2})}, 2.0),
                   kPi * (1.0 + top) * slant,
                   1.0,
                   0,
                   2,
                   {Tag(1), Tag(3)},
                   {}});
  cases.push_back(
      {MakeFace("rational NURBS tube", NurbsTube(1.0), {RectangleLoop({0, 0}, {3, 1})}, 1.0),
       2 * kPi,
       1.0,
       0,
       2,
       {Tag(1), Tag(3)},
       {}});
  // A hemisphere: the equator, the seam up, the north pole, the seam down.
  auto hemisphere = std::make_shared<MCADUVSphere>(frame, 1.0, 0.0, 2 * kPi, 0.0, kPi / 2);
  cases.push_back(
      {MakeFace("hemisphere", hemisphere, {RectangleLoop({0, 0}, {2 * kPi, kPi / 2})}, 1.0),
       2 * kPi,
       1.0,
       1,
       1,
       {Tag(1), Tag(3)},
       {Tag(2)}});
  // A cone from its apex (at v = -2 with radius 1 and half angle 30 degrees) to v = 1.
  auto apex = std::make_shared<MCADUVCone>(frame, 1.0, kPi / 6, 0.0, 2 * kPi, -2.0, 1.0);
  cases.push_back(
      {MakeFace("cone from its apex", apex, {RectangleLoop({0, -2}, {2 * kPi, 1})}, 1.0),
       kPi * 1.5 * 3.0,
       1.5,
       1,
       1,
       {Tag(1), Tag(3)},
       {Tag(0)}});
  // A torus, closed both ways: its loop runs up and down one seam and back and forth along the
  // other.
  cases.push_back(
      {MakeFace("rational NURBS torus", NurbsTorus(), {RectangleLoop({0, 0}, {3, 3})}, 4.0),
       4 * kPi * kPi * 3.0,
       1.0,
       0,
       0,
       {Tag(0), Tag(1), Tag(2), Tag(3)},
       {}});
  // A tube with a round hole across the seam: one more boundary loop.
  ClosedCase holed{
      MakeFace("whole cylinder with a hole across the seam", cylinder,
               {RectangleLoop({0, 0}, {2 * kPi, 2}), CircleLoop({0, 1}, 0.3, true)}, 2.0),
      4 * kPi - kPi * 0.09,
      1.0,
      -1,
      3,
      {Tag(1), Tag(3)},
      {}};
  cases.push_back(holed);
  return cases;
}

// The face marked reversed with its loops unchanged: a single loop bounds the face whatever its
// direction, so the marking only turns the triangles over; the border edges still run along the
// loop, now against the triangles.
TrimmedFace FlaggedReversed(const TrimmedFace& face) {
  TrimmedFace flagged = face;
  flagged.name += " marked reversed";
  flagged.face.SetOrientation(eFaceOrientationReversed);
  return flagged;
}

// The mesh of a whole closed face: closed where the surface closes, its area that of the surface
// less what a chordal mesh cuts off, every triangle facing the face's side; border edges along the
// end circles in the loop's direction, along the seam in opposite pairs, none at a pole.
void ExpectWholeFace(const ClosedCase& c, const TrimmedFace& face, const Result& mesh,
                     double tolerance, bool againstTriangles) {
  ASSERT_FALSE(mesh.triangles.empty());
  const EdgeCensus census = CountEdges(mesh);
  EXPECT_EQ(census.malformed, 0u);
  EXPECT_EQ(census.badEdges, 0u);
  EXPECT_FALSE(census.brokenBoundary);
  EXPECT_EQ(census.loops, c.boundaryLoops);
  EXPECT_EQ(census.euler, c.euler);
  EXPECT_EQ(CountFlatTriangles(mesh), 0u);
  EXPECT_LE(Areas(mesh).second, c.area * (1.0 + 1e-9));
  EXPECT_GE(Areas(mesh).second, c.area * (1.0 - 2.0 * tolerance / c.radius));
  const SurfaceProbe probe(face.face);
  const bool reversed = face.face.GetOrientation() == eFaceOrientationReversed;
  EXPECT_EQ(TrianglesFacingAway(mesh, probe, reversed ? -1.0 : 1.0), 0u);

  // Every boundary edge is listed once, in the loop's direction.
  std::map<Edge, int> listed;
  for (const auto& edge : mesh.border_edges) {
    ASSERT_TRUE(edge.first < mesh.vertices.size());
    ASSERT_TRUE(edge.second < mesh.vertices.size());
    const Edge e = againstTriangles ? Edge{edge.second, edge.first} : Edge{edge.first, edge.second};
    EXPECT_TRUE(listed.emplace(e, edge.tag).second);
  }
  for (const Edge& edge : census.boundary)
    EXPECT_TRUE(listed.count(edge)) << edge.first << " -> " << edge.second;
  // The rest lie on the seam: each pairs with its opposite edge, which carries the other seam
  // fin's tag. No edge carries a pole's tag.
  const std::set<int> seam(c.seamTags.begin(), c.seamTags.end());
  const std::set<int> poles(c.poleTags.begin(), c.poleTags.end());
  std::size_t seamEdges = 0;
  for (const auto& [edge, tag] : listed) {
    EXPECT_FALSE(poles.count(tag)) << "tag " << tag;
    if (census.boundary.count(edge))
      continue;
    ++seamEdges;
    EXPECT_TRUE(seam.count(tag)) << "tag " << tag;
    const auto opposite = listed.find({edge.second, edge.first});
    ASSERT_NE(opposite, listed.end());
    EXPECT_TRUE(seam.count(opposite->second));
    EXPECT_NE(opposite->second, tag);
  }
  EXPECT_GT(seamEdges, 0u);
}

TEST(ClosedTrimming, WholeClosedFacesMeshInBothOrientations) {
  for (const ClosedCase& c : Cases()) {
    for (const double tolerance : {0.01, 0.003}) {
      for (const int variant : {0, 1, 2}) {
        const TrimmedFace face = variant == 0   ? c.face
                                 : variant == 1 ? ReversedFace(c.face)
                                                : FlaggedReversed(c.face);
        SCOPED_TRACE(testing::Message() << face.name << " at " << tolerance);
        const Result mesh =
            MeshTrimmed(face, tolerance, std::numeric_limits<double>::infinity(), 200000);
        ExpectWholeFace(c, face, mesh, tolerance, variant == 2);
      }
    }
  }
}

}  // namespace
}  // namespace trimmed_test
