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

}  // namespace geometry::detail
