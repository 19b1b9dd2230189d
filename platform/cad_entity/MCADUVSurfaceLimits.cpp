#include "Oxlen/CadEntity/MCADUVSurfaceLimits.h"

#include <cmath>

bool MCADUVSurfaceLimits::GetIsPeriodicInUV(const eInUV& direction) const {
  return GetExtremesUV(direction).GetPeriod() > 0.0;
}

void MCADUVSurfaceLimits::PutInDomainFirstBasePeriodUV(double& value, const eInUV& direction,
                                                       double tolerance) const {
  const MCADDomainLimits& limits = GetExtremesUV(direction);
  const double period = limits.GetPeriod();
  if (!(period > 0.0) || !std::isfinite(value))
    return;
  const double start = limits.GetMin();
  double shifted = start + std::fmod(value - start, period);
  if (shifted < start)
    shifted += period;
  // fmod is exact, but the additions may round up onto the end of the period.
  if (shifted >= start + period)
    shifted -= period;
  if (shifted > start + period - tolerance)
    shifted = start;
  value = shifted;
}
