// The placement frame, then closed forms, poles and apex, grids, periodicity and argument
// validation of the analytic surfaces: plane, cylinder, cone and sphere.

#include <list>

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

TEST(MCADFrame, OrthonormalisesTheGivenAxes) {
  EXPECT_TRUE(MCADFrame().IsOrthonormal(0.0));
  EXPECT_TRUE(MCADFrame().zAxis == (Point3{0.0, 0.0, 1.0}));
  // Z is the given direction normalised; X is the given one minus its component along Z.
  const Point3 z{1.0, 2.0, 2.0}, x{2.0, -1.0, 0.3}, zUnit = z / 3.0;
  const MCADFrame f(Point3{1.5, -2.25, 0.75}, z, x);
  const auto near = [](const Point3& a, const Point3& b) { return distance(a, b) < 1e-14; };
  EXPECT_TRUE(f.IsOrthonormal(1e-14));
  EXPECT_TRUE(near(f.zAxis, zUnit));
  EXPECT_TRUE(near(f.xAxis, Oxlen::Math::normalized(x - Oxlen::Math::dot(x, zUnit) * zUnit)));
  EXPECT_TRUE(near(f.yAxis, Oxlen::Math::cross(f.zAxis, f.xAxis)));
  // A nearly parallel X still gives an orthonormal frame; local coordinates are offsets along
  // the axes.
  const MCADFrame nearlyParallel(Point3{}, Point3{0.0, 0.0, 1.0}, Point3{1e-8, 0.0, 1.0});
  EXPECT_TRUE(nearlyParallel.IsOrthonormal(1e-15) &&
              near(nearlyParallel.xAxis, Point3{1.0, 0.0, 0.0}));
  EXPECT_TRUE(near(f.ToLocal(f.origin + 2.0 * f.xAxis - 3.0 * f.yAxis + 0.5 * f.zAxis),
                   Point3{2.0, -3.0, 0.5}));

  const Point3 o{}, zz{0.0, 0.0, 1.0}, xx{1.0, 0.0, 0.0};
  ExpectInvalid("origin", [&] { MCADFrame(Point3{NAN, 0.0, 0.0}, zz, xx); });
  ExpectInvalid("zAxis", [&] { MCADFrame(o, Point3{}, xx); });
  ExpectInvalid("xAxis", [&] { MCADFrame(o, zz, Point3{0.0, 0.0, -3.0}); });
  ExpectInvalid("xAxis", [&] { MCADFrame(o, zz, Point3{1e-12, 0.0, 1.0}); });  // nearly parallel
}

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
    // The apex and the poles invert onto their isoline; next to them the angle is recovered.
    const double u = 0.1 + 0.31 * i;  // away from the seam
    EXPECT_NEAR(cone.InvertPoint(Evaluate(cone, {u, vApex}), 1.0)[1], vApex, 1e-12);
    ExpectRoundTrip(cone, {u, vApex + 1e-6}, 1e-6);
    for (double pole : {-kHalfPi, kHalfPi}) {
      EXPECT_NEAR(sphere.InvertPoint(Evaluate(sphere, {u, pole}), 1.0)[1], pole, 1e-7);
      ExpectRoundTrip(sphere, {u, pole - std::copysign(1e-6, pole)}, 1e-8);
    }
  }
  // Points on the axis beyond the apex or a pole project onto it.
  EXPECT_NEAR(cone.InvertPoint(apex - 3.0 * kInternalScale * f.zAxis, 1.0)[1], vApex, 1e-12);
  EXPECT_EQ(sphere.InvertPoint(ExpectedPoint(f, 0.0, 0.0, -7.0), 1.0)[1], -kHalfPi);
  // A cone of zero reference radius has its apex at v = 0; on the axis the angle is uMin.
  const MCADUVCone pointed(f, 0.0, 0.9, 0.0, kTwoPi, 0.0, 1.0);
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
  // Quarter turns (of the absolute angle) are grid lines; V lines at the limits and the equator.
  EXPECT_EQ(grid(MCADUVCylinder(f, 1, -1.0, 2.0, -1, 2)),
            std::pair(L{-1.0, 0.0, kHalfPi, 2.0}, L{-1.0, 2.0}));
  EXPECT_EQ(grid(MCADUVSphere(f, 1.0, -7.0, -6.0, -kHalfPi, kHalfPi)),
            std::pair(L{-7.0, -kTwoPi, -6.0}, L{-kHalfPi, 0.0, kHalfPi}));
  const MCADUVPlane plane(f, -1.0, 2.0, 0.5, 3.0);
  EXPECT_EQ(grid(plane), std::pair(L{-1.0, 2.0}, L{0.5, 3.0}));

  // The first base period is [uMin, uMin + 2 pi) whatever uMax is, exactly uMin within the
  // tolerance below its end; V is not periodic, and non-finite values stay as they are.
  const double uMin = -1.0;
  const MCADUVCylinder c(f, 1.0, uMin, 1.0, 0.0, 5.0);
  EXPECT_TRUE(c.GetIsPeriodicInUV(eInU) && !c.GetIsPeriodicInUV(eInV) &&
              !plane.GetIsPeriodicInUV(eInU) && c.GetExtremesUV(eInU).GetPeriod() == kTwoPi);
  const double puts[][3] = {{10.0, 1e-9, 10.0 - kTwoPi},
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
  EXPECT_TRUE(v == 123.0);
  EXPECT_TRUE(std::isnan(nan));
}

TEST(AnalyticSurfaces, RejectMalformedArguments) {
  const double vApex = -1.0 / std::sin(0.5);
  MCADFrame stretched = f;
  stretched.zAxis = stretched.zAxis * 2.0;
  ExpectInvalid("frame", [&] { MCADUVPlane(stretched, 0, 1, 0, 1); });
  ExpectInvalid("uMin", [&] { MCADUVPlane(f, kNan, 1, 0, 1); });
  ExpectInvalid("vMax", [&] { MCADUVPlane(f, 0, 1, 0, -1); });
  ExpectInvalid("radius", [&] { MCADUVCylinder(f, 0.0, 0, 1, 0, 1); });
  ExpectInvalid("uMax", [&] { MCADUVCylinder(f, 1, 0.5, 0.5 + kTwoPi + 1e-6, 0, 1); });
  ExpectInvalid("radius", [&] { MCADUVCone(f, -1.0, 0.5, 0, 1, 0, 1); });
  ExpectInvalid("halfAngle", [&] { MCADUVCone(f, 1, kHalfPi, 0, 1, 0, 1); });
  ExpectInvalid("vMin", [&] { MCADUVCone(f, 1, 0.5, 0, 1, vApex - 1e-6, 1); });  // past the apex
  ExpectInvalid("vMin", [&] { MCADUVSphere(f, 1, 0, 1, -kHalfPi - 1e-6, 1); });
  // Limits reaching the apex, the poles or a full turn computed with rounding are accepted.
  EXPECT_NO_THROW(MCADUVCone(f, 1, 0.5, 0, 1, vApex, 1));
  EXPECT_NO_THROW(MCADUVCylinder(f, 1, 0.1, 0.1 + kTwoPi + 1e-12, 0, 1));
  EXPECT_NO_THROW(MCADUVSphere(f, 1, 0, 1, -kHalfPi - 1e-12, kHalfPi + 1e-12));
}
