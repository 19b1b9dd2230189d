#include "spatial/numeric_helpers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace geometry::detail {

using Oxlen::Math::point;

double rounding_distance(const Oxlen::Math::boundingbox<double, 3>& box) noexcept {
  if (box.is_empty())
    return 0.0;
  double magnitude = 0.0;
  for (std::size_t k = 0; k < 3; ++k)
    magnitude = std::max({magnitude, std::fabs(box.minimum[k]), std::fabs(box.maximum[k])});
  return 16.0 * std::numeric_limits<double>::epsilon() * magnitude;
}

double overflow_safe_distance(const point<double, 3>& a, const point<double, 3>& b) noexcept {
  return overflow_safe_length(a - b);
}

double segment_projection_parameter(const point<double, 3>& x, const point<double, 3>& a,
                                    const point<double, 3>& b) noexcept {
  const point<double, 3> d = b - a;
  const double squared_length = dot(d, d);
  if (squared_length < kDegenerateSquaredLength)
    return 0.5;
  return dot(x - a, d) / squared_length;
}

point<double, 3> segment_point_at(const point<double, 3>& a, const point<double, 3>& b,
                                  double t) noexcept {
  if (t <= 0.0)
    return a;
  if (t >= 1.0)
    return b;
  return (1.0 - t) * a + t * b;
}

point<double, 3> segment_closest_point(const point<double, 3>& x, const point<double, 3>& a,
                                       const point<double, 3>& b) noexcept {
  return segment_point_at(a, b, segment_projection_parameter(x, a, b));
}

double squared_distance_to_segment(const point<double, 3>& x, const point<double, 3>& a,
                                   const point<double, 3>& b) noexcept {
  return squared_distance(x, segment_closest_point(x, a, b));
}

double squared_distance_to_segment(const point<double, 3>& x, const point<double, 3>& a,
                                   const point<double, 3>& b, bool& closest_is_end_point) noexcept {
  const double t = segment_projection_parameter(x, a, b);
  closest_is_end_point = t <= 0.0 || t >= 1.0;
  return squared_distance(x, segment_point_at(a, b, t));
}

}  // namespace geometry::detail
