#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "Oxlen/Cad/Triangulation/MAnalyticalSurface.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "grid/function_surface.h"

namespace {

using MAnalyticalSurface = MCadTriangulator::MAnalyticalSurface;
using Oxlen::Math::matrix4x4;
using Oxlen::Math::point;
using Point3 = point<double, 3>;
using grid_test::FunctionSurface;
constexpr double kPi = std::numbers::pi;

// A biquadratic (order 3) patch on a single knot span in each direction.
MCADUVNurbsSurface SingleSpanPatch() {
  std::vector<Point3> net;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      net.emplace_back(i, j, (i == 1 && j == 1) ? 1.0 : 0.0);
  return MCADUVNurbsSurface(
      M3dNurbsSurface(3, 3, 3, 3, {0, 0, 0, 1, 1, 1}, {0, 0, 0, 1, 1, 1}, net));
}

TEST(AnalyticalSurface, EvaluateScalesFromInternalUnitsAndPlacesAsRowVector) {
  const FunctionSurface constant([](double, double) { return Point3(1.0, 0.0, 0.0); }, {0.0, 1.0},
                                 {0.0, 1.0});
  const MAnalyticalSurface identity(constant, matrix4x4<double>::identity());
  EXPECT_EQ(identity.Evaluate({0.5, 0.5}), Point3(1.0, 0.0, 0.0));

  // Every entry distinct, so that a transposed (column-vector) placement would show.
  matrix4x4<double> m;
  for (int k = 0; k < 16; ++k)
    m.m[k] = k + 1.0;
  const FunctionSurface linear([](double u, double v) { return Point3(u, v, 3.0); }, {0.0, 4.0},
                               {0.0, 4.0});
  const MAnalyticalSurface placed(linear, m);
  const point<double, 3> p = placed.Evaluate({1.0, 2.0});
  EXPECT_DOUBLE_EQ(p[0], 1.0 * 1 + 2.0 * 5 + 3.0 * 9 + 13);
  EXPECT_DOUBLE_EQ(p[1], 1.0 * 2 + 2.0 * 6 + 3.0 * 10 + 14);
  EXPECT_DOUBLE_EQ(p[2], 1.0 * 3 + 2.0 * 7 + 3.0 * 11 + 15);
}

TEST(AnalyticalSurface, KnotIsolinesAreHalvedUntilSixteen) {
  const MCADUVNurbsSurface nurbs = SingleSpanPatch();
  const MAnalyticalSurface surface(nurbs, matrix4x4<double>::identity());
  // 0, 1/3, 2/3, 1 -> 7 -> 13 -> 25 values.
  for (const std::vector<double>& values :
       {surface.GetMinimalUIsolines(), surface.GetMinimalVIsolines()}) {
    ASSERT_EQ(values.size(), 25u);
    for (std::size_t k = 0; k < values.size(); ++k)
      EXPECT_NEAR(values[k], k / 24.0, 1e-15);
    EXPECT_EQ(values[8], 1.0 / 3.0);
    EXPECT_EQ(values[16], 0.0 + (1.0 - 0.0) * 2 / 3);
  }

  // Five cubic spans give 5 * 4 + 1 = 21 values: no halving.
  const std::vector<double> knots{0, 0, 0, 0, 1, 2, 3, 4, 5, 5, 5, 5};
  const std::vector<double> values = MAnalyticalSurface::GetKnotIsolines(knots, 4);
  ASSERT_EQ(values.size(), 21u);
  EXPECT_EQ(values[1], 0.25);
  EXPECT_EQ(values[4], 1.0);
  EXPECT_EQ(values.back(), 5.0);

  // Degenerate knot vectors end without hanging.
  EXPECT_TRUE(MAnalyticalSurface::GetKnotIsolines({}, 3).empty());
  EXPECT_EQ(MAnalyticalSurface::GetKnotIsolines({2, 2, 2}, 3), std::vector<double>{2.0});
  EXPECT_EQ(MAnalyticalSurface::GetKnotIsolines({0, 1}, 0), std::vector<double>{1.0});
}

TEST(AnalyticalSurface, SphereIsolinesAreFixedLiterals) {
  const MCADUVSphere sphere(MCADFrame(), 2.0, 0.0, 1.0, -0.5, 0.5);
  const MAnalyticalSurface surface(sphere, matrix4x4<double>::identity());
  EXPECT_EQ(surface.GetMinimalUIsolines(),
            (std::vector<double>{0.0, 1.5707963267948966, 3.141592653589793, 4.71238898038469,
                                 6.283185307179586}));
  const std::vector<double> v = surface.GetMinimalVIsolines();
  ASSERT_EQ(v.size(), 3u);
  EXPECT_EQ(v[0], -1.570796326794895);
  EXPECT_EQ(v[1], 0.0);
  EXPECT_EQ(v[2], 1.570796326794895);
  EXPECT_LT(v[2], kPi / 2);  // not the pole itself
  EXPECT_EQ(surface.GetULimits(), std::make_pair(0.0, 1.0));
  EXPECT_EQ(surface.GetVLimits(), std::make_pair(-0.5, 0.5));
}

TEST(AnalyticalSurface, OtherSurfacesTakeTheirRegularGrid) {
  const MCADUVPlane plane(MCADFrame(), -1.0, 3.0, 0.0, 2.0);
  const MAnalyticalSurface planar(plane, matrix4x4<double>::identity());
  EXPECT_EQ(planar.GetMinimalUIsolines(), (std::vector<double>{-1.0, 1.0, 3.0}));
  EXPECT_EQ(planar.GetMinimalVIsolines(), (std::vector<double>{0.0, 2.0}));

  const MCADUVCylinder cylinder(MCADFrame(), 1.0, 0.0, 2 * kPi, -1.0, 1.0);
  const MAnalyticalSurface cylindrical(cylinder, matrix4x4<double>::identity());
  MCADUVRegularGrid grid;
  cylinder.GetRegularGrid(grid);
  const std::vector<double> turns(grid.u.begin(), grid.u.end());
  const std::vector<double> u = cylindrical.GetMinimalUIsolines();
  ASSERT_EQ(u.size(), 2 * turns.size() - 1);
  for (std::size_t k = 0; k < turns.size(); ++k)
    EXPECT_EQ(u[2 * k], turns[k]);
  for (std::size_t k = 1; k < turns.size(); ++k)
    EXPECT_EQ(u[2 * k - 1], (turns[k - 1] + turns[k]) * 0.5);
  EXPECT_EQ(cylindrical.GetMinimalVIsolines(), (std::vector<double>{-1.0, 1.0}));

  EXPECT_TRUE(MAnalyticalSurface::InsertMidpoints({}).empty());
  EXPECT_EQ(MAnalyticalSurface::InsertMidpoints({4.0}), std::vector<double>{4.0});
}

}  // namespace
