// Winding of trimmed meshes: triangles face the side of the surface normal on a forward face, and
// a reversed face gives the same mesh with every triangle turned over and every border edge run
// the other way round the triangles (still along its fin).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
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

using Corner = std::array<double, 3>;
using Triangle = std::array<Corner, 3>;

Corner At(const Result& mesh, std::size_t v) {
  const Point3& p = mesh.vertices[v];
  return {p[0], p[1], p[2]};
}

// The triangles by the positions of their corners, each rotated to start at its smallest corner
// (winding kept), sorted: a form that does not depend on the vertex numbering.
std::vector<Triangle> Geometry(const Result& mesh, bool turnOver) {
  std::vector<Triangle> triangles;
  for (const auto& t : mesh.triangles) {
    Triangle corners{At(mesh, t[0]), At(mesh, t[1]), At(mesh, t[2])};
    if (turnOver)
      std::swap(corners[0], corners[2]);
    std::rotate(corners.begin(), std::min_element(corners.begin(), corners.end()), corners.end());
    triangles.push_back(corners);
  }
  std::sort(triangles.begin(), triangles.end());
  return triangles;
}

// Border edges by the positions of their ends and their tag, sorted.
std::vector<std::tuple<Corner, Corner, int>> Borders(const Result& mesh, bool swapEnds) {
  std::vector<std::tuple<Corner, Corner, int>> edges;
  for (const auto& e : mesh.border_edges) {
    const Corner a = At(mesh, e.first);
    const Corner b = At(mesh, e.second);
    edges.emplace_back(swapEnds ? b : a, swapEnds ? a : b, e.tag);
  }
  std::sort(edges.begin(), edges.end());
  return edges;
}

std::vector<TrimmedFace> Faces() {
  std::vector<TrimmedFace> faces;
  auto plane = std::make_shared<MCADUVPlane>(MCADFrame({5, -3, 2}, {1, 2, 2}, {2, -1, 0}), 0.0,
                                             100.0, 0.0, 80.0);
  faces.push_back(MakeFace("plate with a round and a star hole", plane,
                           {RectangleLoop({0, 0}, {100, 80}), CircleLoop({25, 25}, 10, true),
                            StarLoop({50, 60}, 14, 6, 5, 0.3, true)},
                           100.0));
  auto cylinder = std::make_shared<MCADUVCylinder>(MCADFrame({1, 2, 3}, {0, 1, 1}, {1, 0, 0}), 1.0,
                                                   0.0, 2 * kPi, 0.0, 3.0);
  faces.push_back(MakeFace("cylinder with a hole across the seam", cylinder,
                           {LineLoop({0, 0}, {2 * kPi, 0}), LineLoop({2 * kPi, 3}, {0, 3}),
                            CircleLoop({0.0, 1.5}, 0.4, true)},
                           3.0));
  auto sphere = std::make_shared<MCADUVSphere>(MCADFrame({0, 0, 10}, {0, 1, 1}, {1, 0, 0}), 10.0,
                                               0.0, 2 * kPi, 0.6, kPi / 2);
  faces.push_back(
      MakeFace("spherical cap with a hole", sphere,
               {LineLoop({0.0, 0.6}, {2 * kPi, 0.6}), CircleLoop({2.0, 1.0}, 0.25, true)}, 10.0));
  const pipeline_test::NamedFace torus = pipeline_test::NurbsTorusFace();
  faces.push_back(MakeFace("torus patch with a round hole", torus.face.GetSharedSurface(),
                           {RectangleLoop({0, 0}, {1, 1}), CircleLoop({0.45, 0.55}, 0.25, true)},
                           torus.scale, torus.face.GetTransformationMatrix()));
  return faces;
}

// The reversed face is the forward face's region bounded as a reversed B-rep face bounds it:
// every loop runs the other way. The driver turns the loops back before laying them over the grid,
// so the mesh must be the forward mesh with every triangle turned over, and the border edges the
// forward ones with their ends swapped (they follow the reversed face's own loops).
TEST(TrimmedOrientation, ReversedFaceTurnsEveryTriangleAndBorderEdgeOver) {
  for (const TrimmedFace& face : Faces()) {
    SCOPED_TRACE(face.name);
    const double tolerance = 0.002 * face.scale;
    const TrimmedFace reversedFace = ReversedFace(face);
    const Result forward = MeshTrimmed(face, tolerance);
    const Result reversed = MeshTrimmed(reversedFace, tolerance);
    ASSERT_FALSE(forward.triangles.empty());

    const SurfaceProbe probe(face.face);
    EXPECT_EQ(TrianglesFacingAway(forward, probe, 1.0), 0u) << "of " << forward.triangles.size();
    EXPECT_EQ(TrianglesFacingAway(reversed, probe, -1.0), 0u) << "of " << reversed.triangles.size();

    const std::vector<Triangle> turned = Geometry(reversed, true);
    const std::vector<Triangle> straight = Geometry(forward, false);
    std::vector<Triangle> inOneOnly;
    std::set_symmetric_difference(turned.begin(), turned.end(), straight.begin(), straight.end(),
                                  std::back_inserter(inOneOnly));
    EXPECT_EQ(inOneOnly.size(), 0u) << "of " << straight.size() << " and " << turned.size();

    const auto forwardBorders = Borders(forward, false);
    const auto swappedBorders = Borders(reversed, true);
    std::vector<std::tuple<Corner, Corner, int>> bordersInOneOnly;
    std::set_symmetric_difference(forwardBorders.begin(), forwardBorders.end(),
                                  swappedBorders.begin(), swappedBorders.end(),
                                  std::back_inserter(bordersInOneOnly));
    EXPECT_EQ(bordersInOneOnly.size(), 0u)
        << "of " << forwardBorders.size() << " and " << swappedBorders.size();

    // On the reversed face the border edges run along its own fins, and so along the boundary of
    // its turned triangles.
    const BorderMeasure border = MeasureBorderEdges(reversed, LiftFins(reversedFace, probe));
    EXPECT_EQ(border.againstFin, 0u);
    EXPECT_EQ(border.notOnBoundary, 0u);
    EXPECT_EQ(border.uncovered, 0u);
  }
}

}  // namespace
}  // namespace trimmed_test
