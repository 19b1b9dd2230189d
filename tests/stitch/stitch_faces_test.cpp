// Faces meshed separately, at different tolerances so that their shared edges get different
// points, stitched into one surface: closed where the model is closed, consistently oriented,
// of unchanged area, no vertex moved by more than the tolerance.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <vector>

#include "Oxlen/Cad/Triangulation.h"
#include "stitch/stitch_fixtures.h"

namespace {

using stitch_testing::MStitchInput;
using UV = Oxlen::Math::point<double, 2>;
using Mesh = MCadTriangulator::triangulation_result;
constexpr double kPi = std::numbers::pi;

Mesh MeshFace(const MCADFace& face, const std::vector<int>& tags, double tolerance) {
  return MCadTriangulator::Triangulate(face, tags, tolerance,
                                       std::numeric_limits<double>::infinity(), 200000, {});
}

// A UV arc of a circle as one fin curve.
std::shared_ptr<MCAD2DNurbsCurve> Arc(const UV& center, double radius, double from, double to) {
  return std::make_shared<MCAD2DNurbsCurve>(M3dNurbsCurve::Arc(
      {center[0], center[1], 0.0}, radius, {1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, from, to));
}

struct MStitched {
  MStitchInput before;
  MStitchInput after;
  geometry::stitched_surface_report report;
};

MStitched Stitch(const std::vector<Mesh>& meshes, double tolerance) {
  MStitched result{stitch_testing::Gather(meshes), {}, {}};
  result.after = result.before;
  EXPECT_EQ(geometry::cad_stitch(result.after.surface, result.after.perTriangle, result.after.edges,
                                 tolerance, nullptr),
            geometry::cad_stitch_return_code::success);
  result.report = geometry::check_stitched_surface(result.after.surface, result.after.perTriangle);
  return result;
}

// A plate cut in two along an arc, each half meshed at its own tolerance: one open surface whose
// only border is the plate's outline.
TEST(StitchedFaces, PlateSplitAlongAnArcBecomesOneSurface) {
  auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 100.0, 0.0, 60.0);
  const double r = std::hypot(30.0, 30.0);
  const auto split = Arc({20.0, 30.0}, r, -kPi / 4.0, kPi / 4.0);  // (50, 0) to (50, 60)
  const MCADFace left = MCADFaceBuilder(plane)
                            .Loop(MCADLoopBuilder(plane)
                                      .Line({0, 0}, {50, 0})
                                      .Curve(split)
                                      .Line({50, 60}, {0, 60})
                                      .Line({0, 60}, {0, 0})
                                      .Build())
                            .Build();
  const MCADFace right = MCADFaceBuilder(plane)
                             .Loop(MCADLoopBuilder(plane)
                                       .Line({50, 0}, {100, 0})
                                       .Line({100, 0}, {100, 60})
                                       .Line({100, 60}, {50, 60})
                                       .Curve(split, false)
                                       .Build())
                             .Build();
  const std::vector<Mesh> meshes{MeshFace(left, {10, 1, 11, 12}, 0.01),
                                 MeshFace(right, {20, 21, 22, -1}, 0.002)};
  ASSERT_NE(meshes[0].border_edges.size(), 0u);
  const MStitched s = Stitch(meshes, 0.05);

  EXPECT_TRUE(s.report.valid());
  EXPECT_EQ(s.report.non_manifold_edges, 0u);
  // The outline alone stays open: its border edges, all of them, and nothing along the arc.
  std::size_t outline = 0;
  for (const auto& e : s.before.edges)
    outline += e.fin_id != 1 && e.fin_id != -1;
  EXPECT_EQ(s.report.boundary_edges, outline);
  EXPECT_NEAR(stitch_testing::Area(s.after.surface), 6000.0, 0.05 * r * kPi / 2.0);
  EXPECT_LE(stitch_testing::LargestMove(s.before.surface, s.after.surface), 0.05);
}

// A closed cylinder: its side, closed across the seam, and two caps.
TEST(StitchedFaces, CylinderWithItsCapsIsClosed) {
  const double radius = 10.0;
  const double height = 20.0;
  auto side = std::make_shared<MCADUVCylinder>(MCADFrame(), radius, 0.0, 2.0 * kPi, 0.0, height);
  // Bottom, seam up, top (backwards), seam down.
  const MCADFace wall =
      MCADFaceBuilder(side)
          .Loop(MCADLoopBuilder(side).Rectangle({0, 0}, {2 * kPi, height}).Build())
          .Build();
  // The bottom cap faces down: its frame turns Z round, so a counter-clockwise circle in its UV
  // runs against the wall's bottom circle.
  const double reach = 1.1 * radius;  // the caps' planes reach beyond their circles
  auto bottomPlane = std::make_shared<MCADUVPlane>(MCADFrame({0, 0, 0}, {0, 0, -1}, {1, 0, 0}),
                                                   -reach, reach, -reach, reach);
  auto topPlane = std::make_shared<MCADUVPlane>(MCADFrame({0, 0, height}, {0, 0, 1}, {1, 0, 0}),
                                                -reach, reach, -reach, reach);
  const MCADFace bottom = MCADFaceBuilder(bottomPlane)
                              .Loop(MCADLoopBuilder(bottomPlane).Circle({0, 0}, radius).Build())
                              .Build();
  const MCADFace top = MCADFaceBuilder(topPlane)
                           .Loop(MCADLoopBuilder(topPlane).Circle({0, 0}, radius).Build())
                           .Build();
  const std::vector<Mesh> meshes{MeshFace(wall, {1, 3, 2, -3}, 0.01), MeshFace(bottom, {-1}, 0.004),
                                 MeshFace(top, {-2}, 0.02)};
  const MStitched s = Stitch(meshes, 0.05);

  EXPECT_TRUE(s.report.closed());
  EXPECT_EQ(s.report.boundary_edges, 0u);
  const double exact = 2.0 * kPi * radius * height + 2.0 * kPi * radius * radius;
  EXPECT_NEAR(stitch_testing::Area(s.after.surface), exact, 0.01 * exact);
  EXPECT_NEAR(stitch_testing::Area(s.after.surface), stitch_testing::Area(s.before.surface),
              0.05 * 2.0 * 2.0 * kPi * radius);
  EXPECT_LE(stitch_testing::LargestMove(s.before.surface, s.after.surface), 0.05);
  // Every triangle keeps the face it came from.
  ASSERT_EQ(s.after.perTriangle.size(), s.after.surface.triangles.size());
  for (const std::size_t face : s.after.perTriangle)
    EXPECT_LT(face, 3u);
}

}  // namespace
