#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MLoopSegmenter.h"
#include "Oxlen/CadEntity/MCAD2DVCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve.h"
#include "Oxlen/Math/point.h"

namespace loops_test {

using MLoopSegmenter = MCadTriangulator::MLoopSegmenter;
using MPointOnLoop = MCadTriangulator::MPointOnLoop;
using MSegmentedLoop = MCadTriangulator::MSegmentedLoop;
using MSurfaceIsolines = MCadTriangulator::MSurfaceIsolines;
using MFinPoints = MLoopSegmenter::MFinPoints;
using Point3 = Oxlen::Math::point<double, 3>;
using Point2 = Oxlen::Math::point<double, 2>;
inline constexpr double kPi = std::numbers::pi;

/// A curve given by a function over [0, 1] that lists `parameters`: a space curve in model
/// units (evaluated, like every curve of the CAD entity layer, in internal units) or a UV curve.
template <typename Base, typename Point, double kScale>
class FunctionCurveOf : public Base {
 public:
  FunctionCurveOf(std::function<Point(double)> f, std::vector<double> parameters = {0.0, 1.0})
      : m_f(std::move(f)), m_parameters(std::move(parameters)) {}
  void EvaluatePoint(double t, Point& result) const override { result = m_f(t) * kScale; }
  void GetParameterList(MCADParameterList_1d& list) const override {
    list.parameters.assign(m_parameters.begin(), m_parameters.end());
  }

 private:
  std::function<Point(double)> m_f;
  std::vector<double> m_parameters;
};
using FunctionCurve = FunctionCurveOf<MCAD3DVUVSurfaceCurve, Point3, 10000.0>;
using FunctionUVCurve = FunctionCurveOf<MCAD2DVCurve, Point2, 1.0>;

/// A fin list along a straight segment from a to b with `count` points.
inline MFinPoints Straight(const Point3& a, const Point3& b, int count = 2) {
  MFinPoints fin;
  for (int k = 0; k < count; ++k)
    fin.emplace_back(Oxlen::Math::lerp(a, b, static_cast<double>(k) / (count - 1)));
  return fin;
}

/// Expects `call` to throw an E whose message starts with `prefix`.
template <typename E = std::invalid_argument, typename Call>
void ExpectThrowWith(Call call, const std::string& prefix) {
  try {
    call();
    ADD_FAILURE() << "no exception: " << prefix;
  } catch (const E& e) {
    EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
  }
}

}  // namespace loops_test
