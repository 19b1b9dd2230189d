#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MAnalyticalSurface.h"
#include "Oxlen/Cad/Triangulation/MQuads.h"
#include "Oxlen/CadEntity/MCADDomainLimits.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"
#include "Oxlen/Math/point.h"

namespace grid_test {

using MQuads = MCadTriangulator::MQuads;
using MAnalyticalSurface = MCadTriangulator::MAnalyticalSurface;
using MSurfaceIsolines = MCadTriangulator::MSurfaceIsolines;
using MVertexIndex = MQuads::MVertexIndex;
using MQuadIndex = MQuads::MQuadIndex;
using MQuadEdge = MQuads::MQuadEdge;
using Point3 = Oxlen::Math::point<double, 3>;
using Point2 = Oxlen::Math::point<double, 2>;
inline constexpr double kPi = std::numbers::pi;

/// A test surface given by a function in model units: S(u, v) = f(u, v), evaluated (like every
/// surface of the CAD entity layer) in internal units, 10000 f(u, v). Its regular grid is its
/// limits.
class FunctionSurface final : public MCADUVSurface {
 public:
  using Function = std::function<Point3(double u, double v)>;

  FunctionSurface(Function f, const MCADDomainLimits& u, const MCADDomainLimits& v)
      : MCADUVSurface(u, v), f_(std::move(f)) {}

  void EvaluatePoint(const Point2& uv, Point3& result) const override {
    result = 10000.0 * f_(uv[0], uv[1]);
  }

  Point2 InvertPoint(const Point3&, double) const override {
    return {GetExtremesUV(eInU).GetMin(), GetExtremesUV(eInV).GetMin()};
  }

  void GetRegularGrid(MCADUVRegularGrid& grid) const override {
    const MCADDomainLimits& u = GetExtremesUV(eInU);
    const MCADDomainLimits& v = GetExtremesUV(eInV);
    grid.u = {u.GetMin(), u.GetMax()};
    grid.v = {v.GetMin(), v.GetMax()};
  }

 private:
  Function f_;
};

/// n + 1 evenly spaced values from lo to hi (both ends exact).
inline std::vector<double> Spaced(double lo, double hi, int n) {
  std::vector<double> values;
  for (int k = 0; k <= n; ++k)
    values.push_back(k == n ? hi : lo + (hi - lo) * k / n);
  return values;
}

/// Expects `call` to throw std::invalid_argument whose message starts with `prefix`.
template <typename Call>
void ExpectInvalid(Call call, const std::string& prefix) {
  try {
    call();
    ADD_FAILURE() << "accepted: " << prefix;
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
  }
}

}  // namespace grid_test
