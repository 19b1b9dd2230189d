#include "Oxlen/CadEntity/MCADUVSurface.h"

MCADUVSurface::~MCADUVSurface() = default;

std::vector<Oxlen::Math::point<double, 2>> MCADUVSurface::InvertPoints(
    std::span<const Oxlen::Math::point<double, 3>> points, double tolerance) const {
  std::vector<Oxlen::Math::point<double, 2>> result;
  result.reserve(points.size());
  for (const Oxlen::Math::point<double, 3>& p : points)
    result.push_back(InvertPoint(p, tolerance));
  return result;
}

std::vector<Oxlen::Math::point<double, 3>> MCADUVSurface::EvaluateGrid(
    std::span<const double> us, std::span<const double> vs) const {
  std::vector<Oxlen::Math::point<double, 3>> result(us.size() * vs.size());
  std::size_t k = 0;
  for (const double u : us)
    for (const double v : vs)
      EvaluatePoint(Oxlen::Math::point<double, 2>(u, v), result[k++]);
  return result;
}
