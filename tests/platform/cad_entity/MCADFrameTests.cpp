#include "Oxlen/CadEntity/MCADFrame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/cad_entity/SurfaceTestSupport.h"

using namespace SurfaceTest;

TEST(MCADFrame, OrthonormalisesTheGivenAxes) {
  EXPECT_TRUE(MCADFrame().IsOrthonormal(0.0));
  EXPECT_EQ(MCADFrame().zAxis, (Point3{0.0, 0.0, 1.0}));
  const Point3 z{1.0, 2.0, 2.0}, x{2.0, -1.0, 0.3};
  const MCADFrame f(Point3{1.5, -2.25, 0.75}, z, x);
  EXPECT_TRUE(f.IsOrthonormal(1e-14));
  // Z is the given direction normalised; X is the given one minus its component along Z.
  const Point3 zUnit = z / 3.0;
  const auto near = [](const Point3& a, const Point3& b) { return distance(a, b) < 1e-14; };
  EXPECT_TRUE(near(f.zAxis, zUnit));
  EXPECT_TRUE(near(f.xAxis, Oxlen::Math::normalized(x - Oxlen::Math::dot(x, zUnit) * zUnit)));
  EXPECT_TRUE(near(f.yAxis, Oxlen::Math::cross(f.zAxis, f.xAxis)));
  // A nearly parallel X still gives an orthonormal frame.
  const MCADFrame nearlyParallel(Point3{}, Point3{0.0, 0.0, 1.0}, Point3{1e-8, 0.0, 1.0});
  EXPECT_TRUE(nearlyParallel.IsOrthonormal(1e-15));
  EXPECT_TRUE(near(nearlyParallel.xAxis, Point3{1.0, 0.0, 0.0}));
  // Local coordinates are offsets along the axes, and FromLocal undoes ToLocal.
  EXPECT_TRUE(near(f.ToLocal(f.origin + 2.0 * f.xAxis - 3.0 * f.yAxis + 0.5 * f.zAxis),
                   Point3{2.0, -3.0, 0.5}));
  EXPECT_TRUE(near(f.FromLocal(f.ToLocal(Point3{7.0, -4.0, 9.0})), Point3{7.0, -4.0, 9.0}));
  MCADFrame skewed = f;
  skewed.yAxis = -skewed.yAxis;  // left-handed
  EXPECT_FALSE(skewed.IsOrthonormal(1e-9));

  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Point3 o{}, zz{0.0, 0.0, 1.0}, xx{1.0, 0.0, 0.0};
  ExpectInvalid("origin", [&] { MCADFrame(Point3{nan, 0.0, 0.0}, zz, xx); });
  ExpectInvalid("zAxis", [&] { MCADFrame(o, Point3{}, xx); });
  ExpectInvalid("xAxis", [&] { MCADFrame(o, zz, Point3{0.0, 0.0, -3.0}); });
  ExpectInvalid("xAxis", [&] { MCADFrame(o, zz, Point3{1e-12, 0.0, 1.0}); });
}
