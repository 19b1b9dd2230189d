#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "NurbsTestShapes.h"
#include "Oxlen/CadEntity/MCAD2DLineSegment.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD3DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve2DBased.h"
#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"

namespace {

using nurbs_test::ExpectInvalid;
using nurbs_test::Point2;
using nurbs_test::Point3;
using nurbs_test::Uniform;

constexpr double kScale = 10000.0;

std::vector<double> Listing(const MCAD2DVCurve& curve) {
  MCADParameterList_1d list;
  list.parameters = {42.0};  // must be replaced, not appended to
  curve.GetParameterList(list);
  return {list.parameters.begin(), list.parameters.end()};
}

std::vector<double> Listing(const MCAD3DVUVSurfaceCurve& curve) {
  MCADParameterList_1d list;
  list.parameters = {42.0};
  curve.GetParameterList(list);
  return {list.parameters.begin(), list.parameters.end()};
}

TEST(MCADNurbsCurves, UVCurvesListTheirParametersAndEvaluate) {
  const MCAD2DNurbsCurve bezier(4, {0, 0, 0, 0, 2, 2, 2, 2},
                                std::vector<Point2>{{0, 0}, {1, 2}, {2, 2}, {3, 0}});
  EXPECT_EQ(Listing(bezier), (std::vector<double>{0, 2}));
  EXPECT_EQ(bezier.GetNurbs().GetOrder(), 4);
  Point2 uv;
  bezier.EvaluatePoint(1.0, uv);
  EXPECT_LT(Oxlen::Math::distance(uv, Point2(1.5, 1.5)), 1e-15);
  bezier.EvaluatePoint(2.0, uv);
  EXPECT_EQ(uv, Point2(3, 0));

  const MCAD2DNurbsCurve spline(
      3, {0, 0, 0, 0.5, 0.5, 0.7, 1, 1, 1},
      std::vector<Point2>{{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}, {3, 3}});
  EXPECT_EQ(Listing(spline), (std::vector<double>{0, 0.5, 0.7, 1}));

  const MCAD2DNurbsCurve circle = MCAD2DNurbsCurve::Circle(Point2(0.5, -0.25), 0.125);
  EXPECT_EQ(Listing(circle), (std::vector<double>{0, 0.25, 0.5, 0.75, 1}));
  circle.EvaluatePoint(0.0, uv);
  EXPECT_EQ(uv, Point2(0.625, -0.25));
  circle.EvaluatePoint(0.25, uv);
  EXPECT_EQ(uv, Point2(0.5, -0.125));  // counter-clockwise: V grows first
  double area = 0.0;
  Point2 previous;
  circle.EvaluatePoint(0.0, previous);
  for (int i = 1; i <= 400; ++i) {
    circle.EvaluatePoint(i / 400.0, uv);
    EXPECT_NEAR(Oxlen::Math::distance(uv, Point2(0.5, -0.25)), 0.125, 1e-15);
    area += Oxlen::Math::cross(previous, uv) / 2.0;
    previous = uv;
  }
  EXPECT_NEAR(area, std::numbers::pi * 0.125 * 0.125, 1e-5);

  ExpectInvalid([] { MCAD2DNurbsCurve(M3dNurbsCurve::Line(Point3(0, 0, 0), Point3(1, 1, 1))); },
                "nurbs");
  ExpectInvalid(
      [] {
        MCAD2DNurbsCurve(2, {0, 1, 1}, std::vector<Point2>{{0, 0}, {1, 1}});
      },
      "knots");
  ExpectInvalid([] { MCAD2DNurbsCurve::Circle(Point2(0, 0), -1.0); }, "radius");

  const MCAD2DLineSegment segment(Point2(0.1, 0.7), Point2(0.3, -0.2));
  EXPECT_EQ(Listing(segment), (std::vector<double>{0, 1}));
  segment.EvaluatePoint(0.0, uv);
  EXPECT_EQ(uv, Point2(0.1, 0.7));
  segment.EvaluatePoint(1.0, uv);
  EXPECT_EQ(uv, Point2(0.3, -0.2));
  segment.EvaluatePoint(0.5, uv);
  EXPECT_LT(Oxlen::Math::distance(uv, Point2(0.2, 0.25)), 1e-15);
  segment.EvaluatePoint(7.0, uv);
  EXPECT_EQ(uv, Point2(0.3, -0.2));
  ExpectInvalid([] { MCAD2DLineSegment(Point2(NAN, 0), Point2(0, 0)); }, "start");
  ExpectInvalid([] { MCAD2DLineSegment(Point2(0, 0), Point2(0, INFINITY)); }, "end");
}

TEST(MCADNurbsCurves, SpaceCurvesEvaluateInInternalUnits) {
  const M3dNurbsCurve nurbs =
      M3dNurbsCurve::Arc(Point3(1, 2, 3), 0.5, Point3(1, 0, 0), Point3(0, 0, 1), 0.0, 3.0);
  const MCAD3DNurbsCurve curve(nurbs);
  EXPECT_EQ(Listing(curve), nurbs.GetDistinctKnots());
  EXPECT_EQ(Listing(curve).size(), 3u);  // two pieces
  for (double t : {0.0, 0.3, 0.5, 1.0}) {
    Point3 p;
    curve.EvaluatePoint(t, p);
    EXPECT_EQ(p, nurbs.Evaluate(t) * kScale);
  }

  // A UV circle lifted onto a NURBS cylinder.
  auto surface = std::make_shared<const MCADUVNurbsSurface>(nurbs_test::Cylinder(2.0, 3.0));
  auto uvCurve =
      std::make_shared<const MCAD2DNurbsCurve>(MCAD2DNurbsCurve::Circle(Point2(0.5, 0.5), 0.25));
  const MCAD3DVUVSurfaceCurve2DBased lifted(surface, uvCurve);
  EXPECT_EQ(lifted.GetSurface(), surface.get());
  EXPECT_EQ(lifted.GetCurve(), uvCurve.get());
  EXPECT_EQ(Listing(lifted), Listing(*uvCurve));
  for (int i = 0; i <= 20; ++i) {
    const double t = i / 20.0;
    Point2 uv;
    uvCurve->EvaluatePoint(t, uv);
    Point3 p;
    lifted.EvaluatePoint(t, p);
    EXPECT_EQ(p, surface->GetNurbs().Evaluate(uv[0], uv[1]) * kScale);
    EXPECT_NEAR(std::hypot(p[0], p[1]), 2.0 * kScale, 1e-9);
  }
  auto segment = std::make_shared<const MCAD2DLineSegment>(Point2(0, 0), Point2(1, 1));
  const MCAD3DVUVSurfaceCurve2DBased onSegment(surface, segment);
  EXPECT_EQ(Listing(onSegment), (std::vector<double>{0, 1}));
  ExpectInvalid([&] { MCAD3DVUVSurfaceCurve2DBased(nullptr, segment); }, "surface");
  ExpectInvalid([&] { MCAD3DVUVSurfaceCurve2DBased(surface, nullptr); }, "uvCurve");
}

TEST(MCADUVNurbsSurface, LimitsGridAndEvaluation) {
  const MCADUVNurbsSurface surface(nurbs_test::RandomRationalSurface(5));
  const MCADDomainLimits& u = surface.GetExtremesUV(eInU);
  const MCADDomainLimits& v = surface.GetExtremesUV(eInV);
  EXPECT_EQ(u.GetMin(), 0.0);
  EXPECT_EQ(u.GetMax(), 1.0);
  EXPECT_EQ(v.GetMin(), -1.0);
  EXPECT_EQ(v.GetMax(), 2.0);
  EXPECT_FALSE(surface.GetIsPeriodicInUV(eInU));
  EXPECT_FALSE(surface.GetIsPeriodicInUV(eInV));
  MCADUVRegularGrid grid;
  grid.u = {5.0};
  surface.GetRegularGrid(grid);
  EXPECT_EQ(grid.u, (std::list<double>{0, 0.3, 0.7, 1}));
  EXPECT_EQ(grid.v, (std::list<double>{-1, 0.5, 2}));
  Point3 p;
  surface.EvaluatePoint(Point2(0.4, 0.1), p);
  EXPECT_EQ(p, surface.GetNurbs().Evaluate(0.4, 0.1) * kScale);
  EXPECT_EQ(surface.GetNurbs().GetKnotsU().size(), 10u);
  EXPECT_EQ(surface.GetNurbs().GetOrderV(), 3);
}

// Inverts surface points at random and border parameters and checks the round trip.
// `sameUV` says whether two parameter pairs that map to the same point must be equal.
template <class SameUV>
void ExpectRoundTrips(const MCADUVNurbsSurface& surface, std::uint64_t seed, SameUV sameUV) {
  const M3dNurbsSurface& s = surface.GetNurbs();
  const double tolerance = 1e-3;  // internal units
  std::vector<Point2> uvs;
  std::mt19937_64 rng(seed);
  for (int i = 0; i < 150; ++i)
    uvs.emplace_back(Uniform(rng, s.GetStartU(), s.GetEndU()),
                     Uniform(rng, s.GetStartV(), s.GetEndV()));
  for (int i = 0; i <= 8; ++i) {
    const double fu = s.GetStartU() + (s.GetEndU() - s.GetStartU()) * i / 8.0;
    const double fv = s.GetStartV() + (s.GetEndV() - s.GetStartV()) * i / 8.0;
    uvs.emplace_back(fu, s.GetStartV());
    uvs.emplace_back(fu, s.GetEndV());
    uvs.emplace_back(s.GetStartU(), fv);
    uvs.emplace_back(s.GetEndU(), fv);
  }
  for (const Point2& uv : uvs) {
    Point3 p;
    surface.EvaluatePoint(uv, p);
    const Point2 found = surface.InvertPoint(p, tolerance);
    ASSERT_GE(found[0], s.GetStartU());
    ASSERT_LE(found[0], s.GetEndU());
    ASSERT_GE(found[1], s.GetStartV());
    ASSERT_LE(found[1], s.GetEndV());
    Point3 q;
    surface.EvaluatePoint(found, q);
    EXPECT_LT(Oxlen::Math::distance(p, q), tolerance)
        << uv[0] << ", " << uv[1] << " -> " << found[0] << ", " << found[1] << " seed " << seed;
    if (sameUV(uv)) {
      EXPECT_LT(Oxlen::Math::distance(uv, found), 1e-7) << uv[0] << ", " << uv[1];
    }
  }
}

TEST(MCADUVNurbsSurface, InversionRoundTrips) {
  // Doubly curved rational patch, and a generic rational surface with several spans.
  ExpectRoundTrips(MCADUVNurbsSurface(nurbs_test::TorusPatch(3.0, 1.25)), 1,
                   [](const Point2&) { return true; });
  ExpectRoundTrips(MCADUVNurbsSurface(nurbs_test::RandomRationalSurface(21)), 2,
                   [](const Point2&) { return true; });
  // The closed cylinder: its seam u = 0 and u = 1 are the same points.
  ExpectRoundTrips(MCADUVNurbsSurface(nurbs_test::Cylinder(2.0, 5.0)), 3,
                   [](const Point2& uv) { return uv[0] > 1e-6 && uv[0] < 1.0 - 1e-6; });
  // The hemisphere collapses its edge v = 1 to the pole, the fan its edge v = 0: on the edge any
  // u is right.
  const MCADUVNurbsSurface hemisphere(nurbs_test::Hemisphere(1.5));
  ExpectRoundTrips(hemisphere, 4, [](const Point2& uv) {
    return uv[1] < 1.0 - 1e-3 && uv[0] > 1e-6 && uv[0] < 1.0 - 1e-6;
  });
  ExpectRoundTrips(MCADUVNurbsSurface(nurbs_test::Fan()), 5,
                   [](const Point2& uv) { return uv[1] > 1e-3; });
  // Points a hair off the pole: the search must leave the pole in the right direction.
  for (double gap : {1e-3, 1e-4, 1e-5, 1e-6}) {
    for (int i = 0; i < 16; ++i) {
      const Point2 uv((i + 0.3) / 16.0, 1.0 - gap);
      Point3 p;
      hemisphere.EvaluatePoint(uv, p);
      Point3 q;
      hemisphere.EvaluatePoint(hemisphere.InvertPoint(p, 1e-4), q);
      EXPECT_LT(Oxlen::Math::distance(p, q), 1e-4) << uv[0] << ", " << uv[1];
    }
  }
}

TEST(MCADUVNurbsSurface, InversionFindsTheNearestPointOffTheSurface) {
  // Points off the surface along the normal are projected back to their foot point (within the
  // radius of curvature), and never farther than the best of a dense brute-force sample.
  const double r = 1.5;
  const MCADUVNurbsSurface sphere(nurbs_test::Hemisphere(r));
  const MCADUVNurbsSurface torus(nurbs_test::TorusPatch(3.0, 1.0));
  std::mt19937_64 rng(31);
  for (int i = 0; i < 60; ++i) {
    const Point2 uv(Uniform(rng, 0.0, 1.0), Uniform(rng, 0.0, 0.95));
    Point3 foot;
    sphere.EvaluatePoint(uv, foot);
    // Outside and inside the sphere along the radius.
    for (double factor : {1.6, 0.7}) {
      const Point3 p = foot * factor;
      Point3 q;
      sphere.EvaluatePoint(sphere.InvertPoint(p, 1e-4), q);
      EXPECT_LT(Oxlen::Math::distance(q, foot), 1e-3) << uv[0] << ", " << uv[1];
    }
  }
  // Just above the pole the foot is on the radius through the point, a hair off the pole; on the
  // axis inside the sphere the pole is the answer.
  Point3 q;
  const Point3 abovePole(1e-3, -2e-3, 2 * r * kScale);
  sphere.EvaluatePoint(sphere.InvertPoint(abovePole, 1e-5), q);
  EXPECT_LT(Oxlen::Math::distance(q, abovePole * (r * kScale / Oxlen::Math::length(abovePole))),
            1e-4);
  sphere.EvaluatePoint(sphere.InvertPoint(Point3(0, 0, 0.9 * r * kScale), 1e-4), q);
  EXPECT_LT(Oxlen::Math::distance(q, Point3(0, 0, r * kScale)), 1e-3);

  const int n = 200;
  std::vector<Point3> samples;
  for (int i = 0; i <= n; ++i)
    for (int j = 0; j <= n; ++j) {
      Point3 s;
      torus.EvaluatePoint(Point2(double(i) / n, double(j) / n), s);
      samples.push_back(s);
    }
  for (int k = 0; k < 40; ++k) {
    const Point3 p(Uniform(rng, -1, 5) * kScale, Uniform(rng, -1, 5) * kScale,
                   Uniform(rng, -2, 3) * kScale);
    double best = std::numeric_limits<double>::infinity();
    for (const Point3& s : samples)
      best = std::min(best, Oxlen::Math::distance(p, s));
    torus.EvaluatePoint(torus.InvertPoint(p, 1e-4), q);
    EXPECT_LE(Oxlen::Math::distance(p, q), best + 1e-6) << k;
  }
}

TEST(MCADUVNurbsSurface, InversionOfDegenerateInput) {
  const MCADUVNurbsSurface surface(nurbs_test::RandomRationalSurface(8));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(surface.InvertPoint(Point3(nan, 0, 0), 1.0), Point2(0.0, -1.0));
  EXPECT_EQ(surface.InvertPoint(Point3(0, inf, 0), 1.0), Point2(0.0, -1.0));
  // Absurdly far points, zero, negative and NaN tolerances: a result within the limits.
  for (const Point3& p : {Point3(1e300, -1e300, 1e299), Point3(3e4, 1e4, -2e4)}) {
    for (double tolerance : {0.0, -1.0, nan, 1e-3}) {
      const Point2 uv = surface.InvertPoint(p, tolerance);
      EXPECT_TRUE(uv[0] >= 0.0 && uv[0] <= 1.0 && uv[1] >= -1.0 && uv[1] <= 2.0);
    }
  }
  // The same input gives the same output.
  const Point3 p(1.234e4, 5.678e3, -9.1e3);
  EXPECT_EQ(surface.InvertPoint(p, 1e-2), surface.InvertPoint(p, 1e-2));
}

}  // namespace
