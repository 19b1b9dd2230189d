#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCADUVRectangle.h"

/// The parameter rectangle of a surface together with what its periods mean.
///
/// The first base period of a periodic direction is [min, min + period).
class OXLEN_CAD_TRIANGULATION_API MCADUVSurfaceLimits : public MCADUVRectangle {
 public:
  using MCADUVRectangle::MCADUVRectangle;

  /// True when the direction has a positive period.
  bool GetIsPeriodicInUV(const eInUV& direction) const;

  /// Moves a parameter of a periodic direction by a whole number of periods into the first base
  /// period [min, min + period). A result that lies within `tolerance` below min + period is the
  /// same point of the period as min and becomes min. A non-periodic direction or a non-finite
  /// value leaves the parameter unchanged.
  /// @param[in,out] value     the parameter.
  /// @param[in]     direction U or V.
  /// @param[in]     tolerance parameter distance below which two ends of the period coincide.
  void PutInDomainFirstBasePeriodUV(double& value, const eInUV& direction, double tolerance) const;
};
