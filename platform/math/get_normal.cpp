#include "Oxlen/Math/get_normal.h"

#include <algorithm>
#include <cmath>

namespace Oxlen::Math {

namespace {

using Vector = point<double, 3>;

double MaxAbs(const Vector& v) {
  return std::max({std::abs(v[0]), std::abs(v[1]), std::abs(v[2])});
}

// Multiplies by 2^exponent: exact, unlike a division by the scale itself.
Vector ScaleByPowerOfTwo(const Vector& v, int exponent) {
  return {std::ldexp(v[0], exponent), std::ldexp(v[1], exponent), std::ldexp(v[2], exponent)};
}

}  // namespace

point<double, 3> get_normal(const point<double, 3>& a, const point<double, 3>& b,
                            const point<double, 3>& c, bool areaWeighted) {
  if (areaWeighted)
    return cross(b - a, c - a);
  if (!is_finite(a) || !is_finite(b) || !is_finite(c))
    return {};
  Vector u = b - a;
  Vector v = c - a;
  if (!is_finite(u) || !is_finite(v)) {
    // The corners are finite but far apart: halving them first keeps the differences finite.
    u = b * 0.5 - a * 0.5;
    v = c * 0.5 - a * 0.5;
  }
  // Bring the edge vectors to a largest component in [1, 2) so the cross product neither
  // underflows for tiny triangles nor overflows for huge ones.
  const double edgeScale = std::max(MaxAbs(u), MaxAbs(v));
  if (edgeScale == 0.0)
    return {};
  const int edgeExponent = std::ilogb(edgeScale);
  Vector n = cross(ScaleByPowerOfTwo(u, -edgeExponent), ScaleByPowerOfTwo(v, -edgeExponent));
  const double normalScale = MaxAbs(n);
  if (normalScale == 0.0)
    return {};  // collinear corners
  n = ScaleByPowerOfTwo(n, -std::ilogb(normalScale));
  return n / length(n);
}

}  // namespace Oxlen::Math
