#include "Oxlen/CadEntity/MCADDomainLimits.h"

#include <cmath>
#include <stdexcept>

#include "Oxlen/Math/coordinate_limit.h"

MCADDomainLimits::MCADDomainLimits(double min, double max, double period)
    : m_min(min), m_max(max), m_period(period) {
  if (!Oxlen::Math::is_within_coordinate_limit(min))
    throw std::invalid_argument("min: not finite or beyond 1e100 in magnitude");
  if (!Oxlen::Math::is_within_coordinate_limit(max))
    throw std::invalid_argument("max: not finite or beyond 1e100 in magnitude");
  if (min > max)
    throw std::invalid_argument("min: greater than max");
  if (!Oxlen::Math::is_within_coordinate_limit(period) || period < 0.0)
    throw std::invalid_argument("period: must be 0 or a positive value up to 1e100");
}
