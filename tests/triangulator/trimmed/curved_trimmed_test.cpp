// Trimmed curved faces: the mesh stays within the tolerance of the surface, its boundary follows
// the exact loop curves, apart from the loops it is watertight; and reversed faces.
#include <gtest/gtest.h>

#include "trimmed_faces.h"

namespace trimmed_test {
namespace {

struct CurvedCase {
  TrimmedFace face;
  double tolerance;
  double area = 0.0;    ///< the exact area, or 0 when there is no closed form
  double radius = 1.0;  ///< a radius of curvature that bounds the area a chordal mesh loses
  double chordSlack = 1.0;
};

std::vector<CurvedCase> Cases() {
  // A cylinder of radius 1 and height 3 whose end circles are straight UV fins along the whole U
  // range, each a loop of its own, with a round hole across the seam. Its area element is
  // r du dv: the developed area minus the hole's disc.
  auto cylinder = std::make_shared<MCADUVCylinder>(MCADFrame({1, 2, 3}, {0, 1, 1}, {1, 0, 0}), 1.0,
                                                   0.0, 2 * kPi, 0.0, 3.0);
  // The cap of a sphere of radius 10 above latitude 0.6.
  auto sphere = std::make_shared<MCADUVSphere>(MCADFrame({0, 0, 10}, {0, 1, 1}, {1, 0, 0}), 10.0,
                                               0.0, 2 * kPi, 0.6, kPi / 2);
  // A free-form patch, whose refinement measures each span at the chord's middle, not always its
  // farthest point.
  const NamedFace patch = BicubicNurbsFace();
  return {{MakeFace("cylinder with a hole across the seam", cylinder,
                    {LineLoop({0, 0}, {2 * kPi, 0}), LineLoop({2 * kPi, 3}, {0, 3}),
                     CircleLoop({0.0, 1.5}, 0.4, true)},
                    3.0),
           0.002, 2 * kPi * 3.0 - kPi * 0.4 * 0.4},
          {MakeFace("spherical cap", sphere, {LineLoop({0.0, 0.6}, {2 * kPi, 0.6})}, 10.0), 0.002,
           2 * kPi * 100.0 * (1.0 - std::sin(0.6)), 10.0},
          {MakeFace(patch.name + " with a round hole", patch.face.GetSharedSurface(),
                    {RectangleLoop({0, 0}, {1, 1}), CircleLoop({0.45, 0.55}, 0.25, true)},
                    patch.scale, patch.face.GetTransformationMatrix()),
           0.05, 0.0, 1.0, 1.1}};
}

// The boundary vertices are loop points and the loops' crossings with straight grid edges, so
// they and the boundary edge middles may lie off the curve by a chord's and a grid edge's
// deviations together (measured: up to 1.3 times the tolerance).
TEST(CurvedTrimming, MeshFollowsTheSurfaceAndTheLoopCurves) {
  for (const CurvedCase& c : Cases()) {
    SCOPED_TRACE(c.face.name);
    const Result mesh = MeshTrimmed(c.face, c.tolerance);
    const auto [deviation, vertexResidual] = Deviations(mesh, SurfaceProbe(c.face.face));
    EXPECT_LE(deviation, c.tolerance * c.chordSlack);
    EXPECT_LE(vertexResidual, c.tolerance);
    ExpectFollowsLoops(c.face, mesh, 1.5 * c.tolerance);
    if (c.area > 0.0) {
      // A chordal mesh within the tolerance of a surface of curvature radius r loses less than
      // 2 tolerance / r of the area.
      EXPECT_LE(Areas(mesh).second, c.area * (1.0 + 1e-9));
      EXPECT_GE(Areas(mesh).second, c.area * (1.0 - 2.0 * c.tolerance / c.radius));
    }
  }
}

// A reversed face bounds the forward face's region with every loop run the other way: its mesh
// covers the same area with its triangles turned away from the surface normal, and its border
// edges run along the reversed face's own fins.
TEST(TrimmedOrientation, ReversedFaceTurnsEveryTriangleAndBorderEdgeOver) {
  std::vector<TrimmedFace> faces{
      MakeFace("plate with a round and a star hole",
               std::make_shared<MCADUVPlane>(MCADFrame({5, -3, 2}, {1, 2, 2}, {2, -1, 0}), 0.0,
                                             100.0, 0.0, 80.0),
               {RectangleLoop({0, 0}, {100, 80}), CircleLoop({25, 25}, 10, true),
                StarLoop({50, 60}, 14, 6, 5, 0.3, true)},
               100.0)};
  for (const CurvedCase& c : Cases())
    faces.push_back(c.face);
  for (const TrimmedFace& face : faces) {
    SCOPED_TRACE(face.name);
    const double tolerance = 0.002 * face.scale;
    const TrimmedFace reversedFace = ReversedFace(face);
    const Result forward = MeshTrimmed(face, tolerance);
    const Result reversed = MeshTrimmed(reversedFace, tolerance);
    EXPECT_EQ(reversed.triangles.size(), forward.triangles.size());
    EXPECT_NEAR(Areas(reversed).second, Areas(forward).second, 1e-12 * Areas(forward).second);
    ExpectFollowsLoops(reversedFace, reversed, 1.5 * tolerance);
  }
}

}  // namespace
}  // namespace trimmed_test
