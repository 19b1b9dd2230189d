#include <algorithm>
#include <type_traits>
#include <vector>

#include "Oxlen/CadEntity/MCAD2DLineSegment.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD3DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve2DBased.h"
#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"
#include "platform/cad_entity/SurfaceTestSupport.h"
#include "platform/nurbs/NurbsTestShapes.h"

namespace {

using namespace SurfaceTest;
using nurbs_test::Uniform;

constexpr double kScale = kInternalScale;

template <class Curve>
std::vector<double> Listing(const Curve& curve) {
  MCADParameterList_1d list;
  list.parameters = {42.0};  // must be replaced, not appended to
  curve.GetParameterList(list);
  return {list.parameters.begin(), list.parameters.end()};
}

// The point of a UV or space curve at t.
template <class Curve>
auto At(const Curve& curve, double t) {
  std::conditional_t<std::is_base_of_v<MCAD2DVCurve, Curve>, Point2, Point3> p;
  curve.EvaluatePoint(t, p);
  return p;
}

TEST(MCADNurbsCurves, UVAndSpaceCurvesListTheirParametersAndEvaluateInInternalUnits) {
  // The UV circle starts on +U and runs counter-clockwise: V grows first.
  const auto circle =
      std::make_shared<const MCAD2DNurbsCurve>(MCAD2DNurbsCurve::Circle(Point2(0.5, 0.5), 0.25));
  EXPECT_EQ(Listing(*circle), (std::vector<double>{0, 0.25, 0.5, 0.75, 1}));
  EXPECT_TRUE(At(*circle, 0.0) == Point2(0.75, 0.5));
  EXPECT_TRUE(At(*circle, 0.25) == Point2(0.5, 0.75));
  const MCAD2DLineSegment segment(Point2(0.1, 0.7), Point2(0.3, -0.2));
  EXPECT_EQ(Listing(segment), (std::vector<double>{0, 1}));
  EXPECT_EQ(At(segment, 7.0), Point2(0.3, -0.2));  // clamped to the end
  // Space curves and surfaces evaluate in internal units: a NURBS arc, a UV circle lifted onto a
  // NURBS cylinder and the cylinder itself.
  const M3dNurbsCurve arc =
      M3dNurbsCurve::Arc(Point3(1, 2, 3), 0.5, Point3(1, 0, 0), Point3(0, 0, 1), 0.0, 3.0);
  EXPECT_EQ(Listing(MCAD3DNurbsCurve(arc)), arc.GetDistinctKnots());
  auto cylinder = std::make_shared<const MCADUVNurbsSurface>(nurbs_test::Cylinder(2.0, 3.0));
  const MCAD3DVUVSurfaceCurve2DBased lifted(cylinder, circle);
  EXPECT_EQ(Listing(lifted), Listing(*circle));
  for (double t : {0.0, 0.3, 1.0}) {
    const Point2 uv = At(*circle, t);
    const Point3 expected = cylinder->GetNurbs().Evaluate(uv[0], uv[1]) * kScale;
    EXPECT_EQ(At(MCAD3DNurbsCurve(arc), t), arc.Evaluate(t) * kScale);
    EXPECT_TRUE(At(lifted, t) == expected) << t;
    EXPECT_TRUE(Evaluate(*cylinder, uv) == expected) << t;
  }
  const M3dNurbsCurve spatial = M3dNurbsCurve::Line(Point3(), Point3(1, 1, 1));
  ExpectInvalid("nurbs", [&] { MCAD2DNurbsCurve{spatial}; });
  ExpectInvalid("radius", [] { MCAD2DNurbsCurve::Circle(Point2(0, 0), -1.0); });
  ExpectInvalid("end", [] { MCAD2DLineSegment(Point2(0, 0), Point2(0, INFINITY)); });
  ExpectInvalid("uvCurve", [&] { MCAD3DVUVSurfaceCurve2DBased(cylinder, nullptr); });
}

// Inverts surface points at random parameters and along the borders: the result lies within the
// limits and maps to the same point. `sameUV` says whether it must also be the same parameters.
template <class SameUV>
void ExpectRoundTrips(const M3dNurbsSurface& nurbs, std::uint64_t seed, SameUV sameUV) {
  const MCADUVNurbsSurface s(nurbs);
  const Point2 lo = LowerCorner(s), hi = UpperCorner(s);
  std::mt19937_64 rng(seed);
  for (int i = 0; i < 186; ++i) {
    Point2 uv{Uniform(rng, lo[0], hi[0]), Uniform(rng, lo[1], hi[1])};
    if (const int k = i - 150, axis = k % 2; k >= 0) {  // 9 points along each border
      uv[axis] = (k / 2) % 2 ? hi[axis] : lo[axis];
      uv[1 - axis] = lo[1 - axis] + (hi[1 - axis] - lo[1 - axis]) * (k / 4) / 8.0;
    }
    const Point2 found = s.InvertPoint(Evaluate(s, uv), 1e-3);
    ASSERT_TRUE(InLimits(s, found));
    EXPECT_LT(distance(Evaluate(s, uv), Evaluate(s, found)), 1e-3) << uv[0] << ", " << uv[1];
    EXPECT_TRUE(!sameUV(uv) || distance(uv, found) < 1e-7) << uv[0] << ", " << uv[1];
  }
}

TEST(MCADUVNurbsSurface, InversionRoundTripsIncludingSeamsAndPoles) {
  ExpectRoundTrips(nurbs_test::RandomRationalSurface(21), 2, [](const Point2&) { return true; });
  // Surfaces of revolution close at the seam u = 0 = 1. The sphere collapses its edges v = 0
  // and v = 1 to the poles: there any u is right.
  const auto offSeam = [](const Point2& uv) { return uv[0] > 1e-6 && uv[0] < 1.0 - 1e-6; };
  ExpectRoundTrips(nurbs_test::Torus(3.0, 1.25), 1, offSeam);
  ExpectRoundTrips(nurbs_test::Cylinder(2.0, 5.0), 3, offSeam);
  ExpectRoundTrips(nurbs_test::Sphere(1.5), 4, [&](const Point2& uv) {
    return std::abs(uv[1] - 0.5) < 0.5 - 1e-3 && offSeam(uv);
  });
  // Points a hair off a pole: the search must leave the pole in the right direction.
  const MCADUVNurbsSurface sphere(nurbs_test::Sphere(1.5));
  for (int i = 0; i < 32; ++i) {
    const double gap = i % 2 ? 1e-6 : 1e-3, v = i / 2 % 2 ? 1.0 - gap : gap;
    const Point3 p = Evaluate(sphere, {(i / 4 + 0.3) / 8.0, v});
    EXPECT_LT(distance(p, Evaluate(sphere, sphere.InvertPoint(p, 1e-4))), 1e-4) << i;
  }
  // Just above the pole the foot is a hair off the pole on the radius through the point.
  const Point3 above(1e-3, -2e-3, 3 * kScale), foot = above * (1.5 * kScale / length(above));
  EXPECT_LT(distance(Evaluate(sphere, sphere.InvertPoint(above, 1e-5)), foot), 1e-4);
}

TEST(MCADUVNurbsSurface, InversionFindsTheNearestPointOffTheSurface) {
  std::mt19937_64 rng(31);
  for (const M3dNurbsSurface& nurbs :
       {nurbs_test::Torus(3.0, 1.0), nurbs_test::RandomRationalSurface(8)}) {
    const MCADUVNurbsSurface s(nurbs);
    for (int k = 0; k < 20; ++k)
      ExpectNearestPoint(
          s, Point3(Uniform(rng, -5, 5), Uniform(rng, -5, 5), Uniform(rng, -2, 3)) * kScale, 1e-4);
    // Non-finite points give the lower corner; absurdly far points and zero or NaN tolerances
    // give a result within the limits.
    EXPECT_EQ(s.InvertPoint(Point3(NAN, 0, 0), 1.0), LowerCorner(s));
    for (const Point3& p : {Point3(1e300, -1e300, 1e299), Point3(3e4, 1e4, -2e4)})
      for (double tolerance : {0.0, double(NAN)})
        EXPECT_TRUE(InLimits(s, s.InvertPoint(p, tolerance)));
  }
}

// Inverting many points at once keeps the patch samples between the searches: every result must
// still be that of a search on its own, bit for bit, whatever the points before it were.
TEST(MCADUVNurbsSurface, InvertingManyPointsGivesTheSingleResults) {
  std::mt19937_64 rng(5);
  for (const M3dNurbsSurface& nurbs : {nurbs_test::RandomRationalSurface(3),
                                       nurbs_test::Sphere(1.5), nurbs_test::Torus(3.0, 1.0)}) {
    const MCADUVNurbsSurface s(nurbs);
    const Point2 lo = LowerCorner(s), hi = UpperCorner(s);
    std::vector<Point3> points;
    for (int k = 0; k < 60; ++k) {
      const Point3 on = Evaluate(s, {Uniform(rng, lo[0], hi[0]), Uniform(rng, lo[1], hi[1])});
      points.push_back(k % 3 ? on : on + Point3(Uniform(rng, -1, 1), 0.5, -0.25) * kScale);
    }
    points.insert(points.end(), {Point3(NAN, 0, 0), Point3(1e300, -1e300, 0), points.front()});
    for (const bool reversed : {false, true}) {
      if (reversed)
        std::reverse(points.begin(), points.end());
      const std::vector<Point2> all = s.InvertPoints(points, 1e-3);
      ASSERT_EQ(all.size(), points.size());
      for (std::size_t k = 0; k < points.size(); ++k)
        EXPECT_EQ(all[k], s.InvertPoint(points[k], 1e-3)) << k;
    }
    EXPECT_TRUE(s.InvertPoints({}, 1e-3).empty());
  }
}

// A grid of points shares the basis functions of each parameter between its rows and columns:
// every point must still be the one EvaluatePoint gives, bit for bit, clamped parameters and
// NaN included.
TEST(MCADUVNurbsSurface, EvaluatingAGridGivesThePointsOneByOne) {
  std::mt19937_64 rng(9);
  for (const M3dNurbsSurface& nurbs : {nurbs_test::RandomRationalSurface(4),
                                       nurbs_test::Torus(3.0, 1.0), nurbs_test::Sphere(2.0)}) {
    const MCADUVNurbsSurface s(nurbs);
    const Point2 lo = LowerCorner(s), hi = UpperCorner(s);
    std::vector<double> us{lo[0], hi[0], lo[0] - 1.0, double(NAN)};
    std::vector<double> vs{hi[1], lo[1], hi[1] + 0.5};
    for (int k = 0; k < 9; ++k) {
      us.push_back(Uniform(rng, lo[0], hi[0]));
      vs.push_back(Uniform(rng, lo[1], hi[1]));
    }
    const std::vector<Point3> grid = s.EvaluateGrid(us, vs);
    ASSERT_EQ(grid.size(), us.size() * vs.size());
    for (std::size_t i = 0; i < us.size(); ++i)
      for (std::size_t j = 0; j < vs.size(); ++j)
        EXPECT_EQ(grid[i * vs.size() + j], Evaluate(s, Point2(us[i], vs[j]))) << i << ", " << j;
    EXPECT_TRUE(s.EvaluateGrid({}, vs).empty());
    EXPECT_TRUE(s.EvaluateGrid(us, {}).empty());
  }
}

}  // namespace
