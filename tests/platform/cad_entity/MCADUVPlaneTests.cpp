#include "Oxlen/CadEntity/MCADUVPlane.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "platform/cad_entity/SurfaceTestSupport.h"

using namespace SurfaceTest;

TEST(MCADUVPlane, EvaluatesInInternalUnitsInItsFrame) {
  const MCADFrame f = TiltedFrame();
  const MCADUVPlane plane(f, -1.0, 2.0, 0.5, 3.0);
  for (const Point2& uv : {Point2{-1.0, 0.5}, Point2{0.25, 2.75}, Point2{5.0, -4.0}}) {
    const Point3 expected = ExpectedPoint(f, uv[0], uv[1], 0.0);
    const Point3 p = Evaluate(plane, uv);
    for (int i = 0; i < 3; ++i)
      EXPECT_NEAR(p[i], expected[i], 1e-9);
  }
  // The world frame: the 10000 factor and nothing else.
  const MCADUVPlane world(MCADFrame(), 0.0, 1.0, 0.0, 1.0);
  EXPECT_EQ(Evaluate(world, {0.5, 0.25}), (Point3{5000.0, 2500.0, 0.0}));
}

TEST(MCADUVPlane, InvertsByClampedProjection) {
  const MCADFrame f = TiltedFrame();
  const MCADUVPlane plane(f, -1.0, 2.0, 0.5, 3.0);
  const Point2 inside = plane.InvertPoint(ExpectedPoint(f, 0.25, 1.5, -7.0), 1.0);
  EXPECT_NEAR(inside[0], 0.25, 1e-12);
  EXPECT_NEAR(inside[1], 1.5, 1e-12);
  EXPECT_EQ(plane.InvertPoint(ExpectedPoint(f, 9.0, -9.0, 2.0), 1.0), (Point2{2.0, 0.5}));
}

TEST(MCADUVPlane, RegularGridAndPeriodicity) {
  const MCADUVPlane plane(TiltedFrame(), -1.0, 2.0, 0.5, 3.0);
  MCADUVRegularGrid grid{{42.0}, {42.0}};
  plane.GetRegularGrid(grid);
  EXPECT_EQ(ToVector(grid.u), (std::vector<double>{-1.0, 2.0}));
  EXPECT_EQ(ToVector(grid.v), (std::vector<double>{0.5, 3.0}));
  EXPECT_FALSE(plane.GetIsPeriodicInUV(eInU));
  EXPECT_FALSE(plane.GetIsPeriodicInUV(eInV));
}

TEST(MCADUVPlane, RejectsMalformedArguments) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const MCADFrame f = TiltedFrame();
  MCADFrame stretched = f;
  stretched.zAxis = stretched.zAxis * 2.0;
  ExpectInvalidArgument([&] { MCADUVPlane(stretched, 0, 1, 0, 1); }, "frame");
  ExpectInvalidArgument([&] { MCADUVPlane(f, nan, 1, 0, 1); }, "uMin");
  ExpectInvalidArgument([&] { MCADUVPlane(f, 0, 0, 0, 1); }, "uMax");
  ExpectInvalidArgument([&] { MCADUVPlane(f, 0, 1, 0, -1); }, "vMax");
  ExpectInvalidArgument([&] { MCADUVPlane(f, 0, 1, -nan, 1); }, "vMin");
}
