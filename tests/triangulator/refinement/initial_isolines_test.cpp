#include <gtest/gtest.h>

#include <vector>

#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "grid/grid_fixtures.h"
#include "triangulator/MInternal.h"

namespace {

using namespace grid_test;
using MInternal = MCadTriangulator::MInternal;
using Oxlen::Math::matrix4x4;

TEST(InitialIsolines, LimitsPlusMinimalIsolinesStrictlyInside) {
  // The sphere's V isolines +-1.5707963267948966 lie outside these limits and are dropped; 0 is
  // kept; the U quarter turn 0 equals the lower limit and is not duplicated.
  const MCADUVSphere ball(MCADFrame(), 1.0, 0.0, 2.0, -0.5, 0.5);
  const MAnalyticalSurface sphere(ball, matrix4x4<double>::identity());
  const MSurfaceIsolines isolines = MInternal::GetInitialIsolines(sphere);
  EXPECT_EQ(isolines.u, (std::vector<double>{0.0, 1.5707963267948966, 2.0}));
  EXPECT_EQ(isolines.v, (std::vector<double>{-0.5, 0.0, 0.5}));

  const FunctionSurface listed([](double u, double v) { return Point3(u, v, 0.0); }, {0.0, 1.0},
                               {0.0, 1.0}, {0.0, 0.5, 1.0}, {-1.0, 0.2, 1.0, 0.7, 3.0});
  const MAnalyticalSurface surface(listed, matrix4x4<double>::identity());
  const MSurfaceIsolines fromLists = MInternal::GetInitialIsolines(surface);
  EXPECT_EQ(fromLists.u, (std::vector<double>{0.0, 0.25, 0.5, 0.75, 1.0}));
  EXPECT_EQ(fromLists.v, (std::vector<double>{0.0, 0.2, 0.7, 1.0}));

  const FunctionSurface line([](double u, double v) { return Point3(u, v, 0.0); }, {0.0, 1.0},
                             {0.3, 0.3});
  const MAnalyticalSurface degenerate(line, matrix4x4<double>::identity());
  EXPECT_EQ(MInternal::GetInitialIsolines(degenerate).v, std::vector<double>{0.3});
}

TEST(InitialIsolines, OnlyFreeFormSurfacesAreReduced) {
  const MCADUVPlane plane(MCADFrame(), 0.0, 4.0, 0.0, 2.0);
  const MAnalyticalSurface flat(plane, matrix4x4<double>::identity());
  MSurfaceIsolines planeIsolines = MInternal::GetInitialIsolines(flat);
  ASSERT_EQ(planeIsolines.u.size(), 3u);
  MInternal::ReduceFreeFormIsolines(flat, planeIsolines, 0.01);
  EXPECT_EQ(planeIsolines.u.size(), 3u);

  // A cubic patch, straight along U and bent along V.
  std::vector<Point3> net;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      net.emplace_back(i, j, (j == 1 || j == 2) ? 1.0 : 0.0);
  const MCADUVNurbsSurface patch(
      M3dNurbsSurface(4, 4, 4, 4, {0, 0, 0, 0, 1, 1, 1, 1}, {0, 0, 0, 0, 1, 1, 1, 1}, net));
  const MAnalyticalSurface freeForm(patch, matrix4x4<double>::identity());
  MSurfaceIsolines isolines = MInternal::GetInitialIsolines(freeForm);
  ASSERT_EQ(isolines.u.size(), 17u);
  ASSERT_EQ(isolines.v.size(), 17u);
  MInternal::ReduceFreeFormIsolines(freeForm, isolines, 0.02);
  EXPECT_EQ(isolines.u, (std::vector<double>{0.0, 1.0}));
  EXPECT_GT(isolines.v.size(), 4u);
  EXPECT_LT(isolines.v.size(), 17u);
  EXPECT_EQ(isolines.v.front(), 0.0);
  EXPECT_EQ(isolines.v.back(), 1.0);

  // The same patch with a generous tolerance loses more V isolines.
  MSurfaceIsolines generous = MInternal::GetInitialIsolines(freeForm);
  MInternal::ReduceFreeFormIsolines(freeForm, generous, 0.2);
  EXPECT_LT(generous.v.size(), isolines.v.size());
}

}  // namespace
