#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <stdexcept>
#include <vector>

#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD3DNurbsCurve.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "loops/loop_fixtures.h"

namespace {

using namespace loops_test;

// Isoline values of one axis in [a, b) with a, b the smaller and larger of two coordinates.
int Passed(const std::vector<double>& isolines, double x, double y) {
  return static_cast<int>(std::count_if(isolines.begin(), isolines.end(), [&](double w) {
    return std::min(x, y) <= w && w < std::max(x, y);
  }));
}

TEST(SampleFinCurve, ANurbsUVCurveListingOnlyItsEndsIsFirstSplitIntoOrderSteps) {
  const std::vector<Point2> poles{{10, 10}, {30, 60}, {60, -20}, {80, 40}};
  const auto loop = MCADLoopBuilder(Plane())
                        .Curve(std::make_shared<MCAD2DNurbsCurve>(
                            4, std::vector<double>{0, 0, 0, 0, 1, 1, 1, 1}, poles))
                        .Build();
  const MSurfaceIsolines coarse{{0, 100}, {0, 100}};
  const auto uvBased =
      MLoopSegmenter::SampleFinCurve(loop->Fins().front(), Matrix::identity(), coarse, 1e-9);
  EXPECT_EQ(uvBased.parameters,
            (std::vector<double>{0, 0.125, 0.25, 0.375, 0.5, 0.625, 0.75, 0.875, 1}));
  // The same curve in space lists its two ends only: it is sampled at them and their midpoint.
  std::vector<Point3> poles3;
  for (const Point2& p : poles)
    poles3.emplace_back(p[0], p[1], 0.0);
  MCAD3DNurbsCurve space(M3dNurbsCurve(4, {0, 0, 0, 0, 1, 1, 1, 1}, poles3));
  const auto spaceSamples =
      MLoopSegmenter::SampleFinCurve(MCADFin{&space, true}, Matrix::identity(), coarse, 1e-9);
  EXPECT_EQ(spaceSamples.parameters, (std::vector<double>{0, 0.5, 1}));
  for (std::size_t k = 0; k < uvBased.points.size(); ++k) {
    Point3 p;
    space.EvaluatePoint(uvBased.parameters[k], p);
    EXPECT_LT(Oxlen::Math::distance(p / 10000.0, uvBased.points[k]), 1e-12);
  }
}

TEST(RefineByIsolines, EveryStepPassesAtMostOneIsolinePerAxis) {
  std::mt19937_64 random(5);
  auto uniform = [&](double lo, double hi) {
    return lo + (hi - lo) * ((random() >> 11) * 0x1.0p-53);
  };
  for (int trial = 0; trial < 20; ++trial) {
    std::vector<Point2> poles;
    for (int k = 0; k < 6; ++k)
      poles.emplace_back(uniform(0, 100), uniform(0, 100));
    const MCAD2DNurbsCurve curve(3, {0, 0, 0, 0.3, 0.5, 0.8, 1, 1, 1}, poles);
    MSurfaceIsolines isolines;
    for (double w = 0; w <= 100; w += uniform(0.5, 4)) {
      isolines.u.push_back(w);
      isolines.v.push_back(100 - w);
    }
    std::reverse(isolines.v.begin(), isolines.v.end());
    MCADParameterList_1d list;
    curve.GetParameterList(list);
    const std::vector<double> own(list.parameters.begin(), list.parameters.end());
    MLoopSegmenter::RefineByIsolines(list, curve, isolines);
    const std::vector<double> refined(list.parameters.begin(), list.parameters.end());
    EXPECT_TRUE(std::is_sorted(refined.begin(), refined.end()));
    EXPECT_TRUE(std::includes(refined.begin(), refined.end(), own.begin(), own.end()));
    EXPECT_GT(refined.size(), own.size());
    for (std::size_t k = 0; k + 1 < refined.size(); ++k) {
      Point2 a, b;
      curve.EvaluatePoint(refined[k], a);
      curve.EvaluatePoint(refined[k + 1], b);
      EXPECT_LE(Passed(isolines.u, a[0], b[0]), 1);
      EXPECT_LE(Passed(isolines.v, a[1], b[1]), 1);
    }
  }
}

TEST(RefineByIsolines, EndsOnAUVCurveThatJumps) {
  // The curve jumps across 70 isolines at t = 1/3; the steps on either side are refined, the
  // step across the jump stays.
  const FunctionUVCurve jump(
      [](double t) { return t < 1.0 / 3.0 ? Point2(10 + 10 * t, 10) : Point2(90, 90 - 10 * t); });
  MCADParameterList_1d list;
  list.parameters = {0.0, 0.5, 1.0};
  const MSurfaceIsolines isolines = PlaneIsolines(1.0);
  MLoopSegmenter::RefineByIsolines(list, jump, isolines);
  const std::vector<double> refined(list.parameters.begin(), list.parameters.end());
  EXPECT_TRUE(std::is_sorted(refined.begin(), refined.end()));
  EXPECT_GT(refined.size(), 10u);
  EXPECT_LT(refined.size(), 1000u);
  for (std::size_t k = 0; k + 1 < refined.size(); ++k) {
    if (refined[k] < 1.0 / 3.0 && refined[k + 1] >= 1.0 / 3.0)
      continue;
    Point2 a, b;
    jump.EvaluatePoint(refined[k], a);
    jump.EvaluatePoint(refined[k + 1], b);
    EXPECT_LE(Passed(isolines.u, a[0], b[0]) + Passed(isolines.v, a[1], b[1]), 1);
  }

  // Fewer than two parameters stay as they are; broken curves and isolines are reported.
  MCADParameterList_1d one;
  one.parameters = {0.5};
  MLoopSegmenter::RefineByIsolines(one, jump, PlaneIsolines());
  EXPECT_EQ(one.parameters.size(), 1u);
  const FunctionUVCurve broken([](double t) { return Point2(t < 0.5 ? 10.0 : std::nan(""), 10); });
  list.parameters = {0.0, 1.0};
  EXPECT_THROW(MLoopSegmenter::RefineByIsolines(list, broken, PlaneIsolines()),
               MLoopSegmenter::MExceptionBadLoop);
  MSurfaceIsolines bad = PlaneIsolines();
  bad.v[3] = std::numeric_limits<double>::infinity();
  EXPECT_THROW(MLoopSegmenter::RefineByIsolines(list, jump, bad), std::invalid_argument);
}

}  // namespace
