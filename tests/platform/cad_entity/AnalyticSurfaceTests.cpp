// Closed forms, clamping, poles, grids, periodicity and argument validation of the analytic
// surfaces: plane, cylinder, cone and sphere.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <list>
#include <utility>
#include <vector>

#include "Oxlen/CadEntity/MCADUVCone.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "platform/cad_entity/SurfaceTestSupport.h"

using namespace SurfaceTest;

namespace {

const double kNan = std::numeric_limits<double>::quiet_NaN();
const MCADFrame f = TiltedFrame();

// The internal-unit point at frame-local polar coordinates (rho, angle, height).
Point3 Polar(double rho, double angle, double height) {
  return ExpectedPoint(f, rho * std::cos(angle), rho * std::sin(angle), height);
}

}  // namespace

TEST(AnalyticSurfaces, EvaluateTheClosedFormsInInternalUnits) {
  const double r = 2.5, a = 0.5;
  const MCADUVPlane plane(f, -1.0, 2.0, 0.5, 3.0);
  const MCADUVCylinder cylinder(f, r, 0.0, kTwoPi, -1.0, 2.0);
  const MCADUVCone cone(f, r, a, 0.0, kTwoPi, -1.0, 2.0);
  const MCADUVSphere sphere(f, r, 0.0, kTwoPi, -kHalfPi, kHalfPi);
  for (const auto& [u, v] : {std::pair(0.0, 0.0), std::pair(1.2, -0.7), std::pair(4.0, 1.5)}) {
    EXPECT_LT(distance(Evaluate(plane, {u, v}), ExpectedPoint(f, u, v, 0.0)), 1e-9);
    EXPECT_LT(distance(Evaluate(cylinder, {u, v}), Polar(r, u, v)), 1e-9);
    const Point3 onCone = Polar(r + v * std::sin(a), u, v * std::cos(a));
    EXPECT_LT(distance(Evaluate(cone, {u, v}), onCone), 1e-9);
    EXPECT_LT(distance(Evaluate(sphere, {u, v}), Polar(r * std::cos(v), u, r * std::sin(v))), 1e-9);
  }
  // The world frame: the 10000 factor and nothing else.
  EXPECT_EQ(Evaluate(MCADUVPlane(MCADFrame(), 0, 1, 0, 1), {0.5, 0.25}), (Point3{5000, 2500, 0}));
}

TEST(AnalyticSurfaces, ApexAndPolesInvertOntoTheirIsoline) {
  const double vApex = -1.5 / std::sin(0.5);
  const MCADUVCone cone(f, 1.5, 0.5, 0.0, kTwoPi, vApex, 2.0);
  const MCADUVSphere sphere(f, 2.0, 0.0, kTwoPi, -kHalfPi, kHalfPi);
  const Point3 apex = ExpectedPoint(f, 0.0, 0.0, vApex * std::cos(0.5));
  for (int i = 0; i < 20; ++i) {
    // Every angle at vMin is the apex and inverts onto the apex isoline; next to the apex and the
    // poles the angle is still recovered.
    const double u = 0.1 + 0.31 * i;  // away from the seam
    EXPECT_LT(distance(Evaluate(cone, {u, vApex}), apex), 1e-9);
    EXPECT_NEAR(cone.InvertPoint(Evaluate(cone, {u, vApex}), 1.0)[1], vApex, 1e-12);
    ExpectRoundTrip(cone, {u, vApex + 1e-6}, 1e-6);
    for (double pole : {-kHalfPi, kHalfPi}) {
      EXPECT_NEAR(sphere.InvertPoint(Evaluate(sphere, {u, pole}), 1.0)[1], pole, 1e-7);
      ExpectRoundTrip(sphere, {u, pole - std::copysign(1e-6, pole)}, 1e-8);
    }
  }
  // Points on the axis beyond the apex or a pole project onto it.
  EXPECT_NEAR(cone.InvertPoint(apex - 3.0 * kInternalScale * f.zAxis, 1.0)[1], vApex, 1e-12);
  for (double c : {1.0, 7.0})
    EXPECT_EQ(sphere.InvertPoint(ExpectedPoint(f, 0.0, 0.0, -c), 1.0)[1], -kHalfPi);
  // A cone of zero reference radius has its apex at v = 0; on the axis the angle is uMin.
  const MCADUVCone pointed(f, 0.0, 0.9, 0.0, kTwoPi, 0.0, 1.0);
  EXPECT_LT(distance(Evaluate(pointed, {2.0, 0.0}), ExpectedPoint(f, 0, 0, 0)), 1e-9);
  EXPECT_EQ(pointed.InvertPoint(ExpectedPoint(f, 0, 0, -1.0), 1.0), (Point2{0.0, 0.0}));
  EXPECT_EQ(pointed.InvertPoint(ExpectedPoint(f, 0, 0, 0.5), 1.0)[0], 0.0);
}

TEST(AnalyticSurfaces, RegularGridsAndPeriodicity) {
  using L = std::list<double>;
  const auto grid = [](const MCADUVSurface& s) {
    MCADUVRegularGrid g{{42.0}, {42.0}};
    s.GetRegularGrid(g);
    return std::pair(g.u, g.v);
  };
  // Quarter turns are grid lines; V lines at the limits (and at the sphere's equator).
  const std::pair<double, double> limits[] = {{0.0, kTwoPi}, {-1.0, 2.0}, {-7.0, -6.0}};
  const L u[] = {
      {0.0, kHalfPi, kPi, 3 * kHalfPi, kTwoPi}, {-1.0, 0.0, kHalfPi, 2.0}, {-7.0, -kTwoPi, -6.0}};
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(grid(MCADUVCylinder(f, 1, limits[i].first, limits[i].second, -1, 2)),
              std::pair(u[i], L{-1.0, 2.0}));
  EXPECT_EQ(grid(MCADUVSphere(f, 1.0, 0.0, kTwoPi, -kHalfPi, kHalfPi)),
            std::pair(u[0], L{-kHalfPi, 0.0, kHalfPi}));
  const MCADUVPlane plane(f, -1.0, 2.0, 0.5, 3.0);
  EXPECT_EQ(grid(plane), std::pair(L{-1.0, 2.0}, L{0.5, 3.0}));
  EXPECT_FALSE(plane.GetIsPeriodicInUV(eInU) || plane.GetIsPeriodicInUV(eInV));

  // The first base period is [uMin, uMin + 2 pi) whatever uMax is, exactly uMin within the
  // tolerance below its end; V is not periodic, and non-finite values stay as they are.
  const double uMin = -1.0;
  const MCADUVCylinder c(f, 1.0, uMin, 1.0, 0.0, 5.0);
  EXPECT_TRUE(c.GetIsPeriodicInUV(eInU) && !c.GetIsPeriodicInUV(eInV));
  EXPECT_EQ(c.GetExtremesUV(eInU).GetPeriod(), kTwoPi);
  const double puts[][3] = {{-0.5 - kTwoPi, 1e-9, -0.5},
                            {10.0, 1e-9, 10.0 - kTwoPi},
                            {uMin + kTwoPi, 1e-9, uMin},
                            {uMin + kTwoPi - 1e-7, 1e-6, uMin},
                            {uMin + kTwoPi - 1e-7, 1e-8, uMin + kTwoPi - 1e-7}};
  for (const auto& [given, tolerance, expected] : puts) {
    double value = given;
    c.PutInDomainFirstBasePeriodUV(value, eInU, tolerance);
    EXPECT_NEAR(value, expected, expected == uMin ? 0.0 : 1e-12) << given;
  }
  double v = 123.0, nan = kNan;
  c.PutInDomainFirstBasePeriodUV(v, eInV, 1e-9);
  c.PutInDomainFirstBasePeriodUV(nan, eInU, 1e-9);
  EXPECT_TRUE(v == 123.0 && std::isnan(nan));
}

TEST(AnalyticSurfaces, RejectMalformedArguments) {
  const double inf = std::numeric_limits<double>::infinity(), vApex = -1.0 / std::sin(0.5);
  MCADFrame stretched = f, notFinite = f, parallel = f;
  stretched.zAxis = stretched.zAxis * 2.0;
  notFinite.origin[1] = inf;
  parallel.xAxis = parallel.yAxis;
  ExpectInvalid("frame", [&] { MCADUVPlane(stretched, 0, 1, 0, 1); });
  ExpectInvalid("uMin", [&] { MCADUVPlane(f, kNan, 1, 0, 1); });
  ExpectInvalid("vMax", [&] { MCADUVPlane(f, 0, 1, 0, -1); });
  ExpectInvalid("frame", [&] { MCADUVCylinder(notFinite, 1, 0, 1, 0, 1); });
  ExpectInvalid("radius", [&] { MCADUVCylinder(f, 0.0, 0, 1, 0, 1); });
  ExpectInvalid("uMin", [&] { MCADUVCylinder(f, 1, -inf, 1, 0, 1); });
  ExpectInvalid("uMax", [&] { MCADUVCylinder(f, 1, 1, 1, 0, 1); });
  ExpectInvalid("uMax", [&] { MCADUVCylinder(f, 1, 0.5, 0.5 + kTwoPi + 1e-6, 0, 1); });
  ExpectInvalid("frame", [&] { MCADUVCone(parallel, 1, 0.5, 0, 1, 0, 1); });
  ExpectInvalid("radius", [&] { MCADUVCone(f, -1.0, 0.5, 0, 1, 0, 1); });
  for (double halfAngle : {0.0, kHalfPi, kNan})
    ExpectInvalid("halfAngle", [&] { MCADUVCone(f, 1, halfAngle, 0, 1, 0, 1); });
  ExpectInvalid("vMin", [&] { MCADUVCone(f, 1, 0.5, 0, 1, vApex - 1e-6, 1); });  // past the apex
  ExpectInvalid("vMin", [&] { MCADUVCone(f, 0, 0.5, 0, 1, -1e-9, 1); });
  ExpectInvalid("uMax", [&] { MCADUVSphere(f, 1, -kPi, kPi + 1e-6, 0, 1); });
  ExpectInvalid("vMin", [&] { MCADUVSphere(f, 1, 0, 1, -kHalfPi - 1e-6, 1); });
  ExpectInvalid("vMax", [&] { MCADUVSphere(f, 1, 0, 1, 0.5, 0.5); });
  // Limits reaching the apex, the poles or a full turn computed with rounding are accepted.
  EXPECT_NO_THROW(MCADUVCone(f, 1, 0.5, 0, 1, vApex, 1));
  EXPECT_NO_THROW(MCADUVCylinder(f, 1, 0.1, 0.1 + kTwoPi + 1e-12, 0, 1));
  EXPECT_NO_THROW(MCADUVSphere(f, 1, 0, 1, -kHalfPi - 1e-12, kHalfPi + 1e-12));
}
