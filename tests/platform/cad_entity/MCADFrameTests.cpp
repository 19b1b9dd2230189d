#include "Oxlen/CadEntity/MCADFrame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/cad_entity/SurfaceTestSupport.h"

using namespace SurfaceTest;

namespace {

void ExpectNear(const Point3& a, const Point3& b, double tolerance) {
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(a[i], b[i], tolerance) << "coordinate " << i;
}

}  // namespace

TEST(MCADFrame, DefaultIsTheWorldFrame) {
  const MCADFrame f;
  EXPECT_EQ(f.origin, (Point3{0.0, 0.0, 0.0}));
  EXPECT_EQ(f.xAxis, (Point3{1.0, 0.0, 0.0}));
  EXPECT_EQ(f.yAxis, (Point3{0.0, 1.0, 0.0}));
  EXPECT_EQ(f.zAxis, (Point3{0.0, 0.0, 1.0}));
  EXPECT_TRUE(f.IsOrthonormal(0.0));
}

TEST(MCADFrame, OrthonormalisesTheGivenAxes) {
  const Point3 z{1.0, 2.0, 2.0}, x{2.0, -1.0, 0.3};
  const MCADFrame f(Point3{1.5, -2.25, 0.75}, z, x);
  EXPECT_TRUE(f.IsOrthonormal(1e-14));
  ExpectNear(f.zAxis, z / 3.0, 1e-15);
  // X is the given direction minus its component along Z, normalised.
  const Point3 zUnit = z / 3.0;
  ExpectNear(f.xAxis, Oxlen::Math::normalized(x - Oxlen::Math::dot(x, zUnit) * zUnit), 1e-15);
  ExpectNear(f.yAxis, Oxlen::Math::cross(f.zAxis, f.xAxis), 1e-15);

  // Lengths do not matter, even far from 1; a nearly parallel X still gives an orthonormal frame.
  const MCADFrame huge(Point3{}, z * 1e250, x * 1e-250);
  ExpectNear(huge.xAxis, f.xAxis, 1e-15);
  ExpectNear(huge.zAxis, f.zAxis, 1e-15);
  const MCADFrame nearlyParallel(Point3{}, Point3{0.0, 0.0, 1.0}, Point3{1e-8, 0.0, 1.0});
  EXPECT_TRUE(nearlyParallel.IsOrthonormal(1e-15));
  ExpectNear(nearlyParallel.xAxis, Point3{1.0, 0.0, 0.0}, 1e-15);

  // Local coordinates are offsets along the axes, and FromLocal undoes ToLocal.
  const Point3 p = f.origin + 2.0 * f.xAxis - 3.0 * f.yAxis + 0.5 * f.zAxis;
  ExpectNear(f.ToLocal(p), Point3{2.0, -3.0, 0.5}, 1e-14);
  ExpectNear(f.FromLocal(f.ToLocal(Point3{7.0, -4.0, 9.0})), Point3{7.0, -4.0, 9.0}, 1e-14);

  MCADFrame skewed = f;
  skewed.yAxis = -skewed.yAxis;  // left-handed
  EXPECT_FALSE(skewed.IsOrthonormal(1e-9));
  skewed = f;
  skewed.xAxis = skewed.xAxis * 1.01;
  EXPECT_FALSE(skewed.IsOrthonormal(1e-9));
}

TEST(MCADFrame, RejectsMalformedArguments) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const Point3 o{}, z{0.0, 0.0, 1.0}, x{1.0, 0.0, 0.0};
  ExpectInvalidArgument([&] { MCADFrame(Point3{nan, 0.0, 0.0}, z, x); }, "origin");
  ExpectInvalidArgument([&] { MCADFrame(o, Point3{0.0, inf, 1.0}, x); }, "zAxis");
  ExpectInvalidArgument([&] { MCADFrame(o, Point3{}, x); }, "zAxis");
  ExpectInvalidArgument([&] { MCADFrame(o, z, Point3{1.0, nan, 0.0}); }, "xAxis");
  ExpectInvalidArgument([&] { MCADFrame(o, z, Point3{}); }, "xAxis");
  ExpectInvalidArgument([&] { MCADFrame(o, z, Point3{0.0, 0.0, -3.0}); }, "xAxis");
  ExpectInvalidArgument([&] { MCADFrame(o, z, Point3{1e-12, 0.0, 1.0}); }, "xAxis");
}
