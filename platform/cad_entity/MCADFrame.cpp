#include "Oxlen/CadEntity/MCADFrame.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "Oxlen/Math/coordinate_limit.h"

namespace {

using Point3 = Oxlen::Math::point<double, 3>;

// Smallest sine of the angle between the given X and Z directions that still defines an X axis.
constexpr double kMinSine = 1e-10;

void RequireFinite(const Point3& p, const char* name) {
  if (!Oxlen::Math::is_finite(p))
    throw std::invalid_argument(std::string(name) + ": not finite");
}

// The unit vector along a finite vector. The vector is first divided by its largest component so
// that neither squaring overflows nor tiny vectors underflow; the zero vector stays zero.
Point3 UnitVector(const Point3& v) {
  const double largest = std::max({std::abs(v[0]), std::abs(v[1]), std::abs(v[2])});
  if (!(largest > 0.0))
    return Point3{};
  const Point3 scaled = v / largest;
  return scaled / Oxlen::Math::length(scaled);
}

Point3 RemoveComponent(const Point3& v, const Point3& unitDirection) {
  return v - Oxlen::Math::dot(v, unitDirection) * unitDirection;
}

}  // namespace

MCADFrame::MCADFrame(const Point3& origin, const Point3& zAxis, const Point3& xAxis)
    : origin(origin) {
  if (!Oxlen::Math::is_within_coordinate_limit(origin))
    throw std::invalid_argument("origin: not finite or beyond 1e100 in magnitude");
  RequireFinite(zAxis, "zAxis");
  RequireFinite(xAxis, "xAxis");
  const Point3 z = UnitVector(zAxis);
  if (z == Point3{})
    throw std::invalid_argument("zAxis: zero length");
  const Point3 xDirection = UnitVector(xAxis);
  if (xDirection == Point3{})
    throw std::invalid_argument("xAxis: zero length");
  // Gram-Schmidt. The first pass leaves a vector whose length is the sine of the angle between
  // the two directions; a second pass removes the rounding error the first one left along Z.
  Point3 x = RemoveComponent(xDirection, z);
  if (!(Oxlen::Math::length(x) > kMinSine))
    throw std::invalid_argument("xAxis: parallel to zAxis");
  x = UnitVector(RemoveComponent(x, z));
  this->zAxis = z;
  this->xAxis = x;
  this->yAxis = Oxlen::Math::cross(z, x);
}

Point3 MCADFrame::ToLocal(const Point3& p) const {
  const Point3 d = p - origin;
  return {Oxlen::Math::dot(d, xAxis), Oxlen::Math::dot(d, yAxis), Oxlen::Math::dot(d, zAxis)};
}

Point3 MCADFrame::FromLocal(const Point3& local) const {
  return origin + local[0] * xAxis + local[1] * yAxis + local[2] * zAxis;
}

bool MCADFrame::IsOrthonormal(double tolerance) const {
  using Oxlen::Math::dot;
  if (!Oxlen::Math::is_finite(origin) || !Oxlen::Math::is_finite(xAxis) ||
      !Oxlen::Math::is_finite(yAxis) || !Oxlen::Math::is_finite(zAxis))
    return false;
  const auto near = [tolerance](double value, double expected) {
    return std::abs(value - expected) <= tolerance;
  };
  if (!near(dot(xAxis, xAxis), 1.0) || !near(dot(yAxis, yAxis), 1.0) ||
      !near(dot(zAxis, zAxis), 1.0))
    return false;
  if (!near(dot(xAxis, yAxis), 0.0) || !near(dot(yAxis, zAxis), 0.0) ||
      !near(dot(zAxis, xAxis), 0.0))
    return false;
  // Right-handed: yAxis must agree with zAxis x xAxis.
  return near(dot(Oxlen::Math::cross(zAxis, xAxis), yAxis), 1.0);
}
