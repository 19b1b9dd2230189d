// Properties shared by every analytic surface kind: point inversion round-trips, closes periodic
// seams, finds the true nearest point of the patch for points off the surface, and stays finite
// and within the limits for degenerate points.

#include "Oxlen/CadEntity/MCADUVCone.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "platform/cad_entity/SurfaceTestSupport.h"

using namespace SurfaceTest;

namespace {

// Full turns, partial turns (one crossing 2 pi, one at negative angles), a cone with its apex as
// a limit, a cone of zero reference radius, and spheres with and without poles.
std::vector<std::shared_ptr<const MCADUVSurface>> Surfaces() {
  const MCADFrame f = TiltedFrame();
  const double apex = -1.5 / std::sin(0.5);
  return {std::make_shared<MCADUVPlane>(f, -1.0, 2.0, 0.5, 3.0),
          std::make_shared<MCADUVCylinder>(f, 2.5, 0.3, 0.3 + kTwoPi, -1.0, 2.0),
          std::make_shared<MCADUVCylinder>(f, 2.5, 0.5, 2.0, -1.0, 2.0),
          std::make_shared<MCADUVCylinder>(f, 1.0, 5.5, 7.0, 0.0, 1.0),
          std::make_shared<MCADUVCone>(f, 1.5, 0.5, 0.0, kTwoPi, apex, 2.0),
          std::make_shared<MCADUVCone>(f, 2.0, 0.3, -kPi, kPi, -1.0, 1.0),
          std::make_shared<MCADUVCone>(f, 0.0, 0.9, -2.0, 1.0, 0.0, 3.0),
          std::make_shared<MCADUVSphere>(f, 2.0, 0.0, kTwoPi, -kHalfPi, kHalfPi),
          std::make_shared<MCADUVSphere>(f, 2.0, 0.5, 2.5, -0.3, 1.1),
          std::make_shared<MCADUVSphere>(f, 1.0, -3.0, -1.0, -kHalfPi, 0.2)};
}

Point2 RandomUv(const MCADUVSurface& s, std::mt19937_64& rng, double margin) {
  const Point2 lo = LowerCorner(s), hi = UpperCorner(s);
  const auto t = [&] { return platform_test::Uniform(rng, -margin, 1 + margin); };
  const double tu = t();
  return {lo[0] + (hi[0] - lo[0]) * tu, lo[1] + (hi[1] - lo[1]) * t()};
}

}  // namespace

TEST(AnalyticSurfaceInversion, RoundTripsAndClosesTheSeamOfAFullTurn) {
  std::mt19937_64 rng(20240611);
  int index = 0;
  for (const auto& surface : Surfaces()) {
    SCOPED_TRACE(index++);
    const MCADUVSurface& s = *surface;
    for (int i = 0; i < 200; ++i)
      ExpectRoundTrip(s, RandomUv(s, rng, 0.0), 1e-9);
    const double uMin = LowerCorner(s)[0], uMax = UpperCorner(s)[0];
    if (!s.GetIsPeriodicInUV(eInU) || uMax - uMin < s.GetExtremesUV(eInU).GetPeriod() - 1e-12)
      continue;
    // Both ends of the seam are the same points, and either end is a valid inversion.
    for (int i = 0; i < 40; ++i) {
      const double v = RandomUv(s, rng, 0.0)[1], u = i % 2 ? uMin : uMax;
      const Point3 p = Evaluate(s, {u, v});
      EXPECT_LT(distance(p, Evaluate(s, {uMin + uMax - u, v})), 1e-9);
      const Point2 back = s.InvertPoint(p, 10.0);
      EXPECT_LT(std::min(std::abs(back[0] - uMin), std::abs(back[0] - uMax)), 1e-9) << back[0];
      EXPECT_NEAR(back[1], v, 1e-9);
      EXPECT_LT(distance(Evaluate(s, back), p), 1e-6);
    }
  }
}

TEST(AnalyticSurfaceInversion, FindsTheNearestPointOffTheSurfaceAndStaysInTheLimits) {
  std::mt19937_64 rng(77);
  std::normal_distribution<double> gauss(0.0, 1.0);
  const double big = std::numeric_limits<double>::max(), nan = NAN, inf = INFINITY;
  int index = 0;
  for (const auto& surface : Surfaces()) {
    SCOPED_TRACE(index++);
    const MCADUVSurface& s = *surface;
    // Points around the patch and its natural extension (beyond a cone's apex too), moved off
    // the surface by up to a few model units in a random direction.
    for (int i = 0; i < 25; ++i) {
      const Point3 offset{gauss(rng), gauss(rng), gauss(rng)};
      ExpectNearestPoint(s, Evaluate(s, RandomUv(s, rng, 0.5)) + offset * (1.5 * kInternalScale));
    }
    // Points on the frame's axis (a cylinder's axis, a cone's axis beyond and before the apex,
    // a sphere's centre and poles' outside): any angle is a nearest one.
    for (double c : {-4.0, -1.0, 0.0, 0.7, 3.5})
      ExpectNearestPoint(s, ExpectedPoint(TiltedFrame(), 0.0, 0.0, c));
    // Non-finite points give the lower corner, huge ones finite parameters within the limits.
    for (const Point3& p : {Point3{nan, 0.0, 0.0}, Point3{0.0, 0.0, -inf}})
      EXPECT_EQ(s.InvertPoint(p, 1.0), LowerCorner(s));
    for (const Point3& p : {Point3{big, -big, big}, Point3{1e300, 1e300, 1e-300}}) {
      const Point2 uv = s.InvertPoint(p, 1.0);
      EXPECT_TRUE(std::isfinite(uv[0]));
      EXPECT_TRUE(std::isfinite(uv[1]));
      EXPECT_TRUE(InLimits(s, uv));
    }
  }
  // A frame whose origin lies beyond 1e100, where squared offsets would overflow, is rejected
  // when it is built; one just within the bound still inverts a point on its surface.
  for (const double far : {big, 1e300, 1.01e100})
    EXPECT_THROW(MCADFrame(Point3{far, 0.0, 0.0}, Point3{0.0, 0.0, 1.0}, Point3{1.0, 0.0, 0.0}),
                 std::invalid_argument);
  const MCADFrame farthest(Point3{1e100, 0.0, 0.0}, Point3{0.0, 0.0, 1.0}, Point3{1.0, 0.0, 0.0});
  const MCADUVCylinder cylinder(farthest, 1.0, 0.0, 1.0, -0.5, 0.5);
  const Point3 onSurface = Evaluate(cylinder, Point2{0.5, 0.25});
  const Point2 uv = cylinder.InvertPoint(onSurface, 1.0);
  EXPECT_TRUE(std::isfinite(uv[0]));
  EXPECT_TRUE(std::isfinite(uv[1]));
  EXPECT_TRUE(InLimits(cylinder, uv));
}
