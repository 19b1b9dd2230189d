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
