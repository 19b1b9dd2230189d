// Plates with a hole meshed with hostile parameters: tolerances tiny next to the face, a quad
// budget of 0 that leaves hundreds of loop points in one quad, and a hole of many fins. The mesh
// must cover the plate less the hole's polygon, and no triangle may reach into the hole.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "trimmed_faces.h"

namespace trimmed_test {
namespace {

constexpr double kSize = 100.0;  // the plate's longer side
const Point2 kCenter{50, 30};

// The plate [0, 100] x [0, 60] bounded by its own domain, with one hole.
TrimmedFace PlateWithHole(const std::string& name, const KnownLoop& hole) {
  return MakeFace(name, std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, kSize, 0.0, 60.0),
                  {RectangleLoop({0, 0}, {kSize, 60}), hole}, kSize);
}

// A clockwise regular polygon of `n` corners on the circle of radius `r` around the centre.
std::vector<Point2> PolygonCorners(int n, double r) {
  std::vector<Point2> corners;
  for (int k = 0; k < n; ++k) {
    const double angle = -2.0 * kPi * k / n;
    corners.push_back(kCenter + Point2{r * std::cos(angle), r * std::sin(angle)});
  }
  return corners;
}

// The area of a regular polygon of n corners on the circle of radius r.
double PolygonArea(int n, double r) {
  return 0.5 * n * r * r * std::sin(2.0 * kPi / n);
}

// Whether the triangle abc of the mesh (in the plane z = 0) covers the UV point p.
bool Covers(const Point3& a, const Point3& b, const Point3& c, const Point2& p) {
  const auto side = [&p](const Point3& u, const Point3& v) {
    return (v[0] - u[0]) * (p[1] - u[1]) - (v[1] - u[1]) * (p[0] - u[0]);
  };
  const double s0 = side(a, b), s1 = side(b, c), s2 = side(c, a);
  return (s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0);
}

// Sample points well inside a hole of radius r: the centre and rings at 0.5 r and 0.97 r.
std::vector<Point2> SamplesInsideHole(double r) {
  std::vector<Point2> samples{kCenter};
  for (const double fraction : {0.5, 0.97})
    for (int k = 0; k < 64; ++k) {
      const double angle = 2.0 * kPi * (k + 0.5) / 64;
      samples.push_back(kCenter + fraction * r * Point2{std::cos(angle), std::sin(angle)});
    }
  return samples;
}

// Expects the mesh to cover the plate less a hole whose area lies in [holeLo, holeHi], as a
// well-formed mesh, with no triangle over a sample point inside the hole of radius `inner`.
void ExpectPlateLessHole(const Result& mesh, double holeLo, double holeHi, double inner) {
  ASSERT_FALSE(mesh.triangles.empty());
  EXPECT_EQ(CountEdges(mesh).malformed, 0u);
  const double area = Areas(mesh).second;
  EXPECT_GE(area, kSize * 60.0 - holeHi - 1e-9 * kSize * kSize);
  EXPECT_LE(area, kSize * 60.0 - holeLo + 1e-9 * kSize * kSize);
  std::size_t covered = 0;
  for (const Point2& p : SamplesInsideHole(inner))
    for (const auto& t : mesh.triangles)
      covered += Covers(mesh.vertices[t[0]], mesh.vertices[t[1]], mesh.vertices[t[2]], p) ? 1 : 0;
  EXPECT_EQ(covered, 0u);
}

// A polygonal hole (straight fins, segmented exactly at any tolerance) at tolerances down to
// 1e-12 of the plate's size, where every distance the trimmer compares is far above the
// tolerance: the mesh is the plate less the polygon exactly. The budget is kept small, since at
// such tolerances the size refinement near the loops would otherwise spend all of it.
TEST(HostileTrimmed, TinyTolerancesKeepTheHoleOpen) {
  const int corners = 48;
  const TrimmedFace face = PlateWithHole("48-gon hole", PolygonLoop(PolygonCorners(corners, 10)));
  const double hole = PolygonArea(corners, 10);
  for (const double relative : {1e-8, 1e-10, 1e-12}) {
    SCOPED_TRACE(relative);
    const Result mesh =
        MeshTrimmed(face, relative * kSize, std::numeric_limits<double>::infinity(), 2000);
    ExpectPlateLessHole(mesh, hole * (1 - 1e-9), hole * (1 + 1e-9), 10 * std::cos(kPi / corners));
    ExpectFollowsLoops(face, mesh, 1e-9 * kSize);
  }
}

// A quad budget of 0 keeps the initial grid, so that each quad receives thousands of loop
// points: the round hole at tolerance 1e-6 (about 8200 points) and a hole of 4000 straight fins
// at 0.01. (Larger loops and smaller tolerances are timed by trimmed_bench.)
TEST(HostileTrimmed, BudgetZeroWithThousandsOfPointsPerQuad) {
  struct Case {
    TrimmedFace face;
    double tolerance;
    double holeLo, holeHi, inner;
  };
  const int fins = 4000;
  const std::vector<Case> cases{
      {PlateWithHole("round hole", CircleLoop(kCenter, 10, true)), 1e-6, kPi * 100 - 1e-4,
       kPi * 100, 10 - 1e-5},
      {PlateWithHole("4000-gon hole", PolygonLoop(PolygonCorners(fins, 10))), 0.01,
       PolygonArea(fins, 10) * (1 - 1e-9), PolygonArea(fins, 10) * (1 + 1e-9), 10 - 1e-5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.face.name + " @ " + std::to_string(c.tolerance));
    const Result mesh =
        MeshTrimmed(c.face, c.tolerance, std::numeric_limits<double>::infinity(), 0);
    ExpectPlateLessHole(mesh, c.holeLo, c.holeHi, c.inner);
  }
}

}  // namespace
}  // namespace trimmed_test
