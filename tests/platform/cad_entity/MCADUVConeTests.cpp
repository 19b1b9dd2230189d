#include "Oxlen/CadEntity/MCADUVCone.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "platform/cad_entity/SurfaceTestSupport.h"

using namespace SurfaceTest;

TEST(MCADUVCone, EvaluatesTheClosedForm) {
  const MCADFrame f = TiltedFrame();
  const double r = 1.5, a = 0.5;
  const MCADUVCone cone(f, r, a, 0.0, kTwoPi, -1.0, 2.0);
  EXPECT_EQ(cone.GetRadius(), r);
  EXPECT_EQ(cone.GetHalfAngle(), a);
  for (const Point2& uv : {Point2{0.0, 0.0}, Point2{1.2, -0.7}, Point2{4.0, 1.9}}) {
    const double rho = r + uv[1] * std::sin(a);
    const Point3 expected =
        ExpectedPoint(f, rho * std::cos(uv[0]), rho * std::sin(uv[0]), uv[1] * std::cos(a));
    const Point3 p = Evaluate(cone, uv);
    for (int i = 0; i < 3; ++i)
      EXPECT_NEAR(p[i], expected[i], 1e-9);
  }
}

TEST(MCADUVCone, ApexIsAPole) {
  const MCADFrame f = TiltedFrame();
  const double r = 1.5, a = 0.5, vApex = -r / std::sin(a);
  const MCADUVCone cone(f, r, a, 0.0, kTwoPi, vApex, 2.0);
  const Point3 apex = ExpectedPoint(f, 0.0, 0.0, vApex * std::cos(a));
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> angle(0.0, kTwoPi);
  for (int i = 0; i < 20; ++i) {
    const double u = angle(rng);
    // Every angle at vMin is the apex, and the apex inverts onto the apex isoline.
    EXPECT_LT(Oxlen::Math::distance(Evaluate(cone, {u, vApex}), apex), 1e-9);
    const Point2 back = cone.InvertPoint(Evaluate(cone, {u, vApex}), 1.0);
    EXPECT_NEAR(back[1], vApex, 1e-12);
    EXPECT_LT(Oxlen::Math::distance(Evaluate(cone, back), apex), 1e-9);
    // Next to the apex the angle is still recovered.
    ExpectRoundTrip(cone, {u, vApex + 1e-6}, 1e-6);
  }
  // Points on the axis beyond the apex project onto it.
  EXPECT_NEAR(cone.InvertPoint(ExpectedPoint(f, 0.0, 0.0, vApex * std::cos(a) - 3.0), 1.0)[1],
              vApex, 1e-12);
  // A cone of zero reference radius has its apex at v = 0.
  const MCADUVCone pointed(f, 0.0, 0.9, 0.0, kTwoPi, 0.0, 1.0);
  EXPECT_LT(Oxlen::Math::distance(Evaluate(pointed, {2.0, 0.0}), ExpectedPoint(f, 0, 0, 0)), 1e-9);
  // On the axis (in a tilted frame, up to rounding) the angle is uMin.
  EXPECT_EQ(pointed.InvertPoint(ExpectedPoint(f, 0, 0, -1.0), 1.0), (Point2{0.0, 0.0}));
  EXPECT_EQ(pointed.InvertPoint(ExpectedPoint(f, 0, 0, 0.5), 1.0)[0], 0.0);
}

TEST(MCADUVCone, InvertsOntoTheGeneratorLine) {
  // In the half-plane of the point the nearest point is the projection onto the generator line
  // (r, 0) + v (sin a, cos a).
  const MCADFrame f = TiltedFrame();
  const double r = 2.0, a = 0.3;
  const MCADUVCone cone(f, r, a, -kPi, kPi, -1.0, 5.0);
  const double rho = 4.0, z = -0.5, angle = 2.0;
  const Point2 uv =
      cone.InvertPoint(ExpectedPoint(f, rho * std::cos(angle), rho * std::sin(angle), z), 1.0);
  EXPECT_NEAR(uv[0], angle, 1e-12);
  EXPECT_NEAR(uv[1], (rho - r) * std::sin(a) + z * std::cos(a), 1e-12);
}

TEST(MCADUVCone, RegularGrid) {
  MCADUVRegularGrid g;
  MCADUVCone(TiltedFrame(), 1.0, 0.4, -kPi, 1.0, -2.0, 3.0).GetRegularGrid(g);
  EXPECT_EQ(ToVector(g.u), (std::vector<double>{-kPi, -kHalfPi, 0.0, 1.0}));
  EXPECT_EQ(ToVector(g.v), (std::vector<double>{-2.0, 3.0}));
  EXPECT_TRUE(MCADUVCone(TiltedFrame(), 1.0, 0.4, 0, 1, 0, 1).GetIsPeriodicInUV(eInU));
}

TEST(MCADUVCone, RejectsMalformedArguments) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const MCADFrame f = TiltedFrame();
  MCADFrame broken = f;
  broken.xAxis = broken.yAxis;
  ExpectInvalidArgument([&] { MCADUVCone(broken, 1, 0.5, 0, 1, 0, 1); }, "frame");
  for (double r : {-1.0, nan})
    ExpectInvalidArgument([&] { MCADUVCone(f, r, 0.5, 0, 1, 0, 1); }, "radius");
  for (double a : {0.0, -0.1, kHalfPi, 2.0, nan})
    ExpectInvalidArgument([&] { MCADUVCone(f, 1, a, 0, 1, 0, 1); }, "halfAngle");
  ExpectInvalidArgument([&] { MCADUVCone(f, 1, 0.5, 0, kTwoPi + 1e-6, 0, 1); }, "uMax");
  ExpectInvalidArgument([&] { MCADUVCone(f, 1, 0.5, nan, 1, 0, 1); }, "uMin");
  ExpectInvalidArgument([&] { MCADUVCone(f, 1, 0.5, 0, 1, 1, 1); }, "vMax");
  // The V limits may reach the apex but not pass it.
  const double vApex = -1.0 / std::sin(0.5);
  ExpectInvalidArgument([&] { MCADUVCone(f, 1, 0.5, 0, 1, vApex - 1e-6, 1); }, "vMin");
  ExpectInvalidArgument([&] { MCADUVCone(f, 0, 0.5, 0, 1, -1e-9, 1); }, "vMin");
  EXPECT_NO_THROW(MCADUVCone(f, 1, 0.5, 0, 1, vApex, 1));
}
