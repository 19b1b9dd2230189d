#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <utility>

#include "Oxlen/CadEntity/MCADDomainLimits.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"
#include "Oxlen/Math/point.h"

namespace grid_test {

/// A test surface given by a function in model units: S(u, v) = f(u, v), evaluated (like every
/// surface of the CAD entity layer) in internal units, 10000 f(u, v). It counts its evaluations
/// and reports the regular-grid lists it is given (the limits when a list is empty).
class FunctionSurface final : public MCADUVSurface {
 public:
  using Function = std::function<Oxlen::Math::point<double, 3>(double u, double v)>;

  FunctionSurface(Function f, const MCADDomainLimits& u, const MCADDomainLimits& v,
                  std::list<double> gridU = {}, std::list<double> gridV = {})
      : MCADUVSurface(u, v), f_(std::move(f)), gridU_(std::move(gridU)), gridV_(std::move(gridV)) {}

  void EvaluatePoint(const Oxlen::Math::point<double, 2>& uv,
                     Oxlen::Math::point<double, 3>& result) const override {
    ++evaluations;
    result = 10000.0 * f_(uv[0], uv[1]);
  }

  Oxlen::Math::point<double, 2> InvertPoint(const Oxlen::Math::point<double, 3>&,
                                            double) const override {
    return {GetExtremesUV(eInU).GetMin(), GetExtremesUV(eInV).GetMin()};
  }

  void GetRegularGrid(MCADUVRegularGrid& grid) const override {
    const MCADDomainLimits& u = GetExtremesUV(eInU);
    const MCADDomainLimits& v = GetExtremesUV(eInV);
    grid.u = gridU_.empty() ? std::list<double>{u.GetMin(), u.GetMax()} : gridU_;
    grid.v = gridV_.empty() ? std::list<double>{v.GetMin(), v.GetMax()} : gridV_;
  }

  /// Number of EvaluatePoint calls so far.
  mutable std::size_t evaluations = 0;

 private:
  Function f_;
  std::list<double> gridU_;
  std::list<double> gridV_;
};

}  // namespace grid_test
