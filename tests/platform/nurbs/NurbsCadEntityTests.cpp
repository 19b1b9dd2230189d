#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <list>
#include <memory>
#include <random>
#include <type_traits>
#include <vector>

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
using Oxlen::Math::distance;

constexpr double kScale = 10000.0;

template <class Curve>
std::vector<double> Listing(const Curve& curve) {
  MCADParameterList_1d list;
  list.parameters = {42.0};  // must be replaced, not appended to
  curve.GetParameterList(list);
  return {list.parameters.begin(), list.parameters.end()};
}

// The point of a curve at t, or of a surface at uv.
template <class Entity, class Parameter>
auto At(const Entity& entity, const Parameter& t) {
  std::conditional_t<std::is_base_of_v<MCAD2DVCurve, Entity>, Point2, Point3> p;
  entity.EvaluatePoint(t, p);
  return p;
}

TEST(MCADNurbsCurves, UVAndSpaceCurvesListTheirParametersAndEvaluateInInternalUnits) {
  // The UV circle starts on +U and runs counter-clockwise: V grows first.
  const auto circle =
      std::make_shared<const MCAD2DNurbsCurve>(MCAD2DNurbsCurve::Circle(Point2(0.5, 0.5), 0.25));
  EXPECT_EQ(Listing(*circle), (std::vector<double>{0, 0.25, 0.5, 0.75, 1}));
  EXPECT_EQ(At(*circle, 0.0), Point2(0.75, 0.5));
  EXPECT_EQ(At(*circle, 0.25), Point2(0.5, 0.75));
  for (int i = 0; i <= 100; ++i)
    EXPECT_NEAR(distance(At(*circle, i / 100.0), Point2(0.5, 0.5)), 0.25, 1e-15);
  const MCAD2DLineSegment segment(Point2(0.1, 0.7), Point2(0.3, -0.2));
  EXPECT_EQ(Listing(segment), (std::vector<double>{0, 1}));
  EXPECT_LT(distance(At(segment, 0.5), Point2(0.2, 0.25)), 1e-15);
  EXPECT_EQ(At(segment, 7.0), Point2(0.3, -0.2));  // clamped to the end
  // Space curves and surfaces evaluate in internal units: a NURBS arc, a UV circle lifted onto a
  // NURBS cylinder and a generic surface.
  const M3dNurbsCurve arc =
      M3dNurbsCurve::Arc(Point3(1, 2, 3), 0.5, Point3(1, 0, 0), Point3(0, 0, 1), 0.0, 3.0);
  EXPECT_EQ(Listing(MCAD3DNurbsCurve(arc)), arc.GetDistinctKnots());
  auto cylinder = std::make_shared<const MCADUVNurbsSurface>(nurbs_test::Cylinder(2.0, 3.0));
  const MCAD3DVUVSurfaceCurve2DBased lifted(cylinder, circle);
  EXPECT_EQ(Listing(lifted), Listing(*circle));
  for (double t : {0.0, 0.3, 0.5, 1.0}) {
    EXPECT_EQ(At(MCAD3DNurbsCurve(arc), t), arc.Evaluate(t) * kScale);
    const Point2 uv = At(*circle, t);
    EXPECT_EQ(At(lifted, t), cylinder->GetNurbs().Evaluate(uv[0], uv[1]) * kScale);
    EXPECT_EQ(At(*cylinder, uv), cylinder->GetNurbs().Evaluate(uv[0], uv[1]) * kScale);
  }
  const M3dNurbsCurve spatial = M3dNurbsCurve::Line(Point3(), Point3(1, 1, 1));
  ExpectInvalid("nurbs", [&] { MCAD2DNurbsCurve{spatial}; });
  ExpectInvalid("radius", [] { MCAD2DNurbsCurve::Circle(Point2(0, 0), -1.0); });
  ExpectInvalid("end", [] { MCAD2DLineSegment(Point2(0, 0), Point2(0, INFINITY)); });
  ExpectInvalid("uvCurve", [&] { MCAD3DVUVSurfaceCurve2DBased(cylinder, nullptr); });
}

// Inverts surface points at random and border parameters and checks the round trip.
// `sameUV` says whether two parameter pairs that map to the same point must be equal.
template <class SameUV>
void ExpectRoundTrips(const M3dNurbsSurface& nurbs, std::uint64_t seed, SameUV sameUV) {
  const MCADUVNurbsSurface surface(nurbs);
  const Point2 lo(nurbs.GetStartU(), nurbs.GetStartV()), hi(nurbs.GetEndU(), nurbs.GetEndV());
  std::vector<Point2> uvs;
  std::mt19937_64 rng(seed);
  for (int i = 0; i < 150; ++i)
    uvs.emplace_back(Uniform(rng, lo[0], hi[0]), Uniform(rng, lo[1], hi[1]));
  for (int i = 0; i <= 8; ++i) {
    const Point2 f = lo + (hi - lo) * (i / 8.0);
    uvs.insert(uvs.end(), {{f[0], lo[1]}, {f[0], hi[1]}, {lo[0], f[1]}, {hi[0], f[1]}});
  }
  for (const Point2& uv : uvs) {
    const Point2 found = surface.InvertPoint(At(surface, uv), 1e-3);
    ASSERT_TRUE(found[0] >= lo[0] && found[0] <= hi[0] && found[1] >= lo[1] && found[1] <= hi[1]);
    EXPECT_LT(distance(At(surface, uv), At(surface, found)), 1e-3) << uv[0] << ", " << uv[1];
    EXPECT_TRUE(!sameUV(uv) || distance(uv, found) < 1e-7) << uv[0] << ", " << uv[1];
  }
}

TEST(MCADUVNurbsSurface, InversionRoundTripsIncludingSeamsAndPoles) {
  const auto always = [](const Point2&) { return true; };
  ExpectRoundTrips(nurbs_test::TorusPatch(3.0, 1.25), 1, always);
  ExpectRoundTrips(nurbs_test::RandomRationalSurface(21), 2, always);
  // The closed cylinder: its seam u = 0 and u = 1 are the same points. The hemisphere collapses
  // its edge v = 1 to the pole, the fan its edge v = 0: on the edge any u is right.
  const auto offSeam = [](const Point2& uv) { return uv[0] > 1e-6 && uv[0] < 1.0 - 1e-6; };
  ExpectRoundTrips(nurbs_test::Cylinder(2.0, 5.0), 3, offSeam);
  ExpectRoundTrips(nurbs_test::Hemisphere(1.5), 4,
                   [&](const Point2& uv) { return uv[1] < 1.0 - 1e-3 && offSeam(uv); });
  ExpectRoundTrips(nurbs_test::Fan(), 5, [](const Point2& uv) { return uv[1] > 1e-3; });
  // Points a hair off the pole: the search must leave the pole in the right direction.
  const MCADUVNurbsSurface hemisphere(nurbs_test::Hemisphere(1.5));
  for (double gap : {1e-3, 1e-6}) {
    for (int i = 0; i < 16; ++i) {
      const Point3 p = At(hemisphere, Point2((i + 0.3) / 16.0, 1.0 - gap));
      EXPECT_LT(distance(p, At(hemisphere, hemisphere.InvertPoint(p, 1e-4))), 1e-4) << gap;
    }
  }
}

TEST(MCADUVNurbsSurface, InversionFindsTheNearestPointOffTheSurface) {
  const auto nearest = [](const MCADUVNurbsSurface& s, const Point3& p, double tolerance) {
    return At(s, s.InvertPoint(p, tolerance));
  };
  std::mt19937_64 rng(31);
  // Just above the pole the foot is a hair off the pole on the radius through the point.
  const double r = 1.5;
  const MCADUVNurbsSurface sphere(nurbs_test::Hemisphere(r));
  const Point3 above(1e-3, -2e-3, 2 * r * kScale);
  const Point3 foot = above * (r * kScale / Oxlen::Math::length(above));
  EXPECT_LT(distance(nearest(sphere, above, 1e-5), foot), 1e-4);
  // Around a torus patch: never farther than the best of a dense brute-force sample.
  const MCADUVNurbsSurface torus(nurbs_test::TorusPatch(3.0, 1.0));
  std::vector<Point3> samples;
  for (int i = 0; i <= 200; ++i)
    for (int j = 0; j <= 200; ++j)
      samples.push_back(At(torus, Point2(i / 200.0, j / 200.0)));
  for (int k = 0; k < 40; ++k) {
    const Point3 p(Uniform(rng, -1, 5) * kScale, Uniform(rng, -1, 5) * kScale,
                   Uniform(rng, -2, 3) * kScale);
    double best = std::numeric_limits<double>::infinity();
    for (const Point3& s : samples)
      best = std::min(best, distance(p, s));
    EXPECT_LE(distance(p, nearest(torus, p, 1e-4)), best + 1e-6) << k;
  }
  // Non-finite points give the lower corner; absurdly far points and zero, negative or NaN
  // tolerances give a result within the limits.
  const MCADUVNurbsSurface random(nurbs_test::RandomRationalSurface(8));
  EXPECT_EQ(random.InvertPoint(Point3(NAN, 0, 0), 1.0), Point2(0.0, -1.0));
  for (const Point3& p : {Point3(1e300, -1e300, 1e299), Point3(3e4, 1e4, -2e4)}) {
    for (double tolerance : {0.0, double(NAN)}) {
      const Point2 uv = random.InvertPoint(p, tolerance);
      EXPECT_TRUE(uv[0] >= 0.0 && uv[0] <= 1.0 && uv[1] >= -1.0 && uv[1] <= 2.0);
    }
  }
}

}  // namespace
