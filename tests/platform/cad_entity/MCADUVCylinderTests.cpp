#include "Oxlen/CadEntity/MCADUVCylinder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/cad_entity/SurfaceTestSupport.h"

using namespace SurfaceTest;

TEST(MCADUVCylinder, EvaluatesTheClosedForm) {
  const MCADFrame f = TiltedFrame();
  const MCADUVCylinder cylinder(f, 2.5, 0.0, kTwoPi, -1.0, 2.0);
  EXPECT_EQ(cylinder.GetRadius(), 2.5);
  for (const Point2& uv : {Point2{0.0, 0.0}, Point2{1.2, -0.7}, Point2{4.0, 1.9}}) {
    const Point3 expected = ExpectedPoint(f, 2.5 * std::cos(uv[0]), 2.5 * std::sin(uv[0]), uv[1]);
    const Point3 p = Evaluate(cylinder, uv);
    for (int i = 0; i < 3; ++i)
      EXPECT_NEAR(p[i], expected[i], 1e-9);
  }
}

TEST(MCADUVCylinder, PartialTurnClampsToTheAngularlyNearerEnd) {
  const MCADFrame f = TiltedFrame();
  const auto at = [&](const MCADUVCylinder& c, double angle, double height) {
    return c.InvertPoint(ExpectedPoint(f, 3.0 * std::cos(angle), 3.0 * std::sin(angle), height),
                         1.0);
  };
  const MCADUVCylinder patch(f, 2.5, 0.5, 2.0, -1.0, 2.0);
  EXPECT_EQ(at(patch, 3.0, 0.0)[0], 2.0);   // 1.0 past uMax
  EXPECT_EQ(at(patch, -0.5, 0.0)[0], 0.5);  // 1.0 before uMin
  EXPECT_EQ(at(patch, 4.0, 0.0)[0], 2.0);   // 2.0 past uMax, 2.78 before uMin
  EXPECT_EQ(at(patch, 4.5, 0.0)[0], 0.5);   // 2.5 past uMax, 2.28 before uMin across the seam
  EXPECT_EQ(at(patch, 1.0, 5.0)[1], 2.0);   // height clamped
  EXPECT_NEAR(at(patch, 1.0 + kTwoPi, 0.25)[0], 1.0, 1e-12);
  // Limits away from [0, 2 pi): the representative inside them is chosen.
  const MCADUVCylinder across(f, 1.0, 5.5, 7.0, 0.0, 1.0);
  EXPECT_NEAR(at(across, 0.2, 0.5)[0], 0.2 + kTwoPi, 1e-12);
  EXPECT_EQ(at(across, 1.0, 0.5)[0], 7.0);
  const MCADUVCylinder negative(f, 1.0, -20.0, -18.0, 0.0, 1.0);
  EXPECT_NEAR(at(negative, -19.0 + 4 * kTwoPi, 0.5)[0], -19.0, 1e-12);
  // On the axis every angle is nearest: uMin.
  const Point2 onAxis = patch.InvertPoint(ExpectedPoint(f, 0.0, 0.0, 0.5), 1.0);
  EXPECT_EQ(onAxis[0], 0.5);
  EXPECT_NEAR(onAxis[1], 0.5, 1e-12);
}

TEST(MCADUVCylinder, RegularGridHoldsTheQuarterTurns) {
  const MCADFrame f = TiltedFrame();
  const auto grid = [&](double uMin, double uMax) {
    MCADUVRegularGrid g;
    MCADUVCylinder(f, 1.0, uMin, uMax, -1.0, 2.0).GetRegularGrid(g);
    EXPECT_EQ(ToVector(g.v), (std::vector<double>{-1.0, 2.0}));
    return ToVector(g.u);
  };
  EXPECT_EQ(grid(0.0, kTwoPi), (std::vector<double>{0.0, kHalfPi, kPi, 3 * kHalfPi, kTwoPi}));
  EXPECT_EQ(grid(-1.0, 2.0), (std::vector<double>{-1.0, 0.0, kHalfPi, 2.0}));
  EXPECT_EQ(grid(kHalfPi, kPi), (std::vector<double>{kHalfPi, kPi}));
  EXPECT_EQ(grid(0.3, 0.3 + kTwoPi),
            (std::vector<double>{0.3, kHalfPi, kPi, 3 * kHalfPi, kTwoPi, 0.3 + kTwoPi}));
  EXPECT_EQ(grid(-7.0, -6.0), (std::vector<double>{-7.0, -kTwoPi, -6.0}));
  EXPECT_EQ(grid(-6.0, -5.0), (std::vector<double>{-6.0, -5.0}));
}

TEST(MCADUVCylinder, PeriodicInUOnly) {
  const double uMin = -1.0, period = kTwoPi;
  const MCADUVCylinder c(TiltedFrame(), 1.0, uMin, 1.0, 0.0, 5.0);
  EXPECT_TRUE(c.GetIsPeriodicInUV(eInU));
  EXPECT_FALSE(c.GetIsPeriodicInUV(eInV));
  EXPECT_EQ(c.GetExtremesUV(eInU).GetPeriod(), period);
  const auto put = [&](double value, eInUV direction, double tolerance) {
    c.PutInDomainFirstBasePeriodUV(value, direction, tolerance);
    return value;
  };
  // The first base period is [uMin, uMin + 2 pi), whatever uMax is.
  EXPECT_NEAR(put(-0.5 - period, eInU, 1e-9), -0.5, 1e-12);
  EXPECT_NEAR(put(-0.5 - 3 * period, eInU, 1e-9), -0.5, 1e-12);
  EXPECT_NEAR(put(0.3, eInU, 1e-9), 0.3, 1e-15);
  EXPECT_EQ(put(uMin, eInU, 1e-9), uMin);
  EXPECT_NEAR(put(10.0, eInU, 1e-9), 10.0 - period, 1e-12);
  EXPECT_EQ(put(uMin + period, eInU, 1e-9), uMin);
  // Within the tolerance below the end of the period: the start of the period.
  EXPECT_EQ(put(uMin + period - 1e-7, eInU, 1e-6), uMin);
  EXPECT_NEAR(put(uMin + period - 1e-7, eInU, 1e-8), uMin + period - 1e-7, 1e-12);
  // V is not periodic, and non-finite values stay as they are.
  EXPECT_EQ(put(123.0, eInV, 1e-9), 123.0);
  EXPECT_TRUE(std::isnan(put(std::numeric_limits<double>::quiet_NaN(), eInU, 1e-9)));
}

TEST(MCADUVCylinder, RejectsMalformedArguments) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const MCADFrame f = TiltedFrame();
  MCADFrame broken = f;
  broken.origin[1] = inf;
  ExpectInvalidArgument([&] { MCADUVCylinder(broken, 1, 0, 1, 0, 1); }, "frame");
  for (double r : {0.0, -1.0, nan, inf})
    ExpectInvalidArgument([&] { MCADUVCylinder(f, r, 0, 1, 0, 1); }, "radius");
  ExpectInvalidArgument([&] { MCADUVCylinder(f, 1, -inf, 1, 0, 1); }, "uMin");
  ExpectInvalidArgument([&] { MCADUVCylinder(f, 1, 1, 1, 0, 1); }, "uMax");
  ExpectInvalidArgument([&] { MCADUVCylinder(f, 1, 0.5, 0.5 + kTwoPi + 1e-6, 0, 1); }, "uMax");
  ExpectInvalidArgument([&] { MCADUVCylinder(f, 1, 0, 1, nan, 1); }, "vMin");
  ExpectInvalidArgument([&] { MCADUVCylinder(f, 1, 0, 1, 2, 1); }, "vMax");
  // A full turn computed with rounding is accepted.
  EXPECT_NO_THROW(MCADUVCylinder(f, 1, 0.1, 0.1 + kTwoPi + 1e-12, 0, 1));
}
