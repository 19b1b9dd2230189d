#include "Oxlen/CadEntity/MCADDomainLimits.h"

#include <cmath>
#include <stdexcept>

MCADDomainLimits::MCADDomainLimits(double min, double max, double period)
    : m_min(min), m_max(max), m_period(period) {
  if (!std::isfinite(min))
    throw std::invalid_argument("min: not finite");
  if (!std::isfinite(max))
    throw std::invalid_argument("max: not finite");
  if (min > max)
    throw std::invalid_argument("min: greater than max");
  if (!std::isfinite(period) || period < 0.0)
    throw std::invalid_argument("period: must be 0 or a finite positive value");
}
