// Trimmed curved faces: a cylinder with its two end circles and a hole (also across the seam), a
// spherical cap, and NURBS patches with a circular hole drawn in UV. The mesh stays within the
// tolerance of the surface, its boundary follows the exact loop curves, apart from the loops it
// is watertight, and a reversed face gives the same mesh turned over.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <memory>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "triangulator/pipeline/mesh_checks.h"
#include "trimmed_checks.h"
#include "trimmed_faces.h"

namespace trimmed_test {
namespace {

constexpr double kPi = std::numbers::pi;

struct CurvedCase {
  TrimmedFace face;
  double area = 0.0;    ///< the exact area, or 0 when there is no closed form
  double radius = 1.0;  ///< a radius of curvature that bounds the area a chordal mesh loses
  /// How far the sampled deviation may exceed the tolerance (a free-form patch's refinement
  /// measures each span at its chord's middle, which is not always its farthest point).
  double chordSlack = 1.0;
  std::array<double, 2> tolerances{0.01, 0.002};
};

std::vector<CurvedCase> Cases() {
  std::vector<CurvedCase> cases;
  // A cylinder of radius 1 and height 3 whose end circles are straight UV fins along the whole U
  // range, each a loop of its own, with a round hole in the middle or across the seam. Its area
  // element is r du dv: the developed area minus the hole's disc.
  auto cylinder = std::make_shared<MCADUVCylinder>(MCADFrame({1, 2, 3}, {0, 1, 1}, {1, 0, 0}), 1.0,
                                                   0.0, 2 * kPi, 0.0, 3.0);
  for (const double holeU : {kPi, 0.0})
    cases.push_back(
        {MakeFace(holeU == 0.0 ? "cylinder with a hole across the seam" : "cylinder with a hole",
                  cylinder,
                  {LineLoop({0, 0}, {2 * kPi, 0}), LineLoop({2 * kPi, 3}, {0, 3}),
                   CircleLoop({holeU, 1.5}, 0.4, true)},
                  3.0),
         2 * kPi * 3.0 - kPi * 0.4 * 0.4});
  // The cap of a sphere of radius 10 above latitude 0.6, with and without a round UV hole.
  auto sphere = std::make_shared<MCADUVSphere>(MCADFrame({0, 0, 10}, {0, 1, 1}, {1, 0, 0}), 10.0,
                                               0.0, 2 * kPi, 0.6, kPi / 2);
  cases.push_back({MakeFace("spherical cap", sphere, {LineLoop({0.0, 0.6}, {2 * kPi, 0.6})}, 10.0),
                   2 * kPi * 100.0 * (1.0 - std::sin(0.6)), 10.0});
  cases.push_back(
      {MakeFace("spherical cap with a hole", sphere,
                {LineLoop({0.0, 0.6}, {2 * kPi, 0.6}), CircleLoop({2.0, 1.0}, 0.25, true)}, 10.0),
       0.0,
       1.0,
       1.0,
       {0.05, 0.01}});
  // NURBS patches over [0, 1]^2 with a round UV hole; the bicubic one is allowed 1.1 times the
  // tolerance.
  for (const auto& named : {pipeline_test::NurbsTorusFace(), pipeline_test::BicubicNurbsFace()}) {
    const bool torus = named.name == pipeline_test::NurbsTorusFace().name;
    cases.push_back({MakeFace(named.name + " with a round hole", named.face.GetSharedSurface(),
                              {RectangleLoop({0, 0}, {1, 1}), CircleLoop({0.45, 0.55}, 0.25, true)},
                              named.scale, named.face.GetTransformationMatrix()),
                     0.0,
                     1.0,
                     torus ? 1.0 : 1.1,
                     {0.1, 0.05}});
  }
  return cases;
}

// The boundary vertices are loop points and the loops' crossings with straight grid edges, so
// they and the boundary edge middles may lie off the curve by a chord's and a grid edge's
// deviations together (measured: up to 1.3 times the tolerance).
TEST(CurvedTrimming, MeshFollowsTheSurfaceAndTheLoopCurves) {
  for (const CurvedCase& c : Cases()) {
    for (const double tolerance : c.tolerances) {
      SCOPED_TRACE(c.face.name + " @ tolerance " + std::to_string(tolerance));
      const Result mesh = MeshTrimmed(c.face, tolerance);
      const SurfaceProbe probe(c.face.face);
      EXPECT_LE(pipeline_test::MeshDeviation(mesh, probe), tolerance * c.chordSlack);
      EXPECT_LE(pipeline_test::VertexResidual(mesh, probe), tolerance);
      ExpectFollowsLoops(c.face, mesh, 1.5 * tolerance, 1.5 * tolerance);
      if (c.area > 0.0) {
        // A chordal mesh within the tolerance of a surface of curvature radius r loses less than
        // 2 tolerance / r of the area.
        EXPECT_LE(MeshArea(mesh), c.area * (1.0 + 1e-9));
        EXPECT_GE(MeshArea(mesh), c.area * (1.0 - 2.0 * tolerance / c.radius));
      }
    }
  }
}

using Corner = std::array<double, 3>;

Corner At(const Result& mesh, std::size_t v) {
  return {mesh.vertices[v][0], mesh.vertices[v][1], mesh.vertices[v][2]};
}

// Triangles (rotated to start at their smallest corner, winding kept) and border edges with their
// tags, by corner positions and sorted: a form that does not depend on the vertex numbering.
std::pair<std::vector<std::array<Corner, 3>>, std::vector<std::tuple<Corner, Corner, int>>>
Geometry(const Result& mesh, bool turnOver) {
  std::vector<std::array<Corner, 3>> triangles;
  for (const auto& t : mesh.triangles) {
    std::array<Corner, 3> corners{At(mesh, t[0]), At(mesh, t[1]), At(mesh, t[2])};
    if (turnOver)
      std::swap(corners[0], corners[2]);
    std::rotate(corners.begin(), std::min_element(corners.begin(), corners.end()), corners.end());
    triangles.push_back(corners);
  }
  std::vector<std::tuple<Corner, Corner, int>> edges;
  for (const auto& e : mesh.border_edges)
    edges.emplace_back(At(mesh, turnOver ? e.second : e.first),
                       At(mesh, turnOver ? e.first : e.second), e.tag);
  std::sort(triangles.begin(), triangles.end());
  std::sort(edges.begin(), edges.end());
  return {triangles, edges};
}

// A reversed face bounds the forward face's region with every loop run the other way. The mesh
// must be the forward mesh with every triangle turned over, and the border edges the forward ones
// with their ends swapped, along the reversed face's own fins.
TEST(TrimmedOrientation, ReversedFaceTurnsEveryTriangleAndBorderEdgeOver) {
  std::vector<TrimmedFace> faces{
      MakeFace("plate with a round and a star hole",
               std::make_shared<MCADUVPlane>(MCADFrame({5, -3, 2}, {1, 2, 2}, {2, -1, 0}), 0.0,
                                             100.0, 0.0, 80.0),
               {RectangleLoop({0, 0}, {100, 80}), CircleLoop({25, 25}, 10, true),
                StarLoop({50, 60}, 14, 6, 5, 0.3, true)},
               100.0)};
  for (const CurvedCase& c : Cases())
    if (c.face.name.find("seam") != std::string::npos ||
        c.face.name.find("cap with") != std::string::npos ||
        c.face.name.find("torus") != std::string::npos)
      faces.push_back(c.face);
  for (const TrimmedFace& face : faces) {
    SCOPED_TRACE(face.name);
    const double tolerance = 0.002 * face.scale;
    const TrimmedFace reversedFace = ReversedFace(face);
    const Result forward = MeshTrimmed(face, tolerance);
    const Result reversed = MeshTrimmed(reversedFace, tolerance);
    ASSERT_FALSE(forward.triangles.empty());
    EXPECT_TRUE(Geometry(forward, false) == Geometry(reversed, true));

    const SurfaceProbe probe(face.face);
    EXPECT_EQ(pipeline_test::TrianglesFacingAway(reversed, probe, -1.0), 0u)
        << "of " << reversed.triangles.size();
    const BorderMeasure border = MeasureBorderEdges(reversed, LiftFins(reversedFace, probe));
    EXPECT_EQ(border.againstFin, 0u);
    EXPECT_EQ(border.notOnBoundary, 0u);
    EXPECT_EQ(border.uncovered, 0u);
  }
}

}  // namespace
}  // namespace trimmed_test
