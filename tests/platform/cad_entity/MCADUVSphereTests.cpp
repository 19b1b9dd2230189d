#include "Oxlen/CadEntity/MCADUVSphere.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "platform/cad_entity/SurfaceTestSupport.h"

using namespace SurfaceTest;

TEST(MCADUVSphere, EvaluatesTheClosedForm) {
  const MCADFrame f = TiltedFrame();
  const double R = 2.0;
  const MCADUVSphere sphere(f, R, 0.0, kTwoPi, -kHalfPi, kHalfPi);
  EXPECT_EQ(sphere.GetRadius(), R);
  for (const Point2& uv : {Point2{0.0, 0.0}, Point2{1.2, -0.7}, Point2{4.0, 1.5}}) {
    const Point3 expected =
        ExpectedPoint(f, R * std::cos(uv[1]) * std::cos(uv[0]),
                      R * std::cos(uv[1]) * std::sin(uv[0]), R * std::sin(uv[1]));
    const Point3 p = Evaluate(sphere, uv);
    for (int i = 0; i < 3; ++i)
      EXPECT_NEAR(p[i], expected[i], 1e-9);
  }
}

TEST(MCADUVSphere, PolesAndTheirNeighbourhood) {
  const MCADFrame f = TiltedFrame();
  const MCADUVSphere sphere(f, 2.0, 0.0, kTwoPi, -kHalfPi, kHalfPi);
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> angle(0.0, kTwoPi);
  for (double pole : {-kHalfPi, kHalfPi}) {
    const Point3 polePoint = ExpectedPoint(f, 0.0, 0.0, pole > 0 ? 2.0 : -2.0);
    // Exactly at the pole (and beyond it on the axis) any angle is fine, the latitude is the pole.
    for (double c : {0.0, 1.0, 7.0}) {
      const Point2 uv = sphere.InvertPoint(ExpectedPoint(f, 0.0, 0.0, pole > 0 ? c : -c), 1.0);
      EXPECT_TRUE(std::isfinite(uv[0]));
      if (c > 0.0) {
        EXPECT_EQ(uv[1], pole);
      }
    }
    for (int i = 0; i < 20; ++i) {
      const double u = angle(rng);
      const Point2 back = sphere.InvertPoint(Evaluate(sphere, {u, pole}), 1.0);
      EXPECT_NEAR(back[1], pole, 1e-7);
      EXPECT_LT(Oxlen::Math::distance(Evaluate(sphere, back), polePoint), 1e-6);
      ExpectRoundTrip(sphere, {u, pole > 0 ? pole - 1e-6 : pole + 1e-6}, 1e-8);
    }
  }
  // The triangulator's latitude limits stop a few units in the last place short of the poles.
  const MCADUVSphere shortOfPoles(f, 2.0, 0.0, kTwoPi, -1.570796326794895, 1.570796326794895);
  EXPECT_EQ(shortOfPoles.InvertPoint(ExpectedPoint(f, 0.0, 0.0, 5.0), 1.0)[1], 1.570796326794895);
}

TEST(MCADUVSphere, PartialPatchClampsLongitudeAndLatitude) {
  const MCADFrame f = TiltedFrame();
  const MCADUVSphere patch(f, 2.0, 0.5, 2.5, -0.3, 1.1);
  const auto at = [&](double lon, double lat, double dist) {
    return patch.InvertPoint(
        ExpectedPoint(f, dist * std::cos(lat) * std::cos(lon), dist * std::cos(lat) * std::sin(lon),
                      dist * std::sin(lat)),
        1.0);
  };
  const Point2 inside = at(1.0, 0.4, 3.0);
  EXPECT_NEAR(inside[0], 1.0, 1e-12);
  EXPECT_NEAR(inside[1], 0.4, 1e-12);
  EXPECT_EQ(at(3.0, 0.4, 3.0)[0], 2.5);
  EXPECT_EQ(at(-0.2, 0.4, 3.0)[0], 0.5);
  EXPECT_EQ(at(1.0, 1.4, 3.0)[1], 1.1);
  EXPECT_EQ(at(1.0, -1.0, 0.5)[1], -0.3);
}

TEST(MCADUVSphere, RegularGrid) {
  const auto grid = [](double uMin, double uMax, double vMin, double vMax) {
    MCADUVRegularGrid g;
    MCADUVSphere(TiltedFrame(), 1.0, uMin, uMax, vMin, vMax).GetRegularGrid(g);
    return std::pair(ToVector(g.u), ToVector(g.v));
  };
  const auto full = grid(0.0, kTwoPi, -kHalfPi, kHalfPi);
  EXPECT_EQ(full.first, (std::vector<double>{0.0, kHalfPi, kPi, 3 * kHalfPi, kTwoPi}));
  EXPECT_EQ(full.second, (std::vector<double>{-kHalfPi, 0.0, kHalfPi}));
  EXPECT_EQ(grid(0.5, 1.0, 0.1, 1.2).second, (std::vector<double>{0.1, 1.2}));
  EXPECT_EQ(grid(0.5, 1.0, -1.0, 0.0).second, (std::vector<double>{-1.0, 0.0}));
  EXPECT_EQ(grid(0.5, 1.0, -1.0, 0.0).first, (std::vector<double>{0.5, 1.0}));
}

TEST(MCADUVSphere, RejectsMalformedArguments) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const MCADFrame f = TiltedFrame();
  MCADFrame broken = f;
  broken.yAxis[0] = nan;
  ExpectInvalidArgument([&] { MCADUVSphere(broken, 1, 0, 1, 0, 1); }, "frame");
  for (double r : {0.0, -2.0, nan})
    ExpectInvalidArgument([&] { MCADUVSphere(f, r, 0, 1, 0, 1); }, "radius");
  ExpectInvalidArgument([&] { MCADUVSphere(f, 1, 0, -1, 0, 1); }, "uMax");
  ExpectInvalidArgument([&] { MCADUVSphere(f, 1, -kPi, kPi + 1e-6, 0, 1); }, "uMax");
  ExpectInvalidArgument([&] { MCADUVSphere(f, 1, 0, 1, -kHalfPi - 1e-6, 1); }, "vMin");
  ExpectInvalidArgument([&] { MCADUVSphere(f, 1, 0, 1, 0, kHalfPi + 1e-6); }, "vMax");
  ExpectInvalidArgument([&] { MCADUVSphere(f, 1, 0, 1, 0.5, 0.5); }, "vMax");
  EXPECT_NO_THROW(MCADUVSphere(f, 1, 0, 1, -kHalfPi - 1e-12, kHalfPi + 1e-12));
}
